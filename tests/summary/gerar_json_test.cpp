// The summary document built from the ERP database: in the sync cycle, on the command line, and
// when a figure cannot be read.
#include "SummaryErp.h"
#include "summary/FormEncoding.h"
#include "summary/SampleDocument.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace velorix;
using velorix::summarytest::SummaryErp;

namespace {

QJsonDocument parse(const QString& doc) {
    QJsonParseError err;
    QJsonDocument json = QJsonDocument::fromJson(doc.toUtf8(), &err);
    EXPECT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString() << " at " << err.offset;
    return json;
}

TEST_F(SummaryErp, SwitchesOffOrOnTheDocumentIsJsonAndCarriesHostileTextsIntact) {
    // Both sales switches off: the combined sales figures and the reports' fields are empty texts.
    f().chkSincVendas.Checked = false;
    f().chkSincNFe.Checked = false;
    QString doc = f().GerarJSON();
    ASSERT_FALSE(doc.isEmpty()) << log().join('\n').toStdString();
    EXPECT_FALSE(doc.contains('\n'));
    EXPECT_TRUE(doc.contains(QStringLiteral("   \t\"caixasAbertos\": [ ], \"topProdutos\": [{")));
    QJsonDocument json = parse(doc);
    EXPECT_EQ(json["vendas"]["concluidas"]["marco"].toDouble(-1), 0);
    const QJsonValue relatorio = json["lucrosPresumidos"]["relatorioVendas"];
    EXPECT_EQ(relatorio["concluidas"]["valorVendas"].toDouble(-1), 0);
    EXPECT_EQ(relatorio["diario"]["lucroDia"].toDouble(-1), 0);
    EXPECT_EQ(relatorio["vendasUsuarios"][0]["quantidadeVendas"].toDouble(-1), 0);
    EXPECT_EQ(relatorio["concluidas"]["TempoMedioAtendimento"].toString(), "00:00:00");
    EXPECT_EQ(relatorio["vendasUsuarios"][0]["tempoAtendimento"].toString(), "00:00:00");
    const QJsonObject perdidos = json["lucrosPresumidos"]["perdidos"].toObject();
    EXPECT_EQ(perdidos.size(), 12);
    for (const QJsonValue& v : perdidos) EXPECT_EQ(v.toDouble(-1), 0);
    // One product sold this month: all six places repeat it, its description unchanged.
    const QJsonArray top = json["topProdutos"].toArray();
    ASSERT_EQ(top.size(), 6);
    for (const QJsonValue& p : top) {
        EXPECT_EQ(p["produto"].toString(), summarytest::kDescricao);
        EXPECT_EQ(p["quantidade"].toString(), "1");
    }
    EXPECT_EQ(json["cadastros"]["usuarios"].toString(), "1");
    // The build leaves nothing open on the ERP.
    EXPECT_FALSE(f().qryAux.active());
    EXPECT_EQ(erp->openTransactionCount(), 0);
    EXPECT_TRUE(log().isEmpty());

    f().chkSincVendas.Checked = true;
    doc = f().GerarJSON();
    json = parse(doc);
    EXPECT_EQ(json["vendas"]["concluidas"]["marco"].toDouble(), 30);
    EXPECT_EQ(json["lucrosPresumidos"]["ganhos"]["marco"].toDouble(), 24);
    EXPECT_EQ(json["lucrosPresumidos"]["relatorioVendas"]["vendasUsuarios"][0]["usuario"].toString(), summarytest::kLogin);
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(SummaryErp, AFailureInTheLastCallGivesNoDocumentAndTwoLogLines) {
    // A December sale whose profit overflows: only the December profit figure reads it.
    erp->insert("vendas_master", {{"codigo", 2}, {"data_emissao", QDate(2025, 12, 5)}, {"situacao", "F"}, {"total", 1.00},
                                  {"fk_usuario", 1}});
    erp->insert("vendas_detalhe", {{"fkvenda", 2}, {"id_produto", 1}, {"qtd", 999999999.0}, {"preco", 9999999999.0},
                                   {"vdesconto", 0}, {"total", 1.00}, {"situacao", "F"}});
    f().chkSincVendas.Checked = true;
    ASSERT_NO_THROW(f().Consultas.LucrosPresumidosGanhos(f().qryAux, tmnovembro));
    ASSERT_THROW(f().Consultas.LucrosPresumidosGanhos(f().qryAux, tmdezembro), DbError);

    EXPECT_EQ(f().GerarJSON(), QString());
    const QStringList lines = log();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "Falha ao Criar JSON - 14/03/2025 10:20:30");
    EXPECT_FALSE(lines[1].trimmed().isEmpty());
    // The build's transaction ends on the failing path too.
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(SummaryErp, SummaryModeSendsTheSampleThenTheDocumentItBuilt) {
    f().chkEstoqueGeral.Checked = true;
    f().chkSincVendas.Checked = true;
    f().log("line of an earlier cycle");

    f().cxBtn_syncClick();
    ASSERT_EQ(panel.requests().size(), 1u) << log().join('\n').toStdString();
    const QString built = f().Memo1.Text;
    EXPECT_EQ(f().json, built);
    EXPECT_EQ(parse(built)["vendas"]["concluidas"]["marco"].toDouble(), 30);
    EXPECT_TRUE(log().isEmpty());

    f().cxBtn_syncClick();
    const auto reqs = panel.requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].body, FormBody({{"email", "loja@exemplo.com.br"}, {"json", SampleDocument()}}).toStdString());
    EXPECT_EQ(reqs[1].body, FormBody({{"email", "loja@exemplo.com.br"}, {"json", built}}).toStdString());
}

TEST_F(SummaryErp, PrintSummaryWritesTheDocumentOrFailsWithTheLogOnStderr) {
    QTemporaryDir runtime, semBanco;
    auto run = [&](const QString& dir, QByteArray* out, QByteArray* err) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());  // the single-instance lock of this test only
        p.setProcessEnvironment(env);
        p.start(VELORIX_EXE, {"--print-summary", "--dir", dir});
        EXPECT_TRUE(p.waitForFinished(120000));
        *out = p.readAllStandardOutput();
        *err = p.readAllStandardError();
        return p.exitCode();
    };
    QByteArray out, err;
    ASSERT_EQ(run(h.dir.path(), &out, &err), 0) << err.toStdString();
    ASSERT_TRUE(out.endsWith('\n'));
    out.chop(1);
    EXPECT_FALSE(out.contains('\n'));
    EXPECT_EQ(parse(QString::fromUtf8(out))["cadastros"]["usuarios"].toString(), "1");

    // No Banco.ini: the connection fails, then the build.
    EXPECT_EQ(run(semBanco.path(), &out, &err), 1);
    EXPECT_TRUE(out.isEmpty()) << out.toStdString();
    EXPECT_TRUE(err.contains("Falha ao Criar JSON - ")) << err.toStdString();
}

}  // namespace
