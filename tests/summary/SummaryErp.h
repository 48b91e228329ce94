#pragma once
// A window on a small ERP database (one company, one user, one product sold this month, no cash
// register open) whose texts carry quotes, backslashes, commas and colons, and a panel stand-in
// that the window's settings point at.

#include "FormHarness.h"
#include "tests/support/ErpFixture.h"
#include "tools/panel/PanelServer.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QTime>

namespace velorix::summarytest {

// "Now" for these tests: Friday 14 March 2025, 10:20:30.
inline QDateTime agora() { return QDateTime(QDate(2025, 3, 14), QTime(10, 20, 30)); }

inline const QString kDescricao = QStringLiteral("Feijão \"Carioca\", 1\\2: kg");
inline const QString kLogin = QStringLiteral("Zé \"Gordo\" \\1");

class SummaryErp : public ::testing::Test {
protected:
    void SetUp() override {
        erp = velorix::testing::ErpFixture::create(QStringLiteral("summary"));
        erp->insert("empresa", {{"codigo", 1}, {"cnpj", "12.345.678/0001-AB"}, {"fantasia", "Mercado Sol & Lua"},
                                {"razao", QStringLiteral("Sol e Lua Comércio Ltda")}, {"responsavel_empresa", QStringLiteral("José da Silva")},
                                {"email", "Contato@SolELua.COM.br"}, {"usa_pdv", "S"}});
        erp->insert("usuarios", {{"codigo", 1}, {"login", kLogin}, {"ativo", "S"}});
        erp->insert("produto", {{"codigo", 1}, {"descricao", kDescricao}, {"pr_custo2", 2.00}, {"qtd_atual", 1},
                                {"qtd_min", 5}, {"ativo", "S"}, {"restautante", "S"}});
        erp->insert("vendas_master", {{"codigo", 1}, {"data_emissao", QDate(2025, 3, 10)}, {"hora", QTime(9, 0)},
                                      {"situacao", "F"}, {"total", 30.00}, {"flag_nfce", "N"}, {"fk_usuario", 1}});
        erp->insert("vendas_detalhe", {{"fkvenda", 1}, {"id_produto", 1}, {"qtd", 3}, {"preco", 10.00}, {"vdesconto", 0},
                                       {"total", 30.00}, {"pr_custo", 0}, {"situacao", "F"}});

        panel.start();
        h.write("panel-ca.pem", QByteArray::fromStdString(panel.certificatePem()));
        h.write("Banco.ini", erp->bancoIni().toUtf8());
        h.write("app.ini", "[config]\r\nemail=loja@exemplo.com.br\r\napi=" + QByteArray::fromStdString(panel.url("/app.php")) +
                               "\r\napi2=" + QByteArray::fromStdString(panel.url("/app2.php")) +
                               "\r\ncertificado_ca=" + h.path("panel-ca.pem").toUtf8() + "\r\n");
        h.make();
        ASSERT_TRUE(f().conexao().connected()) << f().Memo_log.Text.toStdString();
        h.fakes.clock->set(agora());
        f().clearLog();
    }

    void TearDown() override { h.form.reset(); }

    TForm1& f() { return *h.form; }
    QStringList log() const { return h.form->Memo_log.lines(); }

    std::unique_ptr<velorix::testing::ErpFixture> erp;
    velorix::panel::PanelServer panel;
    velorix::testing::FormHarness h;
};

}  // namespace velorix::summarytest
