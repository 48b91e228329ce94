#pragma once
// The JSON text of the detail uploads, written straight into one byte buffer: a full-history
// upload can hold hundreds of thousands of records, so no tree of objects is built first.

#include <QByteArray>
#include <QDateTime>
#include <QStringView>
#include <QVariant>
#include <vector>

namespace velorix {

// A compact JSON writer: no blanks between tokens, members in the order written. The caller
// keeps the structure well-formed (a key before each member value, matching ends).
class JsonText {
public:
    explicit JsonText(QByteArray& out) : out_(out) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(QStringView name);
    void string(QStringView value);
    void number(double value);
    // A string of characters that need no escape (digits, '-', ':', blanks), as it is.
    void asciiString(const char* text, qsizetype size);

private:
    void separate();

    QByteArray& out_;
    // One entry per open object or array: true until its first element is written.
    std::vector<bool> first_;
    bool afterKey_ = false;
};

// `value` as a JSON string literal (quotes included) appended to `out`: \" \\ \/ \b \f \n \r \t;
// other control characters as \u00XX so the document stays valid JSON; everything else as
// itself in UTF-8.
void AppendJsonString(QByteArray& out, QStringView value);

// The shortest general form with at most 15 significant digits, a point as decimal mark, no
// grouping, no trailing zeros; an exponent from 1E15 up and below 0.00001 ("1E15", "1.5E-6").
QByteArray FormatNumber(double value);

// The zero date-time, what a NULL date reads as.
QDateTime ZeroDateTime();

// A column value read as a date-time: a DATE at 00:00:00, a TIME on the zero date, NULL as the
// zero date-time.
QDateTime ValueAsDateTime(const QVariant& value);

// "yyyy-mm-dd hh:nn:ss" and "hh:nn:ss", 24-hour, always with hyphens and colons.
QString DateTimeText(const QDateTime& dt);
QString TimeText(const QDateTime& dt);

// DateTimeText(ValueAsDateTime(value)) and TimeText(ValueAsDateTime(value)) written into `json`.
// A DATE or TIME column is written from its own fields, with no date-time in the local zone made
// for it: that costs a time-zone lookup (a stat of /etc/localtime) per value.
void AppendDateTimeText(JsonText& json, const QVariant& value);
void AppendTimeText(JsonText& json, const QVariant& value);

}  // namespace velorix
