// The company sign-up against the panel stand-in over HTTPS.
#include "SummaryErp.h"
#include "summary/FormClient.h"

#include <functional>

using namespace velorix;
using velorix::panel::Answer;
using velorix::summarytest::SummaryErp;

namespace {

TEST_F(SummaryErp, SignUpSendsTheCompanyRecordAsTheErpHoldsItNow) {
    // Changed after start-up, and the tab's boxes emptied as a closed query would show them.
    erp->exec(QStringLiteral("update empresa set razao = 'Sol e Lua Comércio Ltda ME' where codigo = 1"));
    for (TEdit* e : {&f().DBEdit_fantasia, &f().DBEdit_razao, &f().DBEdit_cnpj, &f().DBEdit_responsavel, &f().DBEdit_email})
        e->Text.clear();

    f().cxButton_enviar_empresaClick();
    const auto reqs = panel.requests();
    ASSERT_EQ(reqs.size(), 1u) << log().join('\n').toStdString();
    const auto& r = reqs[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/app2.php");
    EXPECT_EQ(r.body,
              "CNPJ=12.345.678%2F0001-ab&razao_social=Sol+e+Lua+Com%C3%A9rcio+Ltda+ME&fantasia=Mercado+Sol+%26+Lua"
              "&proprietario=Jos%C3%A9+da+Silva&email=contato%40solelua.com.br&pass=804917");
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("Accept"), "text/html, image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    EXPECT_EQ(r.header("User-Agent"), "Mozilla/4.0");
    EXPECT_EQ(f().DBEdit_email.Text, "contato@solelua.com.br");
    EXPECT_EQ(f().vCNPJ, "12.345.678/0001-AB");
}

TEST_F(SummaryErp, SignUpOutcomesWriteTheirLogLines) {
    const QString quando = "14/03/2025 - 10:20:30";
    const QStringList aceita = {"Empresa cadastrada com sucesso.", QStringLiteral("A senha padrão é 804917."),
                                QStringLiteral("O admin poderá alterar no painel web."), quando, ""};
    const QStringList recusada = {QStringLiteral("Empresa não pode ser cadastrada."), quando, ""};
    auto resposta = [&](int status, std::string body) {
        Answer a;
        a.status = status;
        a.body = std::move(body);
        panel.setAnswer("/app2.php", a);
    };
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QStringList lines;  // after the failure's two lines, when `fails`
        bool fails;
    } cases[] = {
        {"accepted", [&] { resposta(200, " 1\r\n"); }, aceita, false},
        {"refused", [&] { resposta(200, "0"); }, recusada, false},
        {"status 500", [&] { resposta(500, "1"); }, recusada, true},
        {"untrusted certificate", [&] { f().IdHTTP1().setCaFile(QString()); }, recusada, true},
        {"company record unreadable", [&] { f().conexao().close(); }, recusada, true},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        panel.clearAnswers();
        f().IdHTTP1().setCaFile(h.path("panel-ca.pem"));
        f().clearLog();
        c.arrange();
        f().cxButton_enviar_empresaClick();
        QStringList lines = log();
        if (c.fails) {
            ASSERT_GE(lines.size(), 2);
            EXPECT_EQ(lines[0], "Falha ao cadastrar a empresa - 14/03/2025 10:20:30");
            EXPECT_FALSE(lines[1].trimmed().isEmpty());
            lines = lines.mid(2);
        }
        EXPECT_EQ(lines, c.lines);
    }
}

}  // namespace
