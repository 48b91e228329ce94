// The cash register movement upload against a real ERP database and the panel stand-in.
#include "PanelSettings.h"
#include "ErpFixture.h"
#include "FormHarness.h"
#include "summary/FormClient.h"
#include "tools/panel/PanelServer.h"

#include <gtest/gtest.h>

using namespace velorix;
using velorix::panel::Answer;
using velorix::panel::PanelServer;
using velorix::testing::ErpFixture;

namespace {

const char* const kPath = "/painel/12345678000199/api_abertura_caixa.php";

class CashMovement : public ::testing::Test {
protected:
    void SetUp() override {
        erp = ErpFixture::create("caixa");
        erp->insert("empresa", {{"codigo", 1}, {"cnpj", "12345678000199"}, {"fantasia", "Loja"}, {"razao", "Loja Ltda"}});
        erp->insert("usuarios", {{"codigo", 1}, {"login", "maria"}});
        erp->insert("usuarios", {{"codigo", 2}, {"login", QStringLiteral("jo\"ão\\")}});
        // Neither a closed register nor an open account of another type is listed.
        erp->insert("contas", {{"codigo", 7}, {"descricao", "Fechado"}, {"data_abertura", QDate(2025, 1, 2)},
                               {"id_usuario", 1}, {"lote", 7}, {"tipo", "S"}, {"situacao", "F"}});
        erp->insert("contas", {{"codigo", 8}, {"descricao", "Banco"}, {"data_abertura", QDate(2025, 1, 2)},
                               {"id_usuario", 1}, {"lote", 8}, {"tipo", "B"}, {"situacao", "A"}});
        panel.start();
        velorix::testing::writePanelSettings(h, panel);
        h.write("Banco.ini", erp->bancoIni().toUtf8());
        h.make();
        form().clearLog();
        // The sync period plays no part.
        form().DataInicio = QDateTime(QDate(2030, 1, 1), QTime(0, 0));
        form().DataFim = QDateTime(QDate(2030, 1, 1), QTime(0, 0));
    }

    void TearDown() override {
        if (h.form) h.form->conexao().close();
    }

    // Register 1 opened on 31 January 2025 at 08:05:09 with takings; register 2 without an
    // opening movement or date, and a login that needs escaping.
    void twoOpenRegisters() {
        auto& e = *erp;
        e.insert("contas", {{"codigo", 1}, {"descricao", "Caixa 1"}, {"data_abertura", QDate(2025, 1, 31)},
                            {"id_usuario", 1}, {"lote", 10}, {"tipo", "S"}, {"situacao", "A"}});
        e.insert("contas", {{"codigo", 2}, {"descricao", "Caixa 2"}, {"data_abertura", QVariant()},
                            {"id_usuario", 2}, {"lote", 20}, {"tipo", "S"}, {"situacao", "A"}});
        e.insert("contas_movimento", {{"lote", 10}, {"id_usuario", 1}, {"hora", QTime(8, 5, 9)},
                                      {"historico", "ABERTURA DE CAIXA"}, {"entrada", 100.00}, {"saida", 0}});
        e.insert("contas_movimento", {{"lote", 10}, {"id_usuario", 1}, {"hora", QTime(11, 0)},
                                      {"historico", "SANGRIA"}, {"entrada", 0}, {"saida", 30.00}});
        e.insert("vendas_master", {{"codigo", 1}, {"data_emissao", QDate(2025, 1, 31)}, {"situacao", "F"},
                                   {"total", 85.50}, {"lote", 10}, {"fk_caixa", 1}, {"fk_usuario", 1}});
        auto pay = [&](int codigo, const char* tipo, double valor) {
            e.insert("vendas_fpg", {{"codigo", codigo}, {"vendas_master", 1}, {"id_forma", 1}, {"tipo", tipo},
                                    {"situacao", "F"}, {"valor", valor}, {"total", valor}});
        };
        pay(1, "D", 50.00);
        pay(2, "C", 25.50);
        pay(3, "I", 10.00);
    }

    TForm1& form() { return *h.form; }
    QStringList log() { return form().Memo_log.lines(); }

    velorix::testing::FormHarness h;
    PanelServer panel;
    std::unique_ptr<ErpFixture> erp;
};

TEST_F(CashMovement, NoOpenRegisterStillPostsAnEmptyList) {
    form().consultarMovimentacaoCaixa();
    EXPECT_EQ(log(), QStringList{"CAIXA : OK"});
    const auto reqs = panel.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].path, kPath);
    EXPECT_EQ(reqs[0].body, R"({"movimentacao": []})");
}

TEST_F(CashMovement, TwoOpenRegistersAreJoinedByOneComma) {
    twoOpenRegisters();
    Answer a;
    a.body = "gravado";
    panel.setAnswer(kPath, a);
    form().consultarMovimentacaoCaixa();
    EXPECT_EQ(log(), QStringList{"CAIXA : gravado"});
    const auto reqs = panel.requests();
    ASSERT_EQ(reqs.size(), 1u);
    const auto& r = reqs[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, kPath);
    EXPECT_EQ(r.header("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(r.header("User-Agent"), "Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
    EXPECT_EQ(r.body,
              "{\"movimentacao\": ["
              "{\"usuario\": \"maria\", \"horaAbertura\": \"08:05:09\", \"dataAbertura\": \"2025-01-31\", "
              "\"saldoInicial\": 100.00, \"saldoAtual\": 70.00, \"Entradas\": 100.00, \"saidas\": 30.00, "
              "\"dinheiro\": 50.00, \"credito\": 25.50, \"debito\": 0.00, \"cheque\": 0.00, \"convenio\": 0.00, "
              "\"vRefeicao\": 0.00, \"vCombustivel\": 10.00 },"
              "{\"usuario\": \"jo\\\"\xC3\xA3o\\\\\", \"horaAbertura\": \"00:00:00\", \"dataAbertura\": \"1899-12-30\", "
              "\"saldoInicial\": 0.00, \"saldoAtual\": 0.00, \"Entradas\": 0.00, \"saidas\": 0.00, "
              "\"dinheiro\": 0.00, \"credito\": 0.00, \"debito\": 0.00, \"cheque\": 0.00, \"convenio\": 0.00, "
              "\"vRefeicao\": 0.00, \"vCombustivel\": 0.00 }"
              "]}");
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(CashMovement, TheTwoTrapsLogTheirOwnLines) {
    Answer a;
    a.status = 500;
    panel.setAnswer(kPath, a);
    form().consultarMovimentacaoCaixa();
    EXPECT_EQ(log(), QStringList{"Erro CAIXA: HTTP/1.1 500 Internal Server Error"});

    form().clearLog();
    panel.clear();
    form().conexao().close();
    form().consultarMovimentacaoCaixa();
    const QStringList lines = log();
    ASSERT_EQ(lines.size(), 1);
    const QString prefix = QStringLiteral("Erro geral ao consultar movimentação de caixa: ");
    EXPECT_TRUE(lines[0].startsWith(prefix)) << lines[0].toStdString();
    EXPECT_GT(lines[0].size(), prefix.size());
    EXPECT_TRUE(panel.requests().empty());
}

}  // namespace
