// Tray, window, notifications, and what the shell asks the operating system.
#include "FormHarness.h"

#include "platform/linux/LinuxPlatform.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSignalSpy>

using namespace velorix;
using velorix::testing::FormHarness;

namespace {

using Balloon = std::pair<QString, QString>;

TEST(Tray, MinimiseHidesToTheTrayWhenAutomaticSyncIsOnAndEndsTheProgramOtherwise) {
    FormHarness on;
    on.write("app.ini", "[config]\r\nligado=S\r\ntempo=10\r\n");
    TForm1& f = on.start();
    f.Timer1.stop();
    on.fakes.tray->balloons.clear();
    on.fakes.tray->visible = false;
    f.Visible = true;
    f.ApplicationEvents1Minimize();
    EXPECT_FALSE(f.Visible);
    EXPECT_TRUE(f.Minimized);
    EXPECT_TRUE(on.fakes.tray->visible);
    ASSERT_FALSE(on.fakes.tray->balloons.isEmpty());
    EXPECT_EQ(on.fakes.tray->balloons.last(), Balloon("Integrador", "Velorix - SINCRONIZADOR"));
    EXPECT_FALSE(f.terminationRequested());

    // automatic sync off, also after "LIGAR" in this run
    FormHarness off;
    TForm1& g = off.start();
    g.btn_ligarClick();
    QSignalSpy ended(&g, &TForm1::terminationRequestedSignal);
    g.ApplicationEvents1Minimize();
    EXPECT_TRUE(g.terminationRequested());
    EXPECT_EQ(ended.count(), 1);
}

TEST(Tray, MenuCaptionFollowsTheFirstRestoreAndForceCloseSavesNothing) {
    FormHarness t;
    t.write("app.ini", "[config]\r\nligado=S\r\ntempo=10\r\n");
    TForm1& f = t.start();
    const QByteArray iniBefore = t.read("app.ini");
    EXPECT_EQ(f.SairdaAplicao1Caption, QStringLiteral("Sair da Aplicação"));

    f.RestaurarAplicao1Click();
    EXPECT_TRUE(f.Visible);
    EXPECT_FALSE(t.fakes.tray->visible);
    EXPECT_EQ(f.SairdaAplicao1Caption, "Minimizar para a bandeja");

    const auto balloons = t.fakes.tray->balloons.size();
    f.btFecharClick();
    EXPECT_FALSE(f.Visible);
    EXPECT_TRUE(t.fakes.tray->visible);
    EXPECT_EQ(t.fakes.tray->balloons.size(), balloons);  // no balloon
    EXPECT_EQ(f.SairdaAplicao1Caption, "Minimizar para a bandeja");

    f.TrayIcon1DblClick();
    EXPECT_TRUE(f.Visible);
    EXPECT_FALSE(t.fakes.tray->visible);

    ASSERT_TRUE(f.Timer1.isActive());
    f.ForaFechamento1Click();
    EXPECT_FALSE(f.Timer1.isActive());
    EXPECT_TRUE(f.terminationRequested());
    EXPECT_EQ(t.read("app.ini"), iniBefore);
}

TEST(Tray, NotificationsNeedTheIconOrTheBox) {
    FormHarness t;
    TForm1& f = t.start();
    t.fakes.tray->visible = false;
    t.fakes.tray->balloons.clear();
    f.mensagens("Nova sincronização :)");
    EXPECT_TRUE(t.fakes.tray->balloons.isEmpty());
    f.chk_notificacao.Checked = true;
    f.mensagens("Erro ao enviar os dados.");
    EXPECT_TRUE(t.fakes.tray->visible);
    EXPECT_EQ(t.fakes.tray->balloons, QList<Balloon>{Balloon("Integrador", "Erro ao enviar os dados.")});
}

TEST(SystemInfo, UserNameMustFitTwentyFiveCharacters) {
    const std::pair<QString, QString> cases[] = {
        {"loja", "loja"},
        {QString(24, 'u'), QString(24, 'u')},
        {QString(25, 'u'), ""},
        {QString(40, 'u'), ""},
    };
    for (const auto& [name, expected] : cases) {
        FormHarness t;
        t.fakes.systemInfo->user = name;
        EXPECT_EQ(t.build().UsuarioLogado(), expected) << name.size();
    }
}

// The settings save applies start at logon through the real XDG entry.
TEST(StartAtLogon, EachSaveRegistersOrUnregistersAndAFailureReachesTheErrorDisplay) {
    FormHarness t;
    QTemporaryDir autostartDir;
    Platform p = t.fakes.platform();
    p.autostart = std::make_shared<linux_platform::XdgAutostart>("/opt/velorix/velorix", autostartDir.path());
    TForm1& f = t.start(p);
    const QString entry = autostartDir.filePath("Velorix.desktop");

    f.chkIniciarWindows.Checked = true;
    f.btn_ligarClick();
    EXPECT_TRUE(QFileInfo::exists(entry));
    f.chkIniciarWindows.Checked = false;
    f.btn_ligarClick();
    EXPECT_FALSE(QFileInfo::exists(entry));

    // the entry's folder cannot be made: the file is saved, the failure shown
    QTemporaryDir blocked;
    QFile file(blocked.filePath("autostart"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    FormHarness u;
    Platform q = u.fakes.platform();
    q.autostart = std::make_shared<linux_platform::XdgAutostart>("/opt/velorix/velorix", file.fileName());
    TForm1& g = u.start(q);
    g.chkIniciarWindows.Checked = true;
    g.guarded([&] { g.btn_ligarClick(); });
    EXPECT_EQ(u.appIni("inciarwindows"), "1");
    EXPECT_EQ(u.fakes.errors->shown, QStringList{"Failed to set data for 'Velorix'"});
}

}  // namespace
