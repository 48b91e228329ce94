// The countdown tick, the working hours, and the "LIGAR" / "DESLIGAR" buttons.
#include "FormHarness.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <limits>

using namespace velorix;
using velorix::testing::FormHarness;

namespace {

QDateTime at(int h, int m, int s) { return QDateTime(QDate(2025, 3, 14), QTime(h, m, s)); }

// Starts with automatic sync on, offline, so a cycle ends right after asking for the network:
// connectivity->calls counts the cycles that ran.
struct Ticking : FormHarness {
    TForm1& begin(const QByteArray& tempo, std::optional<Platform> platform = std::nullopt) {
        write("app.ini", "[config]\r\nligado=S\r\ntempo=" + tempo + "\r\nVendasAPP=1\r\n");
        fakes.connectivity->online = false;
        TForm1& f = start(std::move(platform));
        // The test ticks by hand; the real timer must not fire inside the tick's event processing.
        f.Timer1.setInterval(24 * 3600 * 1000);
        return f;
    }
};

TEST(Scheduler, OneMinuteCountsDownFromStartUpAndRunsAtZero) {
    Ticking t;
    t.fakes.clock->set(at(10, 0, 0));
    TForm1& f = t.begin("1");
    EXPECT_EQ(f.lbcontagem.Caption, QStringLiteral("Próxima sincronização em: 01:00"));
    EXPECT_TRUE(f.Timer1.isActive());

    f.Timer1Timer();
    EXPECT_EQ(f.lbcontagem.Caption, QStringLiteral("Próxima  em: 00:59"));
    for (int i = 0; i < 58; ++i) f.Timer1Timer();
    EXPECT_EQ(f.lbcontagem.Caption, QStringLiteral("Próxima  em: 00:01"));
    EXPECT_EQ(t.fakes.connectivity->calls, 0);

    t.fakes.clock->set(at(10, 1, 0));
    f.Timer1Timer();
    EXPECT_EQ(f.lbcontagem.Caption, QStringLiteral("Próxima  em: 00:00"));
    EXPECT_EQ(t.fakes.connectivity->calls, 1);
    // re-armed from the minutes box, the next sync period set
    EXPECT_EQ(f.FTimeRemaining, 60);
    EXPECT_TRUE(f.Timer1.isActive());
    EXPECT_EQ(f.MaskInicio.Date, QDateTime(QDate(2025, 3, 1), QTime(0, 0)));
    EXPECT_EQ(f.MaskFim.Date, at(10, 1, 0));
}

TEST(Scheduler, WorkingHoursAndBoxesDecideWhetherTheCycleRuns) {
    struct Case {
        QDateTime now;
        bool padrao, vendasApp, others;
        int cycles;
    };
    const Case cases[] = {
        {at(6, 59, 59), true, true, true, 0},   {at(7, 0, 0), false, true, false, 1},
        {at(21, 59, 59), true, false, false, 1}, {at(22, 0, 0), true, true, true, 0},
        {at(0, 0, 0), true, true, true, 0},     {at(12, 0, 0), false, false, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now.toString(Qt::ISODate).toStdString());
        Ticking t;
        TForm1& f = t.begin("10");
        f.chkEstoqueGeral.Checked = c.padrao;
        f.chkVendasApp.Checked = c.vendasApp;
        f.chkPagareReceber.Checked = c.others;
        f.chkQualidade.Checked = c.others;
        t.fakes.clock->set(c.now);
        f.FTimeRemaining = 1;
        f.Timer1Timer();
        EXPECT_EQ(t.fakes.connectivity->calls, c.cycles);
        // re-armed in every case
        EXPECT_TRUE(f.Timer1.isActive());
        EXPECT_EQ(f.FTimeRemaining, 600);
        EXPECT_EQ(f.MaskFim.Date, c.now);
    }
}

TEST(Scheduler, ZeroMinutesRunsAtEveryTickAndShowsNegativeSeconds) {
    Ticking t;
    TForm1& f = t.begin("0");
    EXPECT_EQ(f.lbcontagem.Caption, QStringLiteral("Próxima sincronização em: 00:00"));
    f.Timer1Timer();
    EXPECT_EQ(f.lbcontagem.Caption, QStringLiteral("Próxima  em: 00:-01"));
    EXPECT_EQ(t.fakes.connectivity->calls, 1);
    EXPECT_EQ(f.FTimeRemaining, 0);
    f.Timer1Timer();
    f.Timer1Timer();
    EXPECT_EQ(f.lbcontagem.Caption, QStringLiteral("Próxima  em: 00:-01"));
    EXPECT_EQ(t.fakes.connectivity->calls, 3);

    // a longer negative countdown keeps the sign on both parts
    f.FTimeRemaining = -60;
    f.Timer1Timer();
    EXPECT_EQ(f.lbcontagem.Caption, QStringLiteral("Próxima  em: -01:-01"));
}

TEST(Scheduler, MinutesThatAreNotANumberGiveFiveMinutes) {
    struct Case {
        QByteArray text;
        QString startLabel;
        qint32 rearm;
    };
    const Case cases[] = {
        {"abc", QStringLiteral("Próxima sincronização em: 05:00"), 300},
        {"", QStringLiteral("Próxima sincronização em: 05:00"), 300},
        {"10", QStringLiteral("Próxima sincronização em: 10:00"), 600},
        // a stored value too large for the seconds counter stays a long countdown
        {"99999999", QString(), std::numeric_limits<qint32>::max()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        Ticking t;
        TForm1& f = t.begin(c.text == "99999999" ? QByteArray("10") : c.text);
        if (!c.startLabel.isNull()) {
            EXPECT_EQ(f.lbcontagem.Caption, c.startLabel);
        }
        f.editMinutos.Text = QString::fromUtf8(c.text);
        f.FTimeRemaining = 1;
        f.Timer1Timer();
        EXPECT_EQ(f.FTimeRemaining, c.rearm);
    }
}

// Records what the countdown looked like when the error reached the display.
class ProbeDisplay : public ErrorDisplay {
public:
    TForm1* form = nullptr;
    QStringList shown;
    bool timerWasActive = false;
    qint32 remaining = 0;
    void showError(const QString& text) override {
        shown << text;
        timerWasActive = form->Timer1.isActive();
        remaining = form->FTimeRemaining;
    }
};

class FailingConnectivity : public Connectivity {
public:
    int calls = 0;
    bool isOnline() override {
        ++calls;
        throw std::runtime_error("rede indisponível");
    }
};

TEST(Scheduler, AnErrorEscapingTheCycleStillReArmsThenReachesTheErrorDisplay) {
    Ticking t;
    auto display = std::make_shared<ProbeDisplay>();
    auto failing = std::make_shared<FailingConnectivity>();
    Platform p = t.fakes.platform();
    p.errors = display;
    p.connectivity = failing;
    TForm1& f = t.begin("2", p);
    display->form = &f;
    t.fakes.clock->set(at(15, 30, 0));
    f.FTimeRemaining = 1;
    f.Timer1Timer();
    EXPECT_EQ(failing->calls, 1);
    EXPECT_EQ(display->shown, QStringList{QStringLiteral("rede indisponível")});
    EXPECT_TRUE(display->timerWasActive);
    EXPECT_EQ(display->remaining, 120);
    EXPECT_EQ(f.MaskFim.Date, at(15, 30, 0));

    // and the next zero runs again
    f.FTimeRemaining = 1;
    f.Timer1Timer();
    EXPECT_EQ(failing->calls, 2);
    EXPECT_EQ(display->shown.size(), 2);
}

TEST(Scheduler, LigarStoresOnAndShowsDesligarWithoutStartingTheCountdown) {
    FormHarness t;
    TForm1& f = t.start();
    ASSERT_TRUE(f.btn_ligar.Visible);
    ASSERT_FALSE(f.btnDesligar.Visible);
    f.editMinutos.Text = "7";
    f.chkQualidade.Checked = true;
    f.btn_ligarClick();
    EXPECT_EQ(t.appIni("ligado"), "S");
    EXPECT_EQ(t.appIni("tempo"), "7");
    EXPECT_EQ(t.appIni("Qualidade"), "1");
    EXPECT_TRUE(f.btnDesligar.Visible);
    EXPECT_FALSE(f.Timer1.isActive());
    EXPECT_EQ(f.lbcontagem.Caption, "....");
    EXPECT_EQ(f.ligado, "");
    EXPECT_TRUE(t.fakes.messageBox->asked.isEmpty());
}

// Notes whether the single-instance lock was already free when the restart started.
class OrderLauncher : public Launcher {
public:
    std::shared_ptr<fakes::FakeSingleInstance> lock;
    QList<bool> releasedAtStart;
    bool restartSelf() override {
        releasedAtStart << lock->released;
        return true;
    }
};

TEST(Scheduler, DesligarStoresOffAsksAndCloses) {
    for (bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        FormHarness t;
        t.write("app.ini", "[config]\r\nligado=S\r\ntempo=10\r\n");
        auto launcher = std::make_shared<OrderLauncher>();
        launcher->lock = t.fakes.singleInstance;
        Platform p = t.fakes.platform();
        p.launcher = launcher;
        TForm1& f = t.start(p);
        t.fakes.messageBox->answer = yes;
        QSignalSpy closed(&f, &TForm1::closeRequested);
        f.btnDesligarClick();
        EXPECT_EQ(t.appIni("ligado"), "N");
        EXPECT_EQ(t.fakes.messageBox->asked, QStringList{"tudo certo! Deseja reiniciar o aplicativo?"});
        EXPECT_EQ(closed.count(), 1);
        EXPECT_TRUE(f.terminationRequested());
        EXPECT_EQ(launcher->releasedAtStart, yes ? QList<bool>{true} : QList<bool>{});
    }
}

TEST(Scheduler, ARefusedSaveStopsBothButtonsBeforeAnythingElse) {
    FormHarness t;
    TForm1& f = t.start();
    // A directory where the file should be: the save cannot replace it, whoever runs the test.
    ASSERT_TRUE(QDir(t.dir.path()).mkdir("app.ini"));
    f.chkIniciarWindows.Checked = true;
    QSignalSpy closed(&f, &TForm1::closeRequested);
    f.guarded([&] { f.btn_ligarClick(); });
    f.guarded([&] { f.btnDesligarClick(); });
    ASSERT_EQ(t.fakes.errors->shown.size(), 2);
    EXPECT_TRUE(t.fakes.errors->shown[0].startsWith("Unable to write to ")) << t.fakes.errors->shown[0].toStdString();
    EXPECT_FALSE(f.btnDesligar.Visible);
    EXPECT_TRUE(t.fakes.messageBox->asked.isEmpty());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_FALSE(f.terminationRequested());
    // nor is start at logon applied
    EXPECT_TRUE(t.fakes.autostart->registered.isEmpty());
}

}  // namespace
