// The ERP side under faults and hostile texts: a connection the server drops, and texts that
// must reach the panel as valid JSON whatever they hold.
#include "PanelSettings.h"
#include "ErpFixture.h"
#include "FormHarness.h"
#include "tools/panel/PanelServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <gtest/gtest.h>

using namespace velorix;
using velorix::panel::PanelServer;
using velorix::testing::ErpFixture;

namespace {

const QString kCnpj = "12345678000199";

class ErpFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        erp = ErpFixture::create("faults");
        auto& e = *erp;
        e.insert("empresa", {{"codigo", 1}, {"cnpj", kCnpj}, {"fantasia", "Loja"}, {"razao", "Loja Ltda"}});
        e.insert("produto", {{"codigo", 10}, {"descricao", "Cafe"}});
        e.insert("vendas_master", {{"codigo", 1}, {"data_emissao", QDate(2025, 1, 15)}, {"hora", QTime(9, 0)},
                                   {"situacao", "F"}, {"total", 10.0}});
        e.insert("vendas_detalhe", {{"fkvenda", 1}, {"id_produto", 10}, {"qtd", 1.0}, {"total", 10.0},
                                    {"pr_custo", 5.0}, {"situacao", "F"}});
        e.insert("produto_serial", {{"codigo", 1}, {"id_produto", 10}, {"numero_serie", "SN-1"}, {"quantidade", 1.0},
                                    {"situacao", "B"}, {"data_baixa", QDate(2025, 1, 20)}});
        e.insert("usuarios", {{"codigo", 1}, {"login", "maria"}});
        e.insert("contas", {{"codigo", 1}, {"descricao", "Caixa 1"}, {"data_abertura", QDate(2025, 1, 15)},
                            {"id_usuario", 1}, {"lote", 10}, {"tipo", "S"}, {"situacao", "A"}});
    }
    static void TearDownTestSuite() { erp.reset(); }

    void SetUp() override {
        ASSERT_TRUE(erp);
        velorix::testing::startOverErpAndPanel(h, panel, *erp, QDateTime(QDate(2025, 1, 31), QTime(10, 0)));
        form().DataInicio = QDateTime(QDate(2025, 1, 1), QTime(0, 0));
        form().DataFim = QDateTime(QDate(2025, 1, 31), QTime(0, 0));
    }

    void TearDown() override {
        if (h.form) h.form->conexao().close();
    }

    TForm1& form() { return *h.form; }

    // What a server restart does to the program's attachment, without restarting the shared server:
    // the attachment is ended from another connection.
    void killProgramAttachment() {
        QString id;
        {
            QSqlQuery q(form().conexao().database());
            q.setForwardOnly(true);
            ASSERT_TRUE(q.exec("SELECT CURRENT_CONNECTION FROM RDB$DATABASE") && q.next()) << q.lastError().text().toStdString();
            id = q.value(0).toString();
        }
        erp->exec("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " + id);
        // The fault is real: the connection still reads as open, and a statement on it fails.
        EXPECT_TRUE(form().conexao().connected());
        QSqlQuery probe(form().conexao().database());
        EXPECT_FALSE(probe.exec("SELECT 1 FROM RDB$DATABASE") && probe.next());
    }

    static void setText(const QString& sql, const QString& value) {
        QSqlDatabase db = erp->database();
        ASSERT_TRUE(db.transaction());
        QSqlQuery q(db);
        ASSERT_TRUE(q.prepare(sql));
        q.addBindValue(value);
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
        ASSERT_TRUE(db.commit());
    }

    static std::unique_ptr<ErpFixture> erp;
    velorix::testing::FormHarness h;
    PanelServer panel;
};

std::unique_ptr<ErpFixture> ErpFaults::erp;

TEST_F(ErpFaults, AKilledAttachmentIsReopenedBeforeTheNextUse) {
    // the window shown again: the company row is read over a fresh attachment
    killProgramAttachment();
    form().vCNPJ.clear();
    EXPECT_NO_THROW(form().FormShow());
    EXPECT_EQ(form().vCNPJ, kCnpj);

    // a sync cycle: its detail uploads read the ERP over a fresh attachment
    killProgramAttachment();
    form().chkQualidade.Checked = true;
    panel.clear();
    form().cxBtn_syncClick();
    bool productList = false;
    for (const auto& r : panel.requests()) {
        if (r.path == "/painel/" + kCnpj.toStdString() + "/api_produto_mais.php") {
            productList = QByteArray::fromStdString(r.body).contains("\"codigo\":\"10\"");
        }
    }
    EXPECT_TRUE(productList);
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

// The values must parse back exactly: a WIN1252 database, texts up to the column's length.
TEST_F(ErpFaults, HostileTextsReachThePanelAsValidJsonThatParsesBack) {
    const QString accents = QString::fromUtf8("A\u00e7\u00facar Uni\u00e3o \u20ac \u201caspas\u201d \u00f1\u00ff\u00c0");
    const QString controls = QStringLiteral("a\tb") + QChar(1) + "c" + QChar(0x1F) + "d" + QChar(0x7F) + "e\r\nf\bg\fh";
    const QString escapes = QStringLiteral("\"q\" \\b\\ /s/ \\\" \\/ \\u0041 </script>");
    QString longText;
    while (longText.size() < 100) longText += QString::fromUtf8("\u00e7\"\\/\t\u20ac");
    const QString cases[] = {accents, controls, escapes, longText.left(100)};

    for (const QString& text : cases) {
        SCOPED_TRACE(text.toStdString());
        const QString login = text.left(30);
        setText("UPDATE produto SET descricao = ? WHERE codigo = 10", text);
        setText("UPDATE usuarios SET login = ? WHERE codigo = 1", login);
        panel.clear();
        form().produtos_mais();
        form().Qualidade();
        form().consultarMovimentacaoCaixa();

        struct Expect {
            const char* file;
            const char* list;
            const char* member;
            QString value;
        };
        const Expect expects[] = {{"api_produto_mais.php", "produto_mais", "descricao", text},
                                  {"api_qualidade.php", "qualidade", "descricao", text},
                                  {"api_abertura_caixa.php", "movimentacao", "usuario", login}};
        const auto reqs = panel.requests();
        for (const Expect& x : expects) {
            SCOPED_TRACE(x.file);
            const auto it = std::find_if(reqs.begin(), reqs.end(), [&](const auto& r) {
                return r.path == "/painel/" + kCnpj.toStdString() + "/" + x.file;
            });
            ASSERT_NE(it, reqs.end());
            const QByteArray body = QByteArray::fromStdString(it->body);
            QStringDecoder utf8(QStringDecoder::Utf8);
            (void)QString(utf8(body));
            EXPECT_FALSE(utf8.hasError());
            QJsonParseError err{};
            const QJsonDocument doc = QJsonDocument::fromJson(body, &err);
            ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString() << "\n" << it->body;
            const QJsonArray list = doc.object().value(x.list).toArray();
            ASSERT_EQ(list.size(), 1) << it->body;
            EXPECT_EQ(list[0].toObject().value(x.member).toString(), x.value) << it->body;
        }
    }
}

}  // namespace
