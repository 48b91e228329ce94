// The JSON text of the detail uploads: escapes, numbers and date texts.
#include "uploads/JsonText.h"

#include <gtest/gtest.h>
#include <ctime>
#include <limits>

using namespace velorix;

namespace {

TEST(JsonText, CompactMembersInInsertionOrder) {
    QByteArray out;
    JsonText j(out);
    j.beginObject();
    j.key(u"z");
    j.beginArray();
    j.beginObject();
    j.key(u"b");
    j.string(u"1");
    j.key(u"a");
    j.number(2);
    j.endObject();
    j.beginObject();
    j.endObject();
    j.endArray();
    j.key(u"empty");
    j.beginArray();
    j.endArray();
    j.endObject();
    EXPECT_EQ(out, R"({"z":[{"b":"1","a":2},{}],"empty":[]})");
}

TEST(JsonText, StringEscapes) {
    const struct {
        QString in;
        QByteArray out;
    } cases[] = {
        {QStringLiteral("a/b \"c\" \\d"), R"("a\/b \"c\" \\d")"},
        {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
        // other control characters would make the document invalid JSON
        {QString(QChar(0x01)) + QChar(0x1F), R"("\u0001\u001f")"},
        {QStringLiteral("Pão de Açúcar €"), "\"P\xC3\xA3o de A\xC3\xA7\xC3\xBA" "car \xE2\x82\xAC\""},
        {QString::fromUtf8("\xF0\x9F\x98\x80x"), "\"\xF0\x9F\x98\x80x\""},
        {"'<>&\x7f", "\"'<>&\x7f\""},
        {"", "\"\""},
    };
    for (const auto& c : cases) {
        QByteArray out;
        AppendJsonString(out, c.in);
        EXPECT_EQ(out, c.out) << c.in.toStdString();
    }
}

TEST(JsonText, NumbersShortestUpToFifteenDigits) {
    const struct {
        double in;
        const char* out;
    } cases[] = {
        {89.90, "89.9"},
        {100.00, "100"},
        {0, "0"},
        {-0.0, "0"},
        {-12.5, "-12.5"},
        {0.1 + 0.2, "0.3"},
        {1.2345000000000002, "1.2345"},
        {123456789012345.0, "123456789012345"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E15"},
        {1234567890123456789.0, "1.23456789012346E18"},
        {-2.5e20, "-2.5E20"},
        {0.00001, "0.00001"},
        {0.000123, "0.000123"},
        {0.0000015, "1.5E-6"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0 * 100, "66.6666666666667"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.in), QByteArray(c.out)) << c.in;
    // Found by fuzzing: the largest doubles rounded to 15 digits overflowed to a text no JSON
    // reader takes.
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::max()), "1.7976931348623157E308");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::max()), "-1.7976931348623157E308");
}

TEST(JsonText, DateAndTimeTexts) {
    EXPECT_EQ(DateTimeText(ValueAsDateTime(QDate(2025, 1, 31))), "2025-01-31 00:00:00");
    EXPECT_EQ(DateTimeText(ValueAsDateTime(QDateTime(QDate(2025, 1, 31), QTime(23, 5, 9, 999)))),
              "2025-01-31 23:05:09");
    EXPECT_EQ(DateTimeText(ValueAsDateTime(QVariant(QMetaType(QMetaType::QDate)))), "1899-12-30 00:00:00");
    EXPECT_EQ(DateTimeText(ValueAsDateTime(QVariant())), "1899-12-30 00:00:00");
    EXPECT_EQ(TimeText(ValueAsDateTime(QTime(8, 5, 9))), "08:05:09");
    EXPECT_EQ(TimeText(ValueAsDateTime(QVariant(QMetaType(QMetaType::QTime)))), "00:00:00");
    EXPECT_EQ(DateTimeText(ValueAsDateTime(QDate(9999, 12, 1))), "9999-12-01 00:00:00");
}

TEST(JsonText, ColumnDatesAndTimesWrittenFromTheirOwnFields) {
    // The same texts as DateTimeText(ValueAsDateTime(...)), also in a zone whose clocks skipped
    // the midnight of 4 November 2018 (Brazil).
    const QByteArray oldTz = qgetenv("TZ");
    const bool hadTz = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "America/Sao_Paulo");
    tzset();
    struct Case {
        QVariant value;
        const char* dateTime;
        const char* time;
    };
    const Case cases[] = {
        {QDate(2018, 11, 4), "2018-11-04 00:00:00", "00:00:00"},
        {QDate(987, 3, 9), "0987-03-09 00:00:00", "00:00:00"},
        {QDate(9999, 12, 1), "9999-12-01 00:00:00", "00:00:00"},
        {QTime(8, 5, 9, 999), "1899-12-30 08:05:09", "08:05:09"},
        {QDateTime(QDate(2025, 1, 31), QTime(23, 5, 9, 999)), "2025-01-31 23:05:09", "23:05:09"},
        {QVariant(), "1899-12-30 00:00:00", "00:00:00"},
        {QVariant(QMetaType(QMetaType::QDate)), "1899-12-30 00:00:00", "00:00:00"},
        {QVariant(QMetaType(QMetaType::QTime)), "1899-12-30 00:00:00", "00:00:00"},
    };
    QByteArray out, expected = "[";
    JsonText j(out);
    j.beginArray();
    for (const Case& c : cases) {
        AppendDateTimeText(j, c.value);
        AppendTimeText(j, c.value);
        expected += QByteArray(expected.size() > 1 ? "," : "") + '"' + c.dateTime + "\",\"" + c.time + '"';
    }
    j.endArray();
    if (hadTz) qputenv("TZ", oldTz);
    else qunsetenv("TZ");
    tzset();
    EXPECT_EQ(out, expected + "]");
}

}  // namespace
