// app.ini and Banco.ini: reading, saving, and what bad files do.
#include "FormHarness.h"
#include "shell/Conexao.h"
#include "shell/IniFile.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velorix;

namespace {

TEST(Settings, MissingFileLeavesEverythingEmptyAndOff) {
    velorix::testing::FormHarness h;
    TForm1& f = h.make();
    for (const TEdit* e : {&f.edt_api, &f.edt_api2, &f.edtEmpresa, &f.pnEmail, &f.editMinutos}) EXPECT_EQ(e->Text, "");
    for (const TCheckBox* c : {&f.chkIniciarWindows, &f.chkSincVendas, &f.chkSincNFe, &f.chk_notificacao, &f.chkVendasApp,
                               &f.chkPagareReceber, &f.chkEstoqueUn, &f.chkEstoqueGeral, &f.chkQualidade, &f.chkCatalogo}) {
        EXPECT_FALSE(c->Checked) << c->Caption.toStdString();
    }
    EXPECT_FALSE(f.Timer1.isActive());
    EXPECT_TRUE(f.btn_ligar.Visible);
    EXPECT_EQ(f.lbcontagem.Caption, "....");
}

TEST(Settings, BooleansAndKeyCase) {
    const struct {
        QByteArray value;
        bool ticked;
    } cases[] = {{"1", true}, {"yes", false}, {"2", true}, {"0x1F", true}, {"0X10", true}, {"0", false},
                 {"", false}, {"0x", false}, {" 1", true}, {"-1", true}, {"1.5", false}};
    for (const auto& c : cases) {
        velorix::testing::FormHarness h;
        h.write("app.ini", "[CONFIG]\nqualidade=" + c.value + "\nVENDASAPP=1\n");
        TForm1& f = h.make();
        EXPECT_EQ(f.chkQualidade.Checked, c.ticked) << c.value.constData();
        EXPECT_TRUE(f.chkVendasApp.Checked);
    }
}

TEST(Settings, LoadsEveryKeyIntoItsControl) {
    velorix::testing::FormHarness h;
    h.write("app.ini",
            "[config]\r\nemail=a@b.c\r\nligado=N\r\ntempo=15\r\napi=https://p/app.php\r\napi2=https://p/app2.php\r\n"
            "novoenvio=https://p/api/\r\ninciarwindows=1\r\nSincVendas=1\r\nSincNFe=0\r\nnotificacao=1\r\n"
            "PagareReceber=1\r\nEstoque_UND=1\r\nEstoque_GERAL=1\r\nCatalogo=1\r\n");
    TForm1& f = h.make();
    EXPECT_EQ(f.pnEmail.Text, "a@b.c");
    EXPECT_EQ(f.editMinutos.Text, "15");
    EXPECT_EQ(f.edt_api.Text, "https://p/app.php");
    EXPECT_EQ(f.edt_api2.Text, "https://p/app2.php");
    EXPECT_EQ(f.edtEmpresa.Text, "https://p/api/");
    EXPECT_TRUE(f.chkIniciarWindows.Checked && f.chkSincVendas.Checked && f.chk_notificacao.Checked &&
                f.chkPagareReceber.Checked && f.chkEstoqueUn.Checked && f.chkEstoqueGeral.Checked && f.chkCatalogo.Checked);
    EXPECT_FALSE(f.chkSincNFe.Checked);
}

TEST(Settings, SaveWritesEveryKeyAndKeepsUnknownOnes) {
    velorix::testing::FormHarness h;
    h.write("app.ini", "; shop notes\r\n[config]\r\nvendasapp=0\r\nextra=keep me\r\ntempo=10\r\n[outra]\r\nx=1\r\n");
    TForm1& f = h.make();
    f.chkVendasApp.Checked = true;
    f.editMinutos.Text = "20";
    f.pnEmail.Text = "loja@x.com";
    f.chkIniciarWindows.Checked = true;
    f.salvaConfiguracoes("S");

    const IniFile ini = IniFile::load(h.path("app.ini"));
    EXPECT_EQ(ini.readString("config", "ligado", "?"), "S");
    EXPECT_EQ(ini.readString("config", "tempo", "?"), "20");
    EXPECT_EQ(ini.readString("config", "email", "?"), "loja@x.com");
    EXPECT_EQ(ini.readString("config", "extra", "?"), "keep me");
    EXPECT_EQ(ini.readString("outra", "x", "?"), "1");
    for (const char* key : {"api", "api2", "novoenvio", "SincVendas", "SincNFe", "notificacao", "PagareReceber",
                            "Estoque_UND", "Estoque_GERAL", "Qualidade", "Catalogo", "inciarwindows"}) {
        EXPECT_TRUE(ini.value("config", key).has_value()) << key;
    }
    const QByteArray text = h.read("app.ini");
    EXPECT_TRUE(text.contains("VendasAPP=1")) << text.constData();
    EXPECT_FALSE(text.contains("vendasapp=")) << text.constData();
    EXPECT_TRUE(text.startsWith("; shop notes"));
    // The start-at-logon choice is applied after the file is written.
    EXPECT_TRUE(h.fakes.autostart->isRegistered("Velorix"));
    // The in-memory switch keeps its start-up value until the next start.
    EXPECT_EQ(f.ligado, "");

    f.salvaConfiguracoes("N");
    EXPECT_EQ(IniFile::load(h.path("app.ini")).readString("config", "ligado", "?"), "N");
}

// Runs `f` as an unprivileged user when the test runs as root (root writes anywhere), and
// returns its exit status.
template <typename F>
int runUnprivileged(F f) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
        _exit(f());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

TEST(Settings, SaveIntoReadOnlyDirectoryRaisesAndLeavesTheOldFile) {
    velorix::testing::FormHarness h;
    const QByteArray old = "[config]\r\nligado=N\r\ntempo=7\r\n";
    h.write("app.ini", old);
    TForm1& f = h.make();
    f.editMinutos.Text = "99";
    chmod(h.dir.path().toLocal8Bit().constData(), 0555);
    chmod(h.path("app.ini").toLocal8Bit().constData(), 0644);
    const int rc = runUnprivileged([&] {
        try {
            f.salvaConfiguracoes("S");
            return 1;
        } catch (const std::runtime_error& e) {
            return QString::fromUtf8(e.what()) == "Unable to write to " + h.path("app.ini") ? 0 : 2;
        }
    });
    chmod(h.dir.path().toLocal8Bit().constData(), 0755);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(h.read("app.ini"), old);
    EXPECT_FALSE(h.fakes.autostart->isRegistered("Velorix"));
}

TEST(Settings, GarbageFilesDoNotCrashAndGiveDefaults) {
    QByteArray binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) & 0xFF);
    const QByteArray huge(10 << 20, 'x');
    const struct {
        const char* name;
        QByteArray appIni, bancoIni;
        QString tempo, email;          // app.ini as loaded
        QString user, pass;            // Banco.ini as loaded
        QByteArray kept;               // still in app.ini after a save
    } cases[] = {
        {"binary garbage", binary, binary, "", "", "SYSDBA", "k#402719", binary.left(binary.indexOf('\n'))},
        {"10 MB value", "[config]\nemail=" + huge + "\ntempo=3\n", "[BD]\nPASS=" + huge + "\nUSER=LOJA\n", "3",
         QString(2047, 'x'), "LOJA", QString(2047, 'x'), "email=" + QByteArray(2047, 'x') + "\r\n"},
        {"10 MB line without a key", "[config]\n" + huge + "\ntempo=3\n", "[BD]\n" + huge + "\nUSER=LOJA\n", "3", "",
         "LOJA", "k#402719", "\n" + huge + "\r\n"},
        {"a million short lines", "[config]\ntempo=3\n" + QByteArray("\nTEMPO=9\n").repeated(1 << 19),
         "[BD]\nUSER=LOJA\n" + QByteArray("\nuser=X\n").repeated(1 << 19), "3", "", "LOJA", "k#402719",
         "\r\nTEMPO=9\r\n\r\nTEMPO=9\r\n"},
        {"no section", "email=a@b.c\ntempo=3\n", "USER=LOJA\nPASS=x\n", "", "", "SYSDBA", "k#402719",
         "email=a@b.c\r\ntempo=3\r\n"},
        {"duplicate keys", "[config]\ntempo=3\nTEMPO=4\n[CONFIG]\ntempo=5\n", "[BD]\nUSER=LOJA\nuser=OUTRA\n", "3", "",
         "LOJA", "k#402719", "TEMPO=4\r\n[CONFIG]\r\ntempo=5\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        velorix::testing::FormHarness h;
        h.write("app.ini", c.appIni);
        h.write("Banco.ini", c.bancoIni);
        TForm1& f = h.make();
        EXPECT_EQ(f.editMinutos.Text, c.tempo);
        EXPECT_EQ(f.pnEmail.Text, c.email);
        const BancoIni banco = BancoIni::load(h.path("Banco.ini"));
        EXPECT_EQ(banco.user, c.user);
        EXPECT_EQ(banco.pass, c.pass);
        EXPECT_EQ(banco.path, "");
        EXPECT_TRUE(f.Memo_log.lines().contains("Falha ao conectar Banco Local"));
        // Nothing here is unreadable: no complaint beyond the connection's.
        EXPECT_EQ(f.Memo_log.lines().size(), 2) << f.Memo_log.Text.toStdString();

        // A save changes the value that is read back (the first of duplicates) and keeps the rest.
        f.editMinutos.Text = "42";
        f.salvaConfiguracoes("N");
        EXPECT_EQ(h.appIni("tempo"), "42");
        EXPECT_EQ(h.appIni("ligado"), "N");
        EXPECT_TRUE(h.read("app.ini").contains(c.kept));
    }
}

// A settings file that exists but cannot be read (a directory in its place, or no permission):
// the defaults, a line saying why, and a save that leaves the file alone instead of replacing the
// shop's settings with the defaults.
TEST(Settings, UnreadableFilesGiveDefaultsSayWhyAndAreNotOverwritten) {
    const QByteArray appIni = "[config]\r\nligado=S\r\ntempo=7\r\nemail=loja@x.com\r\nVendasAPP=1\r\n";
    const QByteArray bancoIni = "[BD]\r\nUSER=LOJA\r\nPath=/srv/erp.fdb\r\n";
    // 0 when everything holds, else the number of the first check that failed.
    auto check = [](velorix::testing::FormHarness& h) {
        TForm1& f = h.make();
        const QStringList log = f.Memo_log.lines();
        if (log.value(0) != "Falha ao conectar Banco Local") return 10;
        if (!log.value(1).startsWith("Unable to read " + h.path("Banco.ini") + ": ")) return 11;
        if (!log.value(2).startsWith("Unable to read " + h.path("app.ini") + ": ")) return 12;
        if (f.editMinutos.Text != "" || f.pnEmail.Text != "" || f.chkVendasApp.Checked || f.Timer1.isActive()) return 13;
        // LIGAR: the save is refused and the user sees why.
        f.editMinutos.Text = "10";
        f.guarded([&] { f.btn_ligarClick(); });
        if (h.fakes.errors->shown != QStringList{"Unable to write to " + h.path("app.ini")}) return 14;
        if (h.fakes.autostart->isRegistered("Velorix")) return 15;
        return 0;
    };

    {
        SCOPED_TRACE("a directory in the files' place");
        velorix::testing::FormHarness h;
        ASSERT_TRUE(QDir(h.dir.path()).mkdir("app.ini") && QDir(h.dir.path()).mkdir("Banco.ini"));
        h.write("app.ini/keep.txt", "x");
        EXPECT_EQ(check(h), 0);
        EXPECT_EQ(h.read("app.ini/keep.txt"), "x");
    }
    {
        SCOPED_TRACE("no read permission");
        velorix::testing::FormHarness h;
        h.write("app.ini", appIni);
        h.write("Banco.ini", bancoIni);
        chmod(h.dir.path().toLocal8Bit().constData(), 0777);
        for (const char* file : {"app.ini", "Banco.ini"}) chmod(h.path(file).toLocal8Bit().constData(), 0);
        // Root reads anything: the check runs as an unprivileged user.
        EXPECT_EQ(runUnprivileged([&] { return check(h); }), 0);
        chmod(h.path("app.ini").toLocal8Bit().constData(), 0644);
        EXPECT_EQ(h.read("app.ini"), appIni);
        EXPECT_EQ(QDir(h.dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file left behind";
    }
}

TEST(Settings, SaveKilledAtRandomMomentsLeavesOldOrNewSettings) {
    velorix::testing::FormHarness h;
    h.write("app.ini", "[config]\r\nligado=N\r\n");
    TForm1& f = h.make();
    // Two complete sets of settings; a save is either wholly one or wholly the other.
    const QString emailA = "a@" + QString(1500, 'a'), emailB = QString::fromUtf8("b\u00e7@") + QString(1800, 'b');
    auto apply = [&](bool a) {
        f.editMinutos.Text = a ? "11" : "22";
        f.pnEmail.Text = a ? emailA : emailB;
        f.edt_api.Text = a ? "https://a/app1.php" : "https://b/app1.php";
    };
    apply(true);
    f.salvaConfiguracoes("S");
    std::srand(20261210);
    for (int round = 0; round < 30; ++round) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (bool a = round % 2 == 1;; a = !a) {
                apply(a);
                f.salvaConfiguracoes("S");
            }
        }
        usleep(static_cast<useconds_t>(std::rand() % 20000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);

        const IniFile ini = IniFile::load(h.path("app.ini"));
        const QString tempo = ini.readString("config", "tempo", "?");
        ASSERT_TRUE(tempo == "11" || tempo == "22") << "round " << round << ": " << h.read("app.ini").left(200).constData();
        const bool a = tempo == "11";
        EXPECT_EQ(ini.readString("config", "email", "?"), a ? emailA : emailB) << "round " << round;
        EXPECT_EQ(ini.readString("config", "api", "?"), a ? "https://a/app1.php" : "https://b/app1.php");
        EXPECT_EQ(ini.readString("config", "ligado", "?"), "S");
    }
}

TEST(IniFile, ValuesHoldingTheReplacementCharacterReadBackAsWritten) {
    // Found by fuzzing: a valid UTF-8 value holding U+FFFD was taken for old 8-bit text.
    IniFile ini;
    // Found by fuzzing too: a value starting with U+FEFF lost it.
    for (const QString& odd : {QString::fromUtf8("caminho \uFFFD \u00e7\u00e3o"), QString::fromUtf8("\uFEFF[bd] x")}) {
        ini.writeString("BD", "Path", odd);
        EXPECT_EQ(IniFile::parse(ini.serialize()).readString("BD", "Path", "?"), odd);
    }
    // Text in the old code page still reads as it did.
    EXPECT_EQ(IniFile::parse("[BD]\r\nPath=C:\\Dados\\a\xe7\xe3o.fdb\r\n").readString("BD", "Path", "?"),
              QString::fromUtf8("C:\\Dados\\a\u00e7\u00e3o.fdb"));
}

TEST(IniFile, ALineHoldingOnlyAByteOrderMarkKeepsItsLineBreak) {
    // Found by fuzzing: such a line inside the file was written without its line break, so the
    // key written after it was glued to it and lost on the next read.
    IniFile ini = IniFile::parse("\xEF\xBB\xBF[BD]\r\nIP=10.0.0.1\r\n\xEF\xBB\xBF\r\n");
    ini.writeString("BD", "Path", "C:\\erp.fdb");
    const QByteArray text = ini.serialize();
    EXPECT_TRUE(text.startsWith("\xEF\xBB\xBF[BD]\r\n")) << text.constData();
    const IniFile back = IniFile::parse(text);
    EXPECT_EQ(back.readString("BD", "Path", "?"), "C:\\erp.fdb");
    EXPECT_EQ(back.readString("BD", "IP", "?"), "10.0.0.1");
    EXPECT_EQ(back.serialize(), text);
}

TEST(BancoIni, DefaultsAndValues) {
    velorix::testing::FormHarness h;
    BancoIni none = BancoIni::load(h.path("Banco.ini"));
    EXPECT_EQ(none.user, "SYSDBA");
    EXPECT_EQ(none.pass, "k#402719");
    EXPECT_EQ(none.port, "3050");
    EXPECT_EQ(none.ip, "");
    EXPECT_EQ(none.path, "");
    h.write("Banco.ini", "[bd]\nuser=LOJA\npass=s3nha\nport=3051\nip=10.0.0.5\npath=C:\\ERP\\DADOS.FDB\n");
    BancoIni b = BancoIni::load(h.path("Banco.ini"));
    EXPECT_EQ(b.user, "LOJA");
    EXPECT_EQ(b.port, "3051");
    EXPECT_EQ(b.ip, "10.0.0.5");
    EXPECT_EQ(b.path, "C:\\ERP\\DADOS.FDB");
}

}  // namespace
