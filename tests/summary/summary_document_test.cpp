// The summary document's text over a test double of the figures unit whose every value is
// distinct and tells which function, code and month produced it.
#include "summary/GerarJSON.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QStringList>
#include <stdexcept>

using namespace velorix;

namespace {

// "1ffcc.mm": function number, code number, month (00 without a month). Every value has the
// same width, so none is part of another.
QString figura(int funcao, const QString& codigo, int mes) {
    static const QStringList codigos = {"",  "T",     "C",       "O",     "F", "D", "E",        "I",
                                        "SALDO", "ENTRADA", "SAIDA", "P", "U", "VENCIDAS", "PENDENTES", "PAGAS"};
    const int c = int(codigos.indexOf(codigo));
    if (c < 0) throw std::invalid_argument("unexpected code " + codigo.toStdString());
    return QString::asprintf("1%02d%02d.%02d", funcao, c, mes);
}

struct Consulta {};

struct Unidade {
    QStringList chamadas;  // every call, in order
    QStringList valores;   // what each value call returned, in order

    QString valor(const char* nome, int funcao, const QString& codigo, int mes) {
        chamadas << QString::fromLatin1(nome);
        valores << figura(funcao, codigo, mes);
        return valores.back();
    }
    static int mes(TMes m) { return int(m) + 1; }

    QString NFsTotalMes(Consulta&, TMes m, const QString& c) { return valor("NFsTotalMes", 1, c, mes(m)); }
    QString VendasTotalMes(Consulta&, TMes m, const QString& c) { return valor("VendasTotalMes", 2, c, mes(m)); }
    QString CXSaldoMes(Consulta&, TMes m) { return valor("CXSaldoMes", 3, "", mes(m)); }
    QString CXEntradaMes(Consulta&, TMes m) { return valor("CXEntradaMes", 4, "", mes(m)); }
    QString CXSaidaMes(Consulta&, TMes m) { return valor("CXSaidaMes", 5, "", mes(m)); }
    QString TotalCReceber(Consulta&, TMes m) { return valor("TotalCReceber", 6, "", mes(m)); }
    QString TotalCRecebidas(Consulta&, TMes m) { return valor("TotalCRecebidas", 7, "", mes(m)); }
    QString TotalCPagar(Consulta&, TMes m) { return valor("TotalCPagar", 8, "", mes(m)); }
    QString TotalCPagarPendentes(Consulta&, TMes m) { return valor("TotalCPagarPendentes", 9, "", mes(m)); }
    QString LucrosPresumidosGanhos(Consulta&, TMes m) { return valor("LucrosPresumidosGanhos", 10, "", mes(m)); }
    QString VendasFPGTotalMes(Consulta&, const QString& c) { return valor("VendasFPGTotalMes", 11, c, 0); }
    QString CXValorAtual(Consulta&, const QString& c) { return valor("CXValorAtual", 12, c, 0); }
    QString QtdCadastros(Consulta&, const QString& c) { return valor("QtdCadastros", 13, c, 0); }
    QString TotalCReceberAtual(Consulta&, const QString& c) { return valor("TotalCReceberAtual", 14, c, 0); }
    QString TotalCPagarAtual(Consulta&, const QString& c) { return valor("TotalCPagarAtual", 15, c, 0); }

    QString ListaCaixasAbertos() {
        chamadas << "ListaCaixasAbertos";
        valores << caixas;
        return caixas;
    }
    QString caixas = R"({"caixa": 901},{"caixa": 902})";

    void topProdutos(Consulta&) {
        chamadas << "topProdutos";
        TProdutos = {"Produto 1", "41", "Produto 2", "42", QStringLiteral("Café \"Extra\", 1\\2:\tfim"), "43",
                     "Produto 4", "44", "Produto 5", "45", "Produto 6", "46"};
    }
    void RelatorioVendasConcluidas(Consulta&) {
        chamadas << "RelatorioVendasConcluidas";
        VConcluidas = {"501.01", "502", "503.03", "504.04", "505.05", "506"};
    }
    void RelatorioVendasCanceladas(Consulta&) {
        chamadas << "RelatorioVendasCanceladas";
        VCanceladas = {"601.01", "602.02", "603", "604"};
    }
    void VendaUsuarios(Consulta&) {
        chamadas << "VendaUsuarios";
        VUsuarios = {"ana", "701.01", "702.02", "703", "704"};
    }
    void RelatorioVendasDiarias(Consulta&) {
        chamadas << "RelatorioVendasDiarias";
        vRelDiario.VendasDiarias = "801.01";
    }
    void RelatorioVendasLucros(Consulta&) {
        chamadas << "RelatorioVendasLucros";
        vRelDiario.LucroDiario = "802.02";
    }

    TopsProdutos TProdutos;
    Vendasconcluidas VConcluidas;
    Vendascanceladas VCanceladas;
    VendasUsuarios VUsuarios;
    RelDiario vRelDiario;
};

// The expected document; the file breaks it into lines for reading, the document has none.
QString esperado() {
    QFile f(QStringLiteral(VELORIX_SUMMARY_DATA "/summary_document.txt"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("<missing test data>");
    return QString::fromUtf8(f.readAll()).remove(QLatin1Char('\n'));
}

TEST(SummaryDocument, EqualsTheExpectedTextByteForByteAndParses) {
    Unidade u;
    Consulta q;
    const QString doc = MontarResumo(u, q);
    EXPECT_EQ(doc.toUtf8(), esperado().toUtf8());

    QJsonParseError err;
    const QJsonDocument json = QJsonDocument::fromJson(doc.toUtf8(), &err);
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString() << " at " << err.offset;
    EXPECT_EQ(json["topProdutos"][2]["produto"].toString(), u.TProdutos.produto03);
    EXPECT_EQ(json["lucrosPresumidos"]["relatorioVendas"]["diario"]["lucroDia"].toDouble(), 802.02);
}

TEST(SummaryDocument, ReportsFirstThenEveryValueInDocumentOrder) {
    Unidade u;
    Consulta q;
    const QString doc = MontarResumo(u, q);
    ASSERT_GE(u.chamadas.size(), 6);
    EXPECT_EQ(u.chamadas.mid(0, 6), (QStringList{"topProdutos", "RelatorioVendasConcluidas", "RelatorioVendasCanceladas",
                                                  "VendaUsuarios", "RelatorioVendasDiarias", "RelatorioVendasLucros"}));
    EXPECT_EQ(u.valores.size(), 175);
    // Each value sits after the one asked for before it.
    qsizetype pos = 0;
    for (const QString& v : u.valores) {
        const qsizetype at = doc.indexOf(v, pos);
        ASSERT_GE(at, 0) << "value " << v.toStdString() << " out of order";
        pos = at + v.size();
    }
}

}  // namespace
