// Secrets stay out of everything the program shows or prints: the ERP password of Banco.ini,
// the store database's user, database and password (kept scrambled in the ERP), and the settings
// unlock code. Checked on the built program's stdout and stderr, and in-process on the activity
// log, the error display, the message boxes and the balloons, over failing and working
// connections alike.
#include "ErpFixture.h"
#include "FormHarness.h"
#include "PanelSettings.h"
#include "StoreDb.h"
#include "tools/panel/PanelServer.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velorix;
using velorix::panel::Answer;
using velorix::panel::PanelServer;
using velorix::testing::ErpFixture;
using velorix::testing::StoreDb;

namespace {

// Generous: only keeps a broken build from hanging the run.
constexpr int kWaitMs = 120000;

const QString kCnpj = QStringLiteral("12345678000199");
const QString kWrongErpPassword = QStringLiteral("Erp-Segredo#5521");
const QString kWrongStorePassword = QStringLiteral("Loja-Senha#9917");
const QString kWrongStoreDatabase = QStringLiteral("loja_base_secreta");
const QString kUnlockCode = QStringLiteral("7304");

class Secrets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        erp_ = ErpFixture::create(QStringLiteral("secrets")).release();
        erp_->insert("empresa", {{"codigo", 1}, {"cnpj", kCnpj}, {"fantasia", "Loja"}, {"razao", "Loja Ltda"}});
        erp_->insert("produto", {{"codigo", 10}, {"descricao", "Cafe"}, {"codbarra", "7890001"}, {"qtd_atual", 4},
                                 {"ativo", "S"}, {"restautante", "S"}});
        erp_->insert("vendas_master", {{"codigo", 1}, {"data_emissao", QDate(2025, 1, 15)}, {"hora", QTime(9, 0)},
                                       {"situacao", "F"}, {"total", 10.0}});
    }
    static void TearDownTestSuite() {
        delete erp_;
        erp_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(erp_);
        store = StoreDb::create(QStringLiteral("secrets"));
        store->exec("INSERT INTO pedido_loja (status) VALUES (0)");
        panel.start();
    }

    static ErpFixture& erp() { return *erp_; }

    // Every text that must stay hidden.
    QStringList secrets() const {
        return {erp().password(), kWrongErpPassword, store->user(), store->database(), store->password(),
                kWrongStorePassword, kWrongStoreDatabase, kUnlockCode};
    }

    void expectClean(const char* where, const QString& text) const {
        for (const QString& s : secrets()) {
            EXPECT_FALSE(text.contains(s)) << where << " shows a secret (" << s.size() << " characters long):\n"
                                           << text.toStdString();
        }
    }

    // The ERP's settings row with the store credentials, scrambled as the ERP keeps them.
    void storeCredentials(const QString& database, const QString& password) {
        erp().exec("DELETE FROM config");
        FormHarness scratch;
        TForm1& f = scratch.build();
        erp().insert("config", {{"catalogo_user", f.Crypt("C", store->user())},
                                {"catalogo_base", f.Crypt("C", database)},
                                {"catalogo_senha", f.Crypt("C", password)}});
    }

    QString bancoIni(const QString& password) const {
        return erp().bancoIni().replace("PASS=" + erp().password(), "PASS=" + password);
    }

    QByteArray appIniExtra() const {
        return "catalogo_servidor=" + store->host().toUtf8() + ":" + QByteArray::number(store->port()) +
               "\r\nVendasAPP=1\r\nPagareReceber=1\r\nQualidade=1\r\nCatalogo=1\r\n";
    }

    using FormHarness = velorix::testing::FormHarness;
    std::unique_ptr<StoreDb> store;
    PanelServer panel;

private:
    static inline ErpFixture* erp_ = nullptr;
};

TEST_F(Secrets, StayOutOfTheProgramsOutput) {
    const struct {
        const char* name;
        QStringList args;
        QString erpPassword, storeDatabase, storePassword;
        int exitCode;
    } runs[] = {
        {"sync, ERP refuses the password", {"--sync-once"}, kWrongErpPassword, {}, {}, 0},
        {"sync, ERP accepts the password", {"--sync-once"}, {}, {}, {}, 0},
        {"summary document", {"--print-summary"}, {}, {}, {}, 0},
        {"summary document, ERP refuses the password", {"--print-summary"}, kWrongErpPassword, {}, {}, 1},
        {"store, wrong password", {"--store-once"}, {}, {}, kWrongStorePassword, 1},
        {"store, database the user may not use", {"--store-once"}, {}, kWrongStoreDatabase, {}, 1},
        {"store, missing table", {"--store-once"}, {}, {}, {}, 1},
        {"store, working", {"--store-once"}, {}, {}, {}, 0},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.name);
        storeCredentials(r.storeDatabase.isEmpty() ? store->database() : r.storeDatabase,
                         r.storePassword.isEmpty() ? store->password() : r.storePassword);
        if (QByteArray(r.name) == "store, missing table") store->exec("RENAME TABLE pedido_loja TO pedido_antigo");
        FormHarness h;
        velorix::testing::writePanelSettings(h, panel, appIniExtra());
        h.write("Banco.ini", bancoIni(r.erpPassword.isEmpty() ? erp().password() : r.erpPassword).toUtf8());
        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", runtime.path());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(VELORIX_EXE, r.args + QStringList{"--dir", h.dir.path()});
        ASSERT_TRUE(p.waitForFinished(kWaitMs));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QString err = QString::fromUtf8(p.readAllStandardError());
        if (QByteArray(r.name) == "store, missing table") store->exec("RENAME TABLE pedido_antigo TO pedido_loja");
        EXPECT_EQ(p.exitCode(), r.exitCode) << out.toStdString() << err.toStdString();
        expectClean("stdout", out);
        expectClean("stderr", err);
        // The failures are still explained: the connection's message, the names hidden.
        if (!r.storePassword.isEmpty() || !r.storeDatabase.isEmpty()) {
            EXPECT_TRUE(err.contains("Erro de conexão com o banco de dados do servidor Access denied for user '***'@"))
                << err.toStdString();
        }
        if (QByteArray(r.name) == "store, missing table") {
            EXPECT_TRUE(err.contains("'***.pedido_loja'")) << err.toStdString();
        }
        if (r.erpPassword == kWrongErpPassword) {
            EXPECT_TRUE((out + err).contains("Falha ao conectar Banco Local")) << (out + err).toStdString();
        }
    }
}

TEST_F(Secrets, StayOutOfTheLogTheErrorDisplayAndTheMessageBoxes) {
    QStringList shown;  // every activity-log line, also those a successful cycle clears again
    auto watch = [&](FormHarness& h) {
        QObject::connect(h.form.get(), &TForm1::logLine, [&](const QString& line) { shown << line; });
    };
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    {
        // The ERP refuses the password: start-up, a window shown, a cycle, the store watch.
        FormHarness h;
        velorix::testing::writePanelSettings(h, panel, appIniExtra());
        h.write("Banco.ini", bancoIni(kWrongErpPassword).toUtf8());
        storeCredentials(store->database(), store->password());
        h.build();
        watch(h);
        TForm1& f = *h.form;
        f.FormCreate();
        f.guarded([&] { f.FormShow(); });
        f.cxBtn_syncClick();
        f.FTimeRemaining = 1;
        f.Timer1Timer();
        f.Timer1.stop();
        for (const QString& s : h.fakes.errors->shown + h.fakes.messageBox->asked) shown << s;
        for (const auto& [title, text] : h.fakes.tray->balloons) shown << title << text;
    }
    {
        // The ERP accepts it; the unlock code typed wrong and right; the store refusing its
        // password, refusing the database, missing a table, and working; the panel refusing.
        FormHarness h;
        velorix::testing::writePanelSettings(h, panel, appIniExtra());
        h.write("Banco.ini", bancoIni(erp().password()).toUtf8());
        storeCredentials(store->database(), kWrongStorePassword);
        h.build();
        watch(h);
        TForm1& f = *h.form;
        f.FormCreate();
        for (const char* typed : {"7", "730", "7305", "7304", "73041", "7304"}) {
            f.editSenha.Text = QString::fromLatin1(typed);
            f.editSenhaChange();
        }
        ASSERT_TRUE(f.cxButton_enviar_empresa.Enabled);
        f.guarded([&] { f.btn_ligarClick(); });
        f.guarded([&] { f.FormShow(); });
        f.cxBtn_syncClick();
        Answer refused;
        refused.status = 500;
        refused.body = "erro";
        panel.setAnswer("/app.php", refused);
        f.cxBtn_syncClick();
        panel.clearAnswers();
        auto storeTick = [&] {
            f.FTimeRemaining = 1;
            f.Timer1Timer();
            f.Timer1.stop();
        };
        storeTick();
        storeCredentials(kWrongStoreDatabase, store->password());
        f.lercatalogo();
        storeTick();
        storeCredentials(store->database(), store->password());
        f.lercatalogo();
        store->exec("RENAME TABLE pedido_loja TO pedido_antigo");
        storeTick();
        store->exec("RENAME TABLE pedido_antigo TO pedido_loja");
        store->exec("RENAME TABLE produto_estoque TO estoque_antigo");
        storeTick();
        store->exec("RENAME TABLE estoque_antigo TO produto_estoque");
        storeTick();
        EXPECT_EQ(f.produtosEnviados, 1);
        f.guarded([&] { f.cxButton_enviar_empresaClick(); });
        f.conexao().close();
        const QStringList errors = h.fakes.errors->shown;
        // Four store failures were shown (three watches, one push), each still saying what went wrong.
        ASSERT_EQ(errors.filter("banco de dados do servidor").size(), 3) << errors.join('\n').toStdString();
        EXPECT_EQ(errors.filter("Access denied for user '***'@").size(), 2) << errors.join('\n').toStdString();
        EXPECT_EQ(errors.filter("'***.pedido_loja'").size(), 1) << errors.join('\n').toStdString();
        EXPECT_EQ(errors.filter(QRegularExpression("^Erro  .*'\\*\\*\\*\\.produto_estoque'")).size(), 1)
            << errors.join('\n').toStdString();
        for (const QString& s : errors + h.fakes.messageBox->asked) shown << s;
        for (const auto& [title, text] : h.fakes.tray->balloons) shown << title << text;
    }
    const QString out = QString::fromStdString(::testing::internal::GetCapturedStdout());
    const QString err = QString::fromStdString(::testing::internal::GetCapturedStderr());
    EXPECT_GT(shown.size(), 10);
    expectClean("the log, error display, message boxes and balloons", shown.join('\n'));
    expectClean("stdout", out);
    expectClean("stderr", err);
}

}  // namespace
