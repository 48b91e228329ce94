// The start-up sequence without a database and the single-instance guard.
#include "FormHarness.h"
#include "platform/linux/LinuxPlatform.h"

#include <gtest/gtest.h>

using namespace velorix;

namespace {

TEST(Startup, WithoutBancoIniLogsTheFailureAndKeepsRunningHidden) {
    velorix::testing::FormHarness h;
    TForm1& f = h.make();
    const QStringList lines = f.Memo_log.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "Falha ao conectar Banco Local");
    EXPECT_FALSE(lines[1].isEmpty());
    EXPECT_FALSE(f.terminationRequested());
    EXPECT_FALSE(f.Visible);
    EXPECT_TRUE(h.fakes.tray->visible);
    EXPECT_EQ(f.vCNPJ, "");
    EXPECT_EQ(f.Labversao.Caption, QStringLiteral("Versão: 6.0.2.0"));
    EXPECT_EQ(f.MaskInicio.Date, QDateTime(QDate(2025, 3, 1), QTime(0, 0)));
    EXPECT_EQ(f.MaskFim.Date, h.fakes.clock->now());
}

TEST(Startup, AutomaticSyncArmsTheCountdown) {
    const struct {
        QByteArray tempo;
        int seconds;
        QString label;
    } cases[] = {{"10", 600, QStringLiteral("Próxima sincronização em: 10:00")},
                 {"abc", 300, QStringLiteral("Próxima sincronização em: 05:00")},
                 {"", 300, QStringLiteral("Próxima sincronização em: 05:00")},
                 {"1", 60, QStringLiteral("Próxima sincronização em: 01:00")}};
    for (const auto& c : cases) {
        velorix::testing::FormHarness h;
        h.write("app.ini", "[config]\nligado=S\ntempo=" + c.tempo + "\n");
        TForm1& f = h.make();
        EXPECT_EQ(f.FTimeRemaining, c.seconds);
        EXPECT_EQ(f.lbcontagem.Caption, c.label);
        EXPECT_TRUE(f.Timer1.isActive());
        EXPECT_TRUE(f.btnDesligar.Visible);
        EXPECT_FALSE(f.editMinutos.Enabled);
        EXPECT_FALSE(h.fakes.tray->balloons.isEmpty());
        EXPECT_EQ(h.fakes.tray->balloons.back().second, "Velorix - SINCRONIZADOR");
    }
}

TEST(Startup, WithoutATrayTheWindowStaysOnScreen) {
    velorix::testing::FormHarness h;
    h.fakes.tray->isAvailable = false;
    EXPECT_TRUE(h.make().Visible);
}

TEST(Startup, SecondInstanceRequestsTermination) {
    velorix::testing::FormHarness h;
    h.fakes.singleInstance->running = true;
    EXPECT_TRUE(h.make().terminationRequested());
}

TEST(SingleInstanceLock, SecondHolderIsRefusedUntilReleased) {
    QTemporaryDir dir;
    linux_platform::FileLockInstance first(dir.path()), second(dir.path());
    EXPECT_FALSE(first.isAlreadyRunning(TForm1::UniqueMutexName));
    EXPECT_TRUE(second.isAlreadyRunning(TForm1::UniqueMutexName));
    first.release();
    EXPECT_FALSE(second.isAlreadyRunning(TForm1::UniqueMutexName));
}

}  // namespace

#include "ErpFixture.h"

namespace {

TEST(StartupWithErp, ConnectsReadsTheCompanyAndLeavesNoTransactionOpen) {
    auto erp = velorix::testing::ErpFixture::create();
    erp->insert("cidade", {{"codigo", 1}, {"coduf", 35}, {"uf", "SP"}});
    erp->insert("empresa", {{"codigo", 1}, {"cnpj", "12345678000199"}, {"fantasia", QStringLiteral("Pão & Cia")},
                            {"razao", QStringLiteral("Padaria São João Ltda")}, {"responsavel_empresa", "Ana"},
                            {"email", "ana@padaria.com.br"}, {"id_cidade", 1}});
    velorix::testing::FormHarness h;
    h.write("Banco.ini", erp->bancoIni().toUtf8());
    TForm1& f = h.make();
    EXPECT_TRUE(f.Memo_log.lines().isEmpty()) << f.Memo_log.Text.toStdString();
    EXPECT_TRUE(f.conexao().connected());
    // Read during start-up already: the detail uploads need it before the window is shown.
    EXPECT_EQ(f.vCNPJ, "12345678000199");
    EXPECT_EQ(f.DBEdit_fantasia.Text, QStringLiteral("Pão & Cia"));
    EXPECT_EQ(f.DBEdit_razao.Text, QStringLiteral("Padaria São João Ltda"));
    EXPECT_EQ(erp->openTransactionCount(), 0);

    erp->exec("UPDATE empresa SET cnpj = '98765432000111'");
    f.FormShow();
    EXPECT_EQ(f.vCNPJ, "98765432000111");
    EXPECT_EQ(erp->openTransactionCount(), 0);
    f.conexao().close();
}

TEST(StartupWithErp, WrongPasswordLogsTheServersMessage) {
    auto erp = velorix::testing::ErpFixture::create();
    velorix::testing::FormHarness h;
    h.write("Banco.ini", erp->bancoIni().replace("PASS=" + erp->password(), "PASS=wrong").toUtf8());
    TForm1& f = h.make();
    const QStringList lines = f.Memo_log.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "Falha ao conectar Banco Local");
    EXPECT_TRUE(lines[1].contains("password", Qt::CaseInsensitive)) << lines[1].toStdString();
}

}  // namespace
