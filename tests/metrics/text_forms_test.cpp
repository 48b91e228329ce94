// Periods and number texts: pure functions of the present moment and of a value.
#include "metrics/uConsultas.h"
#include "tests/metrics/QtPrinters.h"

#include <gtest/gtest.h>

using namespace velorix;

namespace {

QDateTime at(int y, int m, int d, int h = 10, int min = 0) { return QDateTime(QDate(y, m, d), QTime(h, min)); }
QDateTime dayStart(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }
QDateTime dayEnd(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(23, 59, 59, 999)); }

}  // namespace

TEST(MetricsPeriods, StartAndEndFromThePresentMoment) {
    struct Case {
        const char* what;
        Periodo got;
        QDateTime inicio, fim;
    };
    const Case cases[] = {
        {"january, asked in march", periodoMes(tmjaneiro, at(2025, 3, 14)), dayStart(2025, 1, 1), dayEnd(2025, 1, 31)},
        {"february, leap year", periodoMes(tmfeveiro, at(2024, 6, 1)), dayStart(2024, 2, 1), dayEnd(2024, 2, 29)},
        {"february, common year", periodoMes(tmfeveiro, at(2025, 3, 14)), dayStart(2025, 2, 1), dayEnd(2025, 2, 28)},
        {"april ends on the 30th", periodoMes(tmabril, at(2025, 1, 2)), dayStart(2025, 4, 1), dayEnd(2025, 4, 30)},
        {"a later month of this year", periodoMes(tmdezembro, at(2025, 3, 14)), dayStart(2025, 12, 1),
         dayEnd(2025, 12, 31)},
        {"current month, on its last minute", periodoMesAtual(at(2024, 2, 29, 23, 59)), dayStart(2024, 2, 1),
         dayEnd(2024, 2, 29)},
        {"today", periodoHoje(at(2025, 3, 14, 23, 59)), dayStart(2025, 3, 14), dayStart(2025, 3, 14)},
        {"today, whole day", periodoHojeDiaInteiro(at(2025, 3, 14, 0, 0)), dayStart(2025, 3, 14), dayEnd(2025, 3, 14)},
        {"two following months from november", periodoMesAtualEDoisSeguintes(at(2024, 11, 30)), dayStart(2024, 11, 1),
         dayEnd(2025, 1, 31)},
        {"two following months from december, leap february", periodoMesAtualEDoisSeguintes(at(2023, 12, 1)),
         dayStart(2023, 12, 1), dayEnd(2024, 2, 29)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.got.inicio, c.inicio) << c.what;
        EXPECT_EQ(c.got.fim, c.fim) << c.what;
    }
}

TEST(MetricsTextForms, AmountAndTotalTextRoundTheDecimalDigits) {
    struct Case {
        double valor;
        const char* total;
        const char* amount;
    };
    const Case cases[] = {
        {0, "0", "0.00"},
        {0.004, "0.00", "0.00"},
        {2.5, "2.50", "2.50"},
        {-7.125, "-7.13", "-7.13"},
        {1.005, "1.01", "1.01"},      // 1.00499999999999989... as a double
        {-2.345, "-2.35", "-2.35"},
        {2.675, "2.68", "2.68"},
        {1234.5, "1234.50", "1234.50"},
        {1000000, "1000000.00", "1000000.00"},
        {-12, "-12.00", "-12.00"},
        {9.995, "10.00", "10.00"},    // the carry runs into the integer part
        {-0.004, "0.00", "0.00"},     // no negative zero
        {0.1 + 0.2, "0.30", "0.30"},
        {123456789012.345, "123456789012.35", "123456789012.35"},
        {1e20, "100000000000000000000.00", "100000000000000000000.00"},
    };
    for (QChar decimal : {QLatin1Char(','), QLatin1Char('.')}) {
        for (const auto& c : cases) {
            EXPECT_EQ(textoTotal(c.valor, decimal), QString::fromLatin1(c.total)) << c.valor << " mark " << decimal.toLatin1();
            EXPECT_EQ(textoValor(c.valor, decimal), QString::fromLatin1(c.amount)) << c.valor << " mark " << decimal.toLatin1();
        }
    }
}

TEST(MetricsTextForms, SmallTextFunctions) {
    EXPECT_EQ(naoVazio(""), "0");
    EXPECT_EQ(naoVazio("0"), "0");
    EXPECT_EQ(naoVazio("0.00"), "0.00");
    EXPECT_EQ(naoVazio(" "), " ");
    EXPECT_EQ(naoVazio("abc"), "abc");

    EXPECT_EQ(ReplaceVirgulaPonto("1,5,0"), "1.5.0");
    EXPECT_EQ(ReplaceVirgulaPonto("12.5"), "12.5");

    EXPECT_EQ(textoInteiro(0), "0");
    EXPECT_EQ(textoInteiro(17), "17");
    EXPECT_EQ(textoInteiro(-3), "-3");

    EXPECT_EQ(literalSql("T"), "'T'");
    EXPECT_EQ(literalSql("O'X"), "'O''X'");
    EXPECT_EQ(literalSql("''"), "''''''");
}
