// The ten table-like detail uploads against a real ERP database and the panel stand-in over HTTPS.
#include "PanelSettings.h"
#include "ErpFixture.h"
#include "FormHarness.h"
#include "summary/FormClient.h"
#include "tools/panel/PanelServer.h"
#include "uploads/DetailUploads.h"

#include <gtest/gtest.h>

using namespace velorix;
using velorix::panel::Answer;
using velorix::panel::PanelServer;
using velorix::testing::ErpFixture;

namespace {

const QString kCnpj = "12345678000199";
const QString kCafe = QStringLiteral("Café \"Especial\" 1/2 kg\tmoído");

// One seeded database for the suite (creating one takes seconds); the tests only read it.
class DetailUploads : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        erp = ErpFixture::create("uploads");
        seed(*erp);
    }
    static void TearDownTestSuite() { erp.reset(); }

    void SetUp() override {
        ASSERT_TRUE(erp);
        // An upload in March: the profit list's month text comes from the clock.
        velorix::testing::startOverErpAndPanel(h, panel, *erp, QDateTime(QDate(2025, 3, 10), QTime(10, 0)));
        form().DataInicio = QDateTime(QDate(2025, 1, 1), QTime(0, 0));
        form().DataFim = QDateTime(QDate(2025, 1, 31), QTime(0, 0));
    }

    void TearDown() override {
        if (h.form) h.form->conexao().close();
    }

    TForm1& form() { return *h.form; }
    QStringList log() { return form().Memo_log.lines(); }
    static std::string path(const char* file) { return "/painel/" + kCnpj.toStdString() + "/" + file; }

    // Rows for every routine: inside the period, on its bounds, outside it, and rows each
    // statement must leave out.
    static void seed(ErpFixture& e) {
        e.insert("empresa", {{"codigo", 1}, {"cnpj", kCnpj}, {"fantasia", "Loja"}, {"razao", "Loja Ltda"}});
        e.insert("produto", {{"codigo", 10}, {"descricao", kCafe}});
        e.insert("produto", {{"codigo", 11}, {"descricao", QStringLiteral("Pão francês")}});
        e.insert("forma_pagamento", {{"codigo", 1}, {"descricao", "Dinheiro"}});
        e.insert("forma_pagamento", {{"codigo", 2}, {"descricao", QStringLiteral("Cartão/Crédito")}});
        e.insert("forma_pagamento", {{"codigo", 3}, {"descricao", "Fiado"}});

        auto sale = [&](int codigo, QDate d, QVariant hora, const char* situacao, double total, QVariant flag) {
            e.insert("vendas_master", {{"codigo", codigo}, {"data_emissao", d}, {"hora", hora},
                                       {"situacao", situacao}, {"total", total}, {"flag_nfce", flag}});
        };
        sale(1, QDate(2025, 1, 31), QTime(8, 5, 9), "F", 89.90, "S");
        sale(2, QDate(2025, 1, 1), QVariant(), "C", 100.00, QVariant());
        sale(3, QDate(2025, 1, 15), QTime(9, 0), "X", 10, "N");
        sale(4, QDate(2025, 1, 15), QTime(9, 30), "F", 0, "N");
        sale(5, QDate(2025, 2, 1), QTime(10, 0), "F", 50, "N");
        sale(6, QDate(2024, 12, 31), QTime(23, 59, 59), "F", 50, "N");
        sale(8, QDate(2025, 1, 31), QTime(23, 59, 59), "F", 5, "N");

        auto line = [&](int venda, int produto, double qtd, double total, double custo) {
            e.insert("vendas_detalhe", {{"fkvenda", venda}, {"id_produto", produto}, {"qtd", qtd}, {"total", total},
                                        {"pr_custo", custo}, {"situacao", "F"}});
        };
        line(1, 10, 2, 60.00, 20);
        line(1, 10, 1, 29.90, 15);
        line(1, 10, 1, 0, 0);       // a free sample
        line(2, 11, 1, 100.00, 40);  // cancelled sale
        line(4, 11, 1, 0, 5);        // the only line of a zero-total day
        line(8, 11, 1, 3, 1);        // a sale without payment lines
        line(8, 11, 1, 2, 1);
        line(5, 10, 1, 50, 10);      // outside the period

        auto pay = [&](int codigo, int venda, int forma, const char* tipo, double total) {
            e.insert("vendas_fpg", {{"codigo", codigo}, {"vendas_master", venda}, {"id_forma", forma}, {"tipo", tipo},
                                    {"situacao", "F"}, {"valor", total}, {"total", total}});
        };
        pay(101, 1, 1, "D", 50.00);
        pay(102, 1, 2, "C", 39.90);
        pay(105, 1, 3, "T", 10.00);  // on account
        pay(103, 2, 1, "D", 100.00);
        pay(104, 4, 1, "D", 0);
        pay(106, 5, 1, "D", 50.00);
        e.insert("nfce_master", {{"situacao", "T"}, {"total", 89.90}, {"data_emissao", QDate(2025, 1, 31)}, {"fk_venda", 1}});
        e.insert("nfce_master", {{"situacao", "C"}, {"total", 100}, {"data_emissao", QDate(2025, 1, 1)}, {"fk_venda", 2}});

        auto nfe = [&](int codigo, QVariant nome, const char* situacao, double total, QDate d, QVariant importou) {
            e.insert("nfe_master", {{"codigo", codigo}, {"numero", 1000 + codigo}, {"nome", nome}, {"situacao", situacao},
                                    {"total", total}, {"data_emissao", d}, {"importou", importou}});
        };
        nfe(1, QStringLiteral("José da Silva"), "2", 1500.50, QDate(2025, 1, 10), "N");
        nfe(2, "", "2", 100.00, QDate(2025, 1, 31), "S");
        nfe(3, "Sem importou", "2", 10, QDate(2025, 1, 10), QVariant());
        nfe(4, "Devolvida", "2", 10, QDate(2025, 1, 10), "D");
        nfe(5, "Cancelada", "3", 10, QDate(2025, 1, 10), "N");
        nfe(6, "Fevereiro", "2", 10, QDate(2025, 2, 1), "N");

        e.insert("pessoa", {{"codigo", 1}, {"razao", "Cliente"}});
        e.insert("vendedores", {{"codigo", 1}, {"nome", "Vendedor"}});
        auto bill = [&](const char* table, int codigo, QVariant doc, QVariant historico, QDate venc, double valor,
                        const char* situacao) {
            e.insert(table, {{"codigo", codigo}, {"doc", doc}, {"historico", historico}, {"dtvencimento", venc},
                             {"valor", valor}, {"situacao", situacao}});
        };
        bill("cpagar", 3, QVariant(), "Aluguel jan/25", QDate(2025, 1, 31), 1200.00, "A");
        bill("cpagar", 1, "NF 55", "Energia", QDate(2025, 1, 1), 350.75, "P");
        bill("cpagar", 2, "NF 56", "Estornada", QDate(2025, 1, 10), 10, "X");
        bill("cpagar", 4, "NF 57", "Fevereiro", QDate(2025, 2, 1), 10, "A");
        bill("cpagar", 5, "NF 58", "Dezembro", QDate(2024, 12, 31), 10, "A");
        // the bounds of the whole history ("Enviar Completo") and just beyond them
        bill("cpagar", 6, "NF 1", "Primeira", QDate(1900, 1, 1), 1, "A");
        bill("cpagar", 7, "NF 9", QStringLiteral("Última"), QDate(9999, 12, 1), 9, "A");
        bill("cpagar", 8, "NF 10", "Depois", QDate(9999, 12, 2), 10, "A");
        bill("cpagar", 9, "NF 0", "Antes", QDate(1899, 12, 31), 0, "A");
        bill("creceber", 2, "123", "Venda a prazo", QDate(2025, 1, 15), 89.90, "A");
        bill("creceber", 1, "122", "Transferida", QDate(2025, 1, 15), 10, "T");
        bill("creceber", 3, "", QVariant(), QDate(2025, 1, 31), 100.00, "R");
        e.exec("UPDATE creceber SET fkcliente = 1, id_vendedor = 1");

        auto purchase = [&](int id, QVariant nota, QDate d, const char* status, double total) {
            e.insert("compra", {{"id", id}, {"nr_nota", nota}, {"dtemissao", d}, {"status", status}, {"total", total}});
        };
        purchase(1, 5001, QDate(2025, 1, 5), "F", 250.00);
        purchase(2, 5002, QDate(2025, 1, 5), "A", 250.00);
        purchase(3, 5003, QDate(2025, 1, 5), "F", 0);
        purchase(4, QVariant(), QDate(2025, 1, 31), "P", 0.5);

        auto serial = [&](int codigo, int produto, QVariant serie, QVariant qtd, const char* situacao, QDate baixa) {
            e.insert("produto_serial", {{"codigo", codigo}, {"id_produto", produto}, {"numero_serie", serie},
                                        {"quantidade", qtd}, {"situacao", situacao}, {"data_baixa", baixa}});
        };
        serial(1, 10, "SN-001", 1.0, "B", QDate(2025, 1, 31));
        serial(2, 10, "SN-002", 1.0, "C", QDate(2025, 1, 20));
        serial(3, 99, QVariant(), QVariant(), "V", QDate(2025, 1, 1));
        serial(4, 11, "SN-004", 2.5, "B", QDate(2025, 2, 1));
    }

    static std::unique_ptr<ErpFixture> erp;
    velorix::testing::FormHarness h;
    PanelServer panel;
};

std::unique_ptr<ErpFixture> DetailUploads::erp;

struct RoutineCase {
    const char* name;
    void (TForm1::*run)();
    const char* file;
    QString successPrefix;
    QString noRowsLine;
    QString failurePrefix;
};

const RoutineCase kRoutines[] = {
    {"TotalVendas", &TForm1::TotalVendas, "api_vendas.php", "VENDAS ", "Nenhum CANCELADOS encontrado.", "CANCELADO "},
    {"TotalVendasFICAL", &TForm1::TotalVendasFICAL, "api_vendas_fiscal.php", "NFE ", "Nenhum VENDA NFE encontrado.", "FISCAL "},
    {"formadepagamento", &TForm1::formadepagamento, "api_forma.php", "FORMA ",
     QStringLiteral("Tabela Forma não fiscal vazia."), ""},
    {"formadepagamento_nfce", &TForm1::formadepagamento_nfce, "api_nfce.php", "nfce ", "Tabela Forma fiscal vazia.", ""},
    {"contasapagar", &TForm1::contasapagar, "api_pagar.php", "A PAGAR ", "Tabela Pagar vazia.", ""},
    {"receber", &TForm1::receber, "api_receber.php", "RECEBER ", "Tabela Pagar Receber.", ""},
    {"lucratividade", &TForm1::lucratividade, "api_lucro.php", "LUCRO", QStringLiteral("Lucro não encontrado."), ""},
    {"produtos_mais", &TForm1::produtos_mais, "api_produto_mais.php", "PRODUTO MAIS ", "Nenhum Produto encontrado.", "Erro geral: "},
    {"compras", &TForm1::compras, "api_compras.php", "COMPRAS ", "Tabela compras vazia.", ""},
    {"Qualidade", &TForm1::Qualidade, "api_qualidade.php", "QUALDIDADE ", "Nenhum Qualidade encontrado.", "Erro na QUALIDADE "},
};

TEST_F(DetailUploads, EachRoutinePostsItsExactBody) {
    const std::map<std::string, std::string> expected = {
        {"TotalVendas",
         R"({"vendas":[)"
         R"({"codigo":"1","fk_venda":"S","descricao":"08:05:09","data_emissao":"2025-01-31 00:00:00","valor":89.9,"situacao":"F"},)"
         R"({"codigo":"2","fk_venda":"","descricao":"00:00:00","data_emissao":"2025-01-01 00:00:00","valor":100,"situacao":"C"},)"
         R"({"codigo":"8","fk_venda":"N","descricao":"23:59:59","data_emissao":"2025-01-31 00:00:00","valor":5,"situacao":"F"}]})"},
        {"TotalVendasFICAL",
         "{\"venda_nfe\":["
         "{\"codigo\":\"1001\",\"data_emissao\":\"2025-01-10 00:00:00\",\"total\":1500.5,\"situacao\":\"Jos\xC3\xA9 da Silva\"},"
         "{\"codigo\":\"1002\",\"data_emissao\":\"2025-01-31 00:00:00\",\"total\":100,\"situacao\":\"\"}]}"},
        {"formadepagamento",
         "{\"forma\":["
         "{\"codigo\":\"102\",\"fk_venda\":\"1\",\"data_emissao\":\"2025-01-31 00:00:00\",\"descricao\":\"Cart\xC3\xA3o\\/Cr\xC3\xA9" "dito\",\"valor\":39.9,\"situacao\":\"F\"},"
         "{\"codigo\":\"101\",\"fk_venda\":\"1\",\"data_emissao\":\"2025-01-31 00:00:00\",\"descricao\":\"Dinheiro\",\"valor\":50,\"situacao\":\"F\"}]}"},
        {"formadepagamento_nfce",
         "{\"nfce\":["
         "{\"codigo\":\"102\",\"data_emissao\":\"2025-01-31 00:00:00\",\"descricao\":\"Cart\xC3\xA3o\\/Cr\xC3\xA9" "dito\",\"valor\":39.9,\"situacao\":\"F\"},"
         "{\"codigo\":\"101\",\"data_emissao\":\"2025-01-31 00:00:00\",\"descricao\":\"Dinheiro\",\"valor\":50,\"situacao\":\"F\"}]}"},
        {"contasapagar",
         R"({"pagar":[)"
         R"({"codigo":"1","fk_venda":"NF 55","data_emissao":"2025-01-01 00:00:00","descricao":"Energia","valor":350.75,"situacao":"P"},)"
         R"({"codigo":"3","fk_venda":"","data_emissao":"2025-01-31 00:00:00","descricao":"Aluguel jan\/25","valor":1200,"situacao":"A"}]})"},
        {"receber",
         R"({"receber":[)"
         R"({"codigo":"2","fk_venda":"123","data_emissao":"2025-01-15 00:00:00","descricao":"Venda a prazo","valor":89.9,"situacao":"A"},)"
         R"({"codigo":"3","fk_venda":"","data_emissao":"2025-01-31 00:00:00","descricao":"","valor":100,"situacao":"R"}]})"},
        // Each sale line counts once per payment line that is not on account; the margin is the
        // data layer's text with the regional decimal mark; a zero-total day has an empty margin.
        {"lucratividade",
         R"({"lucro":[)"
         R"({"fk_venda":"60","descricao":"032025","data_emissao":"2025-01-01 00:00:00","valor":60},)"
         R"({"fk_venda":"","descricao":"032025","data_emissao":"2025-01-15 00:00:00","valor":-5},)"
         R"({"fk_venda":"38,8209121","descricao":"032025","data_emissao":"2025-01-31 00:00:00","valor":69.8}]})"},
        {"produtos_mais",
         "{\"produto_mais\":["
         "{\"codigo\":\"10\",\"fk_venda\":\"3\",\"descricao\":\"Caf\xC3\xA9 \\\"Especial\\\" 1\\/2 kg\\tmo\xC3\xAD" "do\"},"
         "{\"codigo\":\"11\",\"fk_venda\":\"2\",\"descricao\":\"P\xC3\xA3o franc\xC3\xAAs\"},"
         "{\"codigo\":\"11\",\"fk_venda\":\"1\",\"descricao\":\"P\xC3\xA3o franc\xC3\xAAs\"}]}"},
        {"compras",
         R"({"compras":[)"
         R"({"codigo":"1","fk_venda":"5001","data_emissao":"2025-01-05 00:00:00","total":250,"situacao":"F"},)"
         R"({"codigo":"4","fk_venda":"","data_emissao":"2025-01-31 00:00:00","total":0.5,"situacao":"P"}]})"},
        {"Qualidade",
         "{\"qualidade\":["
         "{\"codigo\":\"1\",\"fk_venda\":\"SN-001\",\"descricao\":\"Caf\xC3\xA9 \\\"Especial\\\" 1\\/2 kg\\tmo\xC3\xAD" "do\",\"lote\":\"SN-001\",\"data_emissao\":\"2025-01-31 00:00:00\",\"valor\":1,\"situacao\":\"B\"},"
         "{\"codigo\":\"3\",\"fk_venda\":\"\",\"descricao\":\"\",\"lote\":\"\",\"data_emissao\":\"2025-01-01 00:00:00\",\"valor\":0,\"situacao\":\"V\"}]}"},
    };
    for (const RoutineCase& c : kRoutines) {
        SCOPED_TRACE(c.name);
        panel.clear();
        form().clearLog();
        Answer a;
        a.body = std::string("recebido ") + c.name;
        panel.setAnswer(path(c.file), a);
        (form().*c.run)();
        EXPECT_EQ(log(), QStringList{c.successPrefix + "recebido " + c.name});
        const auto reqs = panel.requests();
        ASSERT_EQ(reqs.size(), 1u);
        const auto& r = reqs[0];
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.path, path(c.file));
        EXPECT_EQ(r.header("Content-Type"), "application/json; charset=utf-8");
        EXPECT_EQ(r.header("User-Agent"), "Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
        EXPECT_EQ(r.headerCount("Expect"), 0u);
        EXPECT_EQ(r.body, expected.at(c.name));
    }
    // Everything is read before the request goes out; no transaction is left behind.
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(DetailUploads, AnEmptyPeriodLogsTheNoRowsLineAndPostsNothing) {
    form().DataInicio = QDateTime(QDate(2030, 1, 1), QTime(0, 0));
    form().DataFim = QDateTime(QDate(2030, 12, 31), QTime(0, 0));
    for (const RoutineCase& c : kRoutines) {
        SCOPED_TRACE(c.name);
        form().clearLog();
        (form().*c.run)();
        EXPECT_EQ(log(), QStringList{c.noRowsLine});
    }
    EXPECT_TRUE(panel.requests().empty());
}

TEST_F(DetailUploads, ADatabaseFailureEndsInEachRoutinesFailureLine) {
    // The ERP server went away after start-up.
    form().conexao().close();
    for (const RoutineCase& c : kRoutines) {
        SCOPED_TRACE(c.name);
        form().clearLog();
        (form().*c.run)();
        const QStringList lines = log();
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines[0].startsWith(c.failurePrefix)) << lines[0].toStdString();
        EXPECT_GT(lines[0].size(), c.failurePrefix.size());
        EXPECT_FALSE(lines[0].startsWith(c.successPrefix)) << lines[0].toStdString();
    }
    EXPECT_TRUE(panel.requests().empty());
}

TEST_F(DetailUploads, OnlyAFinal2xxIsSuccessAndFailuresLogTheirMessage) {
    const std::string base = panel.url("");
    const std::string vendas = path("api_vendas.php");
    const std::string compras = path("api_compras.php");
    struct Case {
        const char* name;
        std::function<void()> arrange;
        bool success;
        QString message;  // the whole text behind the prefix, when known
        size_t requests;
    } cases[] = {
        {"500", [&] { Answer a; a.status = 500; a.body = "OK"; panel.setAnswer(vendas, a); panel.setAnswer(compras, a); },
         false, "HTTP/1.1 500 Internal Server Error", 1},
        {"404", [&] { Answer a; a.status = 404; panel.setAnswer(vendas, a); panel.setAnswer(compras, a); },
         false, "HTTP/1.1 404 Not Found", 1},
        {"201 with an error text", [&] { Answer a; a.status = 201; a.body = "erro\r\nno banco"; panel.setAnswer(vendas, a); panel.setAnswer(compras, a); },
         true, "erro\r\nno banco", 1},
        {"redirect to a 200", [&] {
             panel.setAnswer(vendas, Answer::redirect(302, base + "/novo.php"));
             panel.setAnswer(compras, Answer::redirect(301, base + "/novo.php"));
             Answer a; a.body = "movido"; panel.setAnswer("/novo.php", a); },
         true, "movido", 2},
        {"untrusted certificate", [&] { h.form->IdHTTP1().setCaFile(QString()); }, false, {}, 0},
        {"empty endpoint base", [&] { h.form->edtEmpresa.Text.clear(); }, false, {}, 0},
        {"refused connection", [&] { h.form->edtEmpresa.Text = "https://127.0.0.1:1/painel"; }, false, {}, 0},
        {"silent panel", [&] { Answer a; a.neverAnswer = true; panel.setAnswer(vendas, a); panel.setAnswer(compras, a);
                               h.form->detailReadTimeoutMs = 1000; },
         false, {}, 1},
    };
    const struct {
        void (TForm1::*run)();
        QString success, failure;
        std::string path;
    } routines[] = {{&TForm1::TotalVendas, "VENDAS ", "CANCELADO ", vendas}, {&TForm1::compras, "COMPRAS ", "", compras}};
    const QString ca = form().IdHTTP1().caFile();
    const QString endpoint = form().edtEmpresa.Text;
    for (const auto& rt : routines) {
        for (auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " " + rt.path);
            panel.clearAnswers();
            panel.clear();
            form().IdHTTP1().setCaFile(ca);
            form().edtEmpresa.Text = endpoint;
            form().clearLog();
            c.arrange();
            (form().*rt.run)();
            const QStringList lines = log();
            // A body with line breaks is appended as received.
            ASSERT_EQ(lines.size(), c.message.count("\r\n") + 1) << form().Memo_log.Text.toStdString();
            const QString prefix = c.success ? rt.success : rt.failure;
            if (!c.message.isEmpty()) {
                EXPECT_EQ(form().Memo_log.Text, prefix + c.message + "\r\n");
            } else {
                EXPECT_TRUE(lines[0].startsWith(prefix));
                EXPECT_GT(lines[0].size(), prefix.size() + 5) << lines[0].toStdString();
            }
            const auto reqs = panel.requests();
            ASSERT_EQ(reqs.size(), c.requests);
            if (c.requests == 2) {
                // The redirected upload arrives as a POST with its body.
                EXPECT_EQ(reqs[1].method, "POST");
                EXPECT_EQ(reqs[1].path, "/novo.php");
                EXPECT_EQ(reqs[1].body, reqs[0].body);
                EXPECT_FALSE(reqs[1].body.empty());
            }
        }
    }
}

TEST_F(DetailUploads, ProdutosMaisTrapsTheRequestApart) {
    const std::string file = path("api_produto_mais.php");
    form().produtosMaisReadTimeoutMs = 1000;  // instead of 30 s
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QString expectedStart;
        QString exact;
    } cases[] = {
        {"500 with a body", [&] { Answer a; a.status = 500; a.body = "falhou"; panel.setAnswer(file, a); },
         {}, "Erro HTTP: HTTP/1.1 500 Internal Server Error - falhou"},
        {"silent panel", [&] { Answer a; a.neverAnswer = true; panel.setAnswer(file, a); }, "Erro: ", {}},
        {"refused connection", [&] { h.form->edtEmpresa.Text = "https://127.0.0.1:1/painel"; }, "Erro: ", {}},
        {"database failure", [&] { h.form->conexao().close(); }, "Erro geral: ", {}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        form().clearLog();
        c.arrange();
        form().produtos_mais();
        const QStringList lines = log();
        ASSERT_EQ(lines.size(), 1);
        if (!c.exact.isEmpty()) {
            EXPECT_EQ(lines[0], c.exact);
        } else {
            EXPECT_TRUE(lines[0].startsWith(c.expectedStart)) << lines[0].toStdString();
            EXPECT_GT(lines[0].size(), c.expectedStart.size() + 5) << lines[0].toStdString();
            EXPECT_FALSE(lines[0].startsWith("Erro HTTP: ")) << lines[0].toStdString();
        }
    }
}

TEST_F(DetailUploads, AListCutShortByAFetchErrorIsNotPosted) {
    // The first rows fetch, the fourth fails on the server (division by zero).
    DetailRoutine r;
    r.statement = "SELECT id, 1 / (id - 4) AS valor FROM compra WHERE dtemissao BETWEEN :data1 AND :data2";
    r.listKey = "compras";
    r.endpointFile = "api_compras.php";
    r.fields = {{"codigo", "id", Conversion::Text}, {"valor", "valor", Conversion::Number}};
    r.successPrefix = "COMPRAS ";
    r.noRowsLine = "Tabela compras vazia.";
    RunDetailUpload(form(), r);
    const QStringList lines = log();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains("divi", Qt::CaseInsensitive)) << lines[0].toStdString();
    EXPECT_TRUE(panel.requests().empty());
}

TEST_F(DetailUploads, TheCycleSendsTheWholeHistoryGroupByGroup) {
    form().chkPagareReceber.Checked = true;
    form().chkQualidade.Checked = true;
    form().chkVendasApp.Checked = true;
    form().chkPeriodo.Checked = true;  // "Enviar Completo"
    form().MaskInicio.Date = QDateTime(QDate(2025, 1, 1), QTime(0, 0));
    form().MaskFim.Date = QDateTime(QDate(2025, 1, 31), QTime(0, 0));
    h.fakes.connectivity->online = true;
    form().cxBtn_syncClick();

    std::vector<std::string> paths;
    std::string pagar;
    for (const auto& r : panel.requests()) {
        paths.push_back(r.path);
        if (r.path == path("api_pagar.php")) pagar = r.body;
    }
    const std::vector<std::string> order = {
        "/app.php",
        path("api_pagar.php"), path("api_receber.php"),
        path("api_produto_mais.php"), path("api_qualidade.php"), path("api_compras.php"),
        path("api_abertura_caixa.php"), path("api_lucro.php"), path("api_nfce.php"), path("api_forma.php"), path("api_vendas.php"),
        path("api_vendas_fiscal.php"),
    };
    EXPECT_EQ(paths, order);
    // From 1 January 1900 to 1 December 9999, both days included.
    EXPECT_EQ(pagar,
              R"({"pagar":[)"
              R"({"codigo":"1","fk_venda":"NF 55","data_emissao":"2025-01-01 00:00:00","descricao":"Energia","valor":350.75,"situacao":"P"},)"
              R"({"codigo":"3","fk_venda":"","data_emissao":"2025-01-31 00:00:00","descricao":"Aluguel jan\/25","valor":1200,"situacao":"A"},)"
              R"({"codigo":"4","fk_venda":"NF 57","data_emissao":"2025-02-01 00:00:00","descricao":"Fevereiro","valor":10,"situacao":"A"},)"
              R"({"codigo":"5","fk_venda":"NF 58","data_emissao":"2024-12-31 00:00:00","descricao":"Dezembro","valor":10,"situacao":"A"},)"
              R"({"codigo":"6","fk_venda":"NF 1","data_emissao":"1900-01-01 00:00:00","descricao":"Primeira","valor":1,"situacao":"A"},)"
              "{\"codigo\":\"7\",\"fk_venda\":\"NF 9\",\"data_emissao\":\"9999-12-01 00:00:00\",\"descricao\":\"\xC3\x9altima\",\"valor\":9,\"situacao\":\"A\"}]}");
    // The cycle ends with an emptied log.
    EXPECT_TRUE(log().isEmpty()) << form().Memo_log.Text.toStdString();
    EXPECT_EQ(form().balloonText, QStringLiteral("Nova sincronização :)"));
}

}  // namespace
