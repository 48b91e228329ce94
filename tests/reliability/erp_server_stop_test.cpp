// The ERP's Firebird server stopped under the program (a private server instance, never the shared
// one): after start-up, in the middle of a summary build and in the middle of the detail uploads.
// Each time the cycle logs the error and goes on without a crash, and once the server is back the
// next cycle works. And whatever a cycle ends in, it leaves no transaction open on the ERP.
#include "ErpFixture.h"
#include "FormHarness.h"
#include "PanelSettings.h"
#include "PrivateFirebird.h"
#include "tools/panel/PanelServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>

using namespace velorix;
using velorix::panel::PanelServer;
using velorix::panel::RecordedRequest;
using velorix::testing::ErpFixture;
using velorix::testing::PrivateFirebird;

namespace {

const QString kCnpj = "12345678000199";
const QString kFailedBuild = "Falha ao Criar JSON - 31/01/2025 10:00:00";

// The platform clock, with a callback on its n-th reading: the metric functions read it once per
// figure, so a reading number is a point inside the summary build.
class HookClock : public Clock {
public:
    QDateTime now() const override {
        if (hook_ && ++calls_ == at_) {
            auto hook = std::move(hook_);
            hook_ = nullptr;
            hook();
        }
        return t_;
    }
    void set(const QDateTime& t) { t_ = t; }
    void armAt(int n, std::function<void()> hook) {
        calls_ = 0;
        at_ = n;
        hook_ = std::move(hook);
    }

private:
    QDateTime t_;
    mutable int calls_ = 0;
    int at_ = 0;
    mutable std::function<void()> hook_;
};

// The list uploads of "Vendas APP", in the order the cycle runs them, with their log prefixes.
struct Routine {
    const char* file;
    QString success;  // followed by the panel's answer
    QString failure;  // followed by the error; empty: the error alone
};
const Routine kVendasApp[] = {
    {"api_abertura_caixa.php", "CAIXA : ", QStringLiteral("Erro geral ao consultar movimentação de caixa: ")},
    {"api_lucro.php", "LUCRO", ""},
    {"api_nfce.php", "nfce ", ""},
    {"api_forma.php", "FORMA ", ""},
    {"api_vendas.php", "VENDAS ", "CANCELADO "},
    {"api_vendas_fiscal.php", "NFE ", "FISCAL "},
};

std::string detailPath(const char* file) { return "/painel/" + kCnpj.toStdString() + "/" + file; }

velorix::panel::Answer answer(int status, const char* body) {
    velorix::panel::Answer a;
    a.status = status;
    a.body = body;
    return a;
}

bool isDetail(const RecordedRequest& r) { return r.path.rfind("/painel/", 0) == 0; }

// The "json" field of a summary upload's form body.
QString jsonField(const std::string& body) {
    for (const QByteArray& pair : QByteArray::fromStdString(body).split('&')) {
        if (!pair.startsWith("json=")) continue;
        QByteArray v = pair.mid(5);
        v.replace('+', ' ');
        return QString::fromUtf8(QByteArray::fromPercentEncoding(v));
    }
    return QStringLiteral("<no json field>");
}

class ErpServerStops : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        try {
            fb = std::make_unique<PrivateFirebird>();
            erp = ErpFixture::create(fb->server(), "server_stops");
            seed(*erp);
        } catch (const std::exception& e) {
            setupError = e.what();
            erp.reset();
        }
    }
    static void TearDownTestSuite() {
        erp.reset();
        fb.reset();
    }

    // One sale of January 2025 seen by every list of "Vendas APP" and by the summary document.
    static void seed(ErpFixture& e) {
        e.insert("empresa", {{"codigo", 1}, {"cnpj", kCnpj}, {"fantasia", "Loja"}, {"razao", "Loja Ltda"}});
        e.insert("produto", {{"codigo", 10}, {"descricao", "Cafe"}});
        e.insert("forma_pagamento", {{"codigo", 1}, {"descricao", "Dinheiro"}});
        e.insert("usuarios", {{"codigo", 1}, {"login", "maria"}});
        e.insert("vendas_master", {{"codigo", 1}, {"data_emissao", QDate(2025, 1, 15)}, {"hora", QTime(9, 0)},
                                   {"situacao", "F"}, {"total", 10.0}, {"fk_usuario", 1}});
        e.insert("vendas_detalhe", {{"fkvenda", 1}, {"id_produto", 10}, {"qtd", 1.0}, {"total", 10.0},
                                    {"pr_custo", 5.0}, {"situacao", "F"}});
        e.insert("vendas_fpg", {{"codigo", 1}, {"vendas_master", 1}, {"id_forma", 1}, {"tipo", "D"},
                                {"situacao", "F"}, {"valor", 10.0}, {"total", 10.0}});
        e.insert("nfce_master", {{"situacao", "T"}, {"total", 10.0}, {"data_emissao", QDate(2025, 1, 15)},
                                 {"fk_venda", 1}});
        e.insert("nfe_master", {{"codigo", 1}, {"numero", 7}, {"nome", "Cliente"}, {"situacao", "2"},
                                {"total", 20.0}, {"data_emissao", QDate(2025, 1, 16)}, {"importou", "N"}});
        e.insert("contas", {{"codigo", 1}, {"descricao", "Caixa 1"}, {"data_abertura", QDate(2025, 1, 15)},
                            {"id_usuario", 1}, {"lote", 10}, {"tipo", "S"}, {"situacao", "A"}});
    }

    void SetUp() override {
        ASSERT_TRUE(erp) << setupError;
        if (!fb->running()) fb->start();
        erp->reconnect();
        panel.start();
        velorix::testing::writePanelSettings(h, panel);
        h.write("Banco.ini", erp->bancoIni().toUtf8());
        clock->set(QDateTime(QDate(2025, 1, 31), QTime(10, 0)));
        Platform p = h.fakes.platform();
        p.clock = clock;
        h.make(p);
        ASSERT_TRUE(form().conexao().connected());
        form().clearLog();
        QObject::connect(h.form.get(), &TForm1::logLine, [this](const QString& line) { lines << line; });
        form().chkPeriodo.Checked = true;
    }

    void TearDown() override {
        setPanelHook(nullptr);
        if (h.form) h.form->conexao().close();
        if (fb && !fb->running()) fb->start();
    }

    TForm1& form() { return *h.form; }

    void setPanelHook(std::function<void(const RecordedRequest&)> hook) {
        std::lock_guard<std::mutex> lock(hookMutex);
        panelHook = std::move(hook);
    }

    // One sync cycle; `lines` and the panel's requests are this cycle's alone.
    void cycle() {
        lines.clear();
        panel.clear();
        form().cxBtn_syncClick();
    }

    std::vector<RecordedRequest> detailRequests() const {
        std::vector<RecordedRequest> out;
        for (const auto& r : panel.requests())
            if (isDetail(r)) out.push_back(r);
        return out;
    }

    QStringList summaryJsonPosted() const {
        QStringList out;
        for (const auto& r : panel.requests())
            if (r.path == "/app.php") out << jsonField(r.body);
        return out;
    }

    // Every list of "Vendas APP" went out with its row and was logged as a success.
    void expectVendasAppPosted() {
        const auto reqs = detailRequests();
        ASSERT_EQ(reqs.size(), std::size(kVendasApp)) << lines.join('\n').toStdString();
        QStringList expected;
        for (size_t i = 0; i < reqs.size(); ++i) {
            EXPECT_EQ(reqs[i].path, detailPath(kVendasApp[i].file));
            EXPECT_NE(reqs[i].body.find("[{"), std::string::npos) << reqs[i].body;
            expected << kVendasApp[i].success + "OK";
        }
        EXPECT_EQ(lines, expected);
    }

    // A summary document that is whole: it parses, and its last member is there.
    static void expectWholeDocument(const QString& doc) {
        QJsonParseError err{};
        const QJsonDocument parsed = QJsonDocument::fromJson(doc.toUtf8(), &err);
        ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString() << "\n" << doc.toStdString();
        EXPECT_TRUE(parsed.object().contains("notasFiscais"));
        EXPECT_TRUE(parsed.object().value("lucrosPresumidos").toObject().contains("relatorioVendas"));
    }

    static std::unique_ptr<PrivateFirebird> fb;
    static std::unique_ptr<ErpFixture> erp;
    static std::string setupError;

    std::shared_ptr<HookClock> clock = std::make_shared<HookClock>();
    QStringList lines;
    std::mutex hookMutex;
    std::function<void(const RecordedRequest&)> panelHook;
    velorix::testing::FormHarness h;
    PanelServer panel{[this] {
        velorix::panel::PanelOptions o;
        o.onRequest = [this](const RecordedRequest& r) {
            std::function<void(const RecordedRequest&)> hook;
            {
                std::lock_guard<std::mutex> lock(hookMutex);
                hook = panelHook;
            }
            if (hook) hook(r);
        };
        return o;
    }()};
};

std::unique_ptr<PrivateFirebird> ErpServerStops::fb;
std::unique_ptr<ErpFixture> ErpServerStops::erp;
std::string ErpServerStops::setupError;

TEST_F(ErpServerStops, AfterStartUpTheCycleLogsTheErrorAndTheCycleAfterTheRestartWorks) {
    for (const bool summary : {false, true}) {
        SCOPED_TRACE(summary ? "summary document" : "detail uploads");
        form().chkEstoqueGeral.Checked = summary;
        form().chkVendasApp.Checked = !summary;
        fb->stop();

        cycle();
        // The summary upload does not need the ERP and still goes out.
        EXPECT_EQ(summaryJsonPosted().size(), 1);
        if (summary) {
            const qsizetype at = lines.indexOf(kFailedBuild);
            ASSERT_GE(at, 0) << lines.join('\n').toStdString();
            ASSERT_EQ(lines.size(), at + 2) << lines.join('\n').toStdString();
            EXPECT_FALSE(lines[at + 1].trimmed().isEmpty());
            EXPECT_TRUE(form().Memo1.Text.isEmpty());
        } else {
            // One failure line per list, each with its own prefix and the error; nothing posted.
            EXPECT_TRUE(detailRequests().empty());
            ASSERT_EQ(lines.size(), qsizetype(std::size(kVendasApp))) << lines.join('\n').toStdString();
            for (size_t i = 0; i < std::size(kVendasApp); ++i) {
                EXPECT_TRUE(lines[i].startsWith(kVendasApp[i].failure)) << lines[i].toStdString();
                EXPECT_FALSE(lines[i].mid(kVendasApp[i].failure.size()).trimmed().isEmpty()) << lines[i].toStdString();
            }
        }
        // The lines say why: the server's own answer to the reopening at the start of the cycle.
        EXPECT_FALSE(form().conexao().ensureOpen());
        const QString why = form().conexao().database().lastError().databaseText().trimmed();
        ASSERT_FALSE(why.isEmpty());
        EXPECT_TRUE(lines.last().endsWith(why)) << lines.last().toStdString() << "\n" << why.toStdString();

        fb->start();
        cycle();
        if (summary) {
            EXPECT_FALSE(lines.contains(kFailedBuild)) << lines.join('\n').toStdString();
            expectWholeDocument(form().Memo1.Text);
        } else {
            expectVendasAppPosted();
        }
    }
}

TEST_F(ErpServerStops, InTheMiddleOfASummaryBuildNoPartOfTheDocumentGoesOutAndTheNextBuildIsWhole) {
    form().chkEstoqueGeral.Checked = true;
    const QString sample = form().Memo1.Text;
    bool stopped = false;
    // Well inside the build: it reads the clock at least once for each of its 181 figures.
    clock->armAt(60, [&] {
        fb->stop();
        stopped = true;
    });

    cycle();
    ASSERT_TRUE(stopped) << "the build read the clock fewer than 60 times";
    EXPECT_EQ(summaryJsonPosted(), QStringList{sample});
    const qsizetype at = lines.indexOf(kFailedBuild);
    ASSERT_GE(at, 0) << lines.join('\n').toStdString();
    ASSERT_EQ(lines.size(), at + 2) << lines.join('\n').toStdString();
    EXPECT_FALSE(lines[at + 1].trimmed().isEmpty());
    // What the figures read before the stop is not kept as a document.
    EXPECT_TRUE(form().Memo1.Text.isEmpty());
    EXPECT_TRUE(form().json.isEmpty());

    fb->start();
    cycle();
    // What the failed build left goes out: the empty text, never a part of a document.
    EXPECT_EQ(summaryJsonPosted(), QStringList{QString()});
    EXPECT_FALSE(lines.contains(kFailedBuild)) << lines.join('\n').toStdString();
    const QString built = form().Memo1.Text;
    expectWholeDocument(built);

    // The next cycle sends that whole document, and builds the same again from the same data.
    cycle();
    EXPECT_EQ(summaryJsonPosted(), QStringList{built});
    EXPECT_EQ(form().Memo1.Text, built);
}

TEST_F(ErpServerStops, InTheMiddleOfTheDetailUploadsTheRestFailWithTheirLinesAndTheNextCycleSendsAll) {
    form().chkVendasApp.Checked = true;
    std::atomic<bool> stopped{false};
    // The server goes away while the first list is on the wire; the lists after it find no server.
    setPanelHook([&](const RecordedRequest& r) {
        if (isDetail(r) && !stopped.exchange(true)) fb->stop();
    });

    cycle();
    ASSERT_TRUE(stopped.load());
    setPanelHook(nullptr);
    const auto reqs = detailRequests();
    ASSERT_EQ(reqs.size(), 1u) << lines.join('\n').toStdString();
    EXPECT_EQ(reqs[0].path, detailPath(kVendasApp[0].file));
    ASSERT_EQ(lines.size(), qsizetype(std::size(kVendasApp))) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[0], kVendasApp[0].success + "OK");
    for (size_t i = 1; i < std::size(kVendasApp); ++i) {
        EXPECT_TRUE(lines[i].startsWith(kVendasApp[i].failure)) << lines[i].toStdString();
        EXPECT_FALSE(lines[i].startsWith(kVendasApp[i].success)) << lines[i].toStdString();
        EXPECT_FALSE(lines[i].mid(kVendasApp[i].failure.size()).trimmed().isEmpty()) << lines[i].toStdString();
    }

    fb->start();
    cycle();
    expectVendasAppPosted();
}

// A long-lived transaction of the program would hold back the ERP's garbage collection for every
// user of the ERP: whatever way a cycle ends, none stays open on the program's attachment.
TEST_F(ErpServerStops, NoTransactionStaysOpenAfterACycleThatWorkedOrFailed) {
    struct Case {
        const char* name;
        bool summary;
        std::function<void(PanelServer&)> panelAnswers;
        bool overflowingSale;  // a sale whose profit overflows: a statement fails mid-cycle
        QString logged;        // a text the cycle's log must hold, so the case really failed
    };
    const auto refuseDetails = [](PanelServer& p) {
        for (const Routine& r : kVendasApp) p.setAnswer(detailPath(r.file), answer(500, "falhou"));
    };
    const Case cases[] = {
        {"summary document built", true, nullptr, false, ""},
        {"detail uploads posted", false, nullptr, false, ""},
        {"summary upload refused", false, [](PanelServer& p) { p.setAnswer("/app.php", answer(200, "0")); }, false,
         "Erro ao enviar os dados."},
        {"detail uploads refused", false, refuseDetails, false, "500"},
        {"a statement fails in the summary build", true, nullptr, true, "Falha ao Criar JSON"},
        {"a statement fails in the detail uploads", false, nullptr, true, "overflow"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        panel.clearAnswers();
        if (c.panelAnswers) c.panelAnswers(panel);
        if (c.overflowingSale) {
            erp->insert("produto", {{"codigo", 99}, {"descricao", "Grande"}, {"pr_custo2", 0.0}});
            erp->insert("vendas_master", {{"codigo", 99}, {"data_emissao", QDate(2025, 1, 20)}, {"situacao", "F"},
                                          {"total", 1.0}});
            erp->insert("vendas_detalhe", {{"fkvenda", 99}, {"id_produto", 99}, {"qtd", 999999999.0}, {"vdesconto", 0.0},
                                           {"preco", 9999999999.0}, {"pr_custo", 99999999999.0},
                                           {"total", 1.0}, {"situacao", "F"}});
            erp->insert("vendas_fpg", {{"codigo", 99}, {"vendas_master", 99}, {"id_forma", 1}, {"tipo", "D"},
                                       {"situacao", "F"}, {"valor", 1.0}, {"total", 1.0}});
        }
        form().chkEstoqueGeral.Checked = c.summary;
        form().chkVendasApp.Checked = !c.summary;
        form().chkSincVendas.Checked = true;

        cycle();
        if (c.overflowingSale) {
            erp->exec("DELETE FROM vendas_fpg WHERE codigo = 99");
            erp->exec("DELETE FROM vendas_detalhe WHERE fkvenda = 99");
            erp->exec("DELETE FROM vendas_master WHERE codigo = 99");
            erp->exec("DELETE FROM produto WHERE codigo = 99");
        }
        if (!c.logged.isEmpty()) {
            EXPECT_TRUE(lines.join('\n').contains(c.logged, Qt::CaseInsensitive)) << lines.join('\n').toStdString();
        }
        // The program's attachment is there, and holds no transaction.
        EXPECT_EQ(erp->attachmentCount(), 1);
        EXPECT_EQ(erp->openTransactionCount(), 0);
    }
}

}  // namespace
