// One sync cycle, with the summary upload going to the panel stand-in.
#include "FormHarness.h"
#include "tools/panel/PanelServer.h"

#include <gtest/gtest.h>

using namespace velorix;
using velorix::panel::Answer;
using velorix::panel::PanelServer;

namespace {

class Cycle : public ::testing::Test {
protected:
    void SetUp() override {
        panel.start();
        h.write("app.ini", "[config]\nnotificacao=1\napi=" + QByteArray::fromStdString(panel.url("/app.php")) + "\n");
        h.make();
        h.form->Memo1.Text = "{\"sample\": 1}";
        h.form->clearLog();
        h.fakes.clock->set(QDateTime(QDate(2025, 3, 14), QTime(10, 20, 30)));
        h.fakes.tray->balloons.clear();
    }
    TForm1& f() { return *h.form; }

    velorix::testing::FormHarness h;
    PanelServer panel{[] { velorix::panel::PanelOptions o; o.https = false; return o; }()};
};

TEST_F(Cycle, OfflineChangesNothing) {
    h.fakes.connectivity->online = false;
    f().log("earlier line");
    f().cxBtn_syncClick();
    EXPECT_TRUE(panel.requests().empty());
    EXPECT_EQ(f().Memo_log.lines(), QStringList{"earlier line"});
    EXPECT_EQ(f().lbDatahora.Caption, "....");
    EXPECT_TRUE(h.fakes.tray->balloons.isEmpty());
    EXPECT_FALSE(f().DataInicio.isValid());
}

TEST_F(Cycle, RefusedUploadLogsThreeLinesAndStops) {
    Answer a;
    a.body = "0";
    panel.setAnswer("/app.php", a);
    f().chkVendasApp.Checked = true;
    f().cxBtn_syncClick();
    EXPECT_EQ(f().Memo_log.lines(), (QStringList{"Erro ao enviar os dados.", "14/03/2025 - 10:20:30", ""}));
    ASSERT_EQ(h.fakes.tray->balloons.size(), 1);
    EXPECT_EQ(h.fakes.tray->balloons[0], (std::pair<QString, QString>{"Integrador", "Erro ao enviar os dados."}));
    EXPECT_EQ(f().lbDatahora.Caption, "....");
    EXPECT_EQ(f().Memo1.Text, "{\"sample\": 1}");
    EXPECT_EQ(panel.requests().size(), 1u);
}

TEST_F(Cycle, AcceptedDetailModeWithNoGroupStampsAndEmptiesTheLog) {
    f().log("line of an earlier failure");
    f().cxBtn_syncClick();
    EXPECT_EQ(f().lbDatahora.Caption, "14/03/2025 10:20:30");
    EXPECT_TRUE(f().Memo_log.lines().isEmpty());
    ASSERT_FALSE(h.fakes.tray->balloons.isEmpty());
    EXPECT_EQ(h.fakes.tray->balloons.back().second, QStringLiteral("Nova sincronização :)"));
    ASSERT_EQ(panel.requests().size(), 1u);
    EXPECT_EQ(panel.requests()[0].body, "email=&json=%7B%22sample%22%3A+1%7D");
}

TEST_F(Cycle, SyncPeriodFromPickersOrWholeHistory) {
    f().MaskInicio.Date = QDateTime(QDate(2025, 3, 1), QTime(13, 14, 15));
    f().MaskFim.Date = QDateTime(QDate(2025, 3, 14), QTime(18, 0, 1));
    f().cxBtn_syncClick();
    EXPECT_EQ(f().DataInicio, QDateTime(QDate(2025, 3, 1), QTime(0, 0)));
    EXPECT_EQ(f().DataFim, QDateTime(QDate(2025, 3, 14), QTime(0, 0)));
    f().chkPeriodo.Checked = true;
    f().cxBtn_syncClick();
    EXPECT_EQ(f().DataInicio, QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    EXPECT_EQ(f().DataFim, QDateTime(QDate(9999, 12, 1), QTime(0, 0)));
}

TEST_F(Cycle, BalloonsOnlyShowWithTheIconPresent) {
    // Window open (icon hidden) and notifications off: nothing is seen.
    f().chk_notificacao.Checked = false;
    h.fakes.tray->visible = false;
    f().cxBtn_syncClick();
    EXPECT_TRUE(h.fakes.tray->balloons.isEmpty());
    // With notifications on, the icon comes back and the balloon shows.
    f().chk_notificacao.Checked = true;
    f().cxBtn_syncClick();
    EXPECT_TRUE(h.fakes.tray->visible);
    EXPECT_EQ(h.fakes.tray->balloons.size(), 1);
}

TEST_F(Cycle, TitleClickSendsTheDocumentAlone) {
    h.fakes.connectivity->online = false;  // not consulted
    f().Label3Click();
    EXPECT_EQ(panel.requests().size(), 1u);
    EXPECT_EQ(h.fakes.connectivity->calls, 0);
    EXPECT_TRUE(f().Memo_log.lines().isEmpty());
    EXPECT_FALSE(f().DataInicio.isValid());
}

}  // namespace
