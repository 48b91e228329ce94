// The open cash registers of the data set: register 1 (ana, batch 10, with its opening
// movement) and register 2 (bruno, batch 20, without one).
#include "tests/metrics/MetricsTest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace velorix;
using velorix::metricstest::MetricsTest;

namespace {

QStringList campos(const caixasAbertos& c) {
    return {c.usuario, c.horaAbertura, c.dataAbertura, c.saldoInicial, c.saldoAtual, c.Entradas, c.saidas, c.dinheiro,
            c.credito, c.debito, c.cheque, c.convenio, c.vRefeicao, c.vpix, c.vCombustivel};
}

// Register 1: movements of ana in batch 10 are 150 + 100 in, 20 out (bruno's 500 is not hers);
// payments of completed sale 301: D 30 (+ a 0.00 one; the cancelled 7.00 left out), C 20, E 10,
// Q 5, V 4, R 3, O 2 + I 25.
const QStringList kCaixa1 = {"ana", "08:05:30", "14/03/2025", "150.00", "230.00", "250.00", "20.00", "30.00",
                             "20.00", "10.00", "5.00", "4.00", "3.00", "", "27.00"};
// Register 2: no opening movement; 28 in, 30 out; payments of bruno's sales 302 (D 10, E 8, I 5)
// and 308 of yesterday (D 9), not ana's 307.
const QStringList kCaixa2 = {"bruno", "00:00:00", "13/03/2025", "0.00", "-2.00", "28.00", "30.00", "19.00",
                             "0.00", "8.00", "0.00", "0.00", "0.00", "", "5.00"};

const QStringList kChaves = {"usuario", "horaAbertura", "dataAbertura", "saldoInicial", "saldoAtual", "Entradas",
                             "saidas", "dinheiro", "credito", "debito", "cheque", "convenio", "vRefeicao", "vpix",
                             "vCombustivel"};

// The item as the summary document carries it.
QString item(const QStringList& c) {
    QString s = "    { ";
    for (int i = 0; i < kChaves.size(); ++i) {
        if (kChaves[i] == "vpix") continue;
        s += "   \t\t\"" + kChaves[i] + "\": ";
        if (i < 3) {
            s += "\"" + c[i] + "\", ";
        } else {
            s += c[i] + (kChaves[i] == "vCombustivel" ? " " : ", ");
        }
    }
    return s + "    } ";
}

}  // namespace

TEST_F(MetricsTest, CXAbertosReadsOneRegister) {
    h.fakes.regional->value.dateSeparator = '-';
    h.fakes.regional->value.timeSeparator = '.';
    unit->CXAbertos(*qryAux, 1);
    EXPECT_EQ(campos(unit->CXAberto),
              QStringList({"ana", "08.05.30", "14-03-2025", "150.00", "230.00", "250.00", "20.00", "30.00", "20.00",
                           "10.00", "5.00", "4.00", "3.00", "", "27.00"}));
    h.fakes.regional->value = RegionalSettings{};

    unit->CXAbertos(*qryAux, 2);
    EXPECT_EQ(campos(unit->CXAberto), kCaixa2);

    // a key without a row: every field as NULL
    unit->CXAbertos(*qryAux, 99);
    EXPECT_EQ(campos(unit->CXAberto), QStringList({"", "00:00:00", "30/12/1899", "0.00", "0.00", "0.00", "0.00", "0.00",
                                                   "0.00", "0.00", "0.00", "0.00", "0.00", "", "0.00"}));
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(MetricsTest, ListaCaixasAbertosJoinsItemsWithCommas) {
    // two open registers; the database may list them in either order
    const QString lista = unit->ListaCaixasAbertos();
    const QString um = item(kCaixa1), dois = item(kCaixa2);
    EXPECT_TRUE(lista == um + "," + dois || lista == dois + "," + um) << lista.toStdString();
    // enclosed in brackets it is a JSON list of objects
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(("[" + lista + "]").toUtf8(), &err);
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    ASSERT_EQ(doc.array().size(), 2);
    EXPECT_EQ(erp->openTransactionCount(), 0);

    // a login with a quote and a backslash stays valid JSON
    erp->exec(R"(update usuarios set login = 'bru"no\' where codigo = 2)");
    const QJsonDocument quoted = QJsonDocument::fromJson(("[" + unit->ListaCaixasAbertos() + "]").toUtf8(), &err);
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    QStringList logins;
    for (const auto& v : quoted.array()) logins << v.toObject().value("usuario").toString();
    logins.sort();
    EXPECT_EQ(logins, QStringList({"ana", R"(bru"no\)"}));
    erp->exec("update usuarios set login = 'bruno' where codigo = 2");

    // one open register: one item, no comma; none: the empty text
    erp->exec("update contas set situacao = 'F' where codigo = 2");
    EXPECT_EQ(unit->ListaCaixasAbertos(), um);
    erp->exec("update contas set situacao = 'F' where codigo = 1");
    EXPECT_EQ(unit->ListaCaixasAbertos(), "");
    EXPECT_EQ(erp->openTransactionCount(), 0);
}
