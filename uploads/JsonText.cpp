#include "uploads/JsonText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace velorix {

namespace {
int formatNumberTo(double value, char* out);
}  // namespace

void JsonText::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (first_.empty()) return;
    if (!first_.back()) out_ += ',';
    first_.back() = false;
}

void JsonText::beginObject() {
    separate();
    out_ += '{';
    first_.push_back(true);
}

void JsonText::endObject() {
    first_.pop_back();
    out_ += '}';
}

void JsonText::beginArray() {
    separate();
    out_ += '[';
    first_.push_back(true);
}

void JsonText::endArray() {
    first_.pop_back();
    out_ += ']';
}

void JsonText::key(QStringView name) {
    separate();
    AppendJsonString(out_, name);
    out_ += ':';
    afterKey_ = true;
}

void JsonText::string(QStringView value) {
    separate();
    AppendJsonString(out_, value);
}

void JsonText::number(double value) {
    separate();
    char buf[48];
    out_.append(buf, formatNumberTo(value, buf));
}

void JsonText::asciiString(const char* text, qsizetype size) {
    separate();
    out_ += '"';
    out_.append(text, size);
    out_ += '"';
}

void AppendJsonString(QByteArray& out, QStringView value) {
    out += '"';
    const qsizetype n = value.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = value[i].unicode();
        if (c >= 0x80) {
            // A run of non-ASCII text goes out as UTF-8 in one piece (keeps surrogate pairs whole).
            qsizetype j = i + 1;
            while (j < n && value[j].unicode() >= 0x80) ++j;
            out += value.mid(i, j - i).toUtf8();
            i = j;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '/': out += "\\/"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
                out += esc;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
}

namespace {

// FormatNumber's text written into `out` (at least 32 bytes); returns its length.
int formatNumberTo(double value, char* out) {
    char* o = out;
    auto put = [&o](const char* s, size_t n) {
        std::memcpy(o, s, n);
        o += n;
    };
    if (!std::isfinite(value)) {
        put("null", 4);
        return 4;
    }
    if (value == 0) {
        *o++ = '0';
        return 1;
    }
    // 15 significant digits, rounded once: d.dddddddddddddde±x
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    // Near the largest double, 15 digits round past it and the text would read back as infinite
    // (a JSON reader rejects it): there the 17 digits that read back exactly are written.
    if (std::fabs(value) >= 1e308 && std::isinf(std::strtod(buf, nullptr))) std::snprintf(buf, sizeof buf, "%.16e", value);
    const bool negative = buf[0] == '-';
    const char* p = buf + (negative ? 1 : 0);
    char digits[24];
    size_t nd = 0;
    digits[nd++] = p[0];
    const char* frac = p + 2;
    const char* e = std::strchr(frac, 'e');
    for (const char* f = frac; f < e; ++f) digits[nd++] = *f;
    const int exponent = std::atoi(e + 1);
    while (nd > 1 && digits[nd - 1] == '0') --nd;

    if (negative) *o++ = '-';
    if (exponent >= 15 || exponent < -5) {
        *o++ = digits[0];
        if (nd > 1) {
            *o++ = '.';
            put(digits + 1, nd - 1);
        }
        *o++ = 'E';
        o += std::snprintf(o, 8, "%d", exponent);
    } else if (exponent >= 0) {
        const size_t intDigits = static_cast<size_t>(exponent) + 1;
        if (nd <= intDigits) {
            put(digits, nd);
            for (size_t k = nd; k < intDigits; ++k) *o++ = '0';
        } else {
            put(digits, intDigits);
            *o++ = '.';
            put(digits + intDigits, nd - intDigits);
        }
    } else {
        put("0.", 2);
        for (int k = 0; k < -exponent - 1; ++k) *o++ = '0';
        put(digits, nd);
    }
    return static_cast<int>(o - out);
}

char* twoDigits(char* o, int v) {
    *o++ = char('0' + v / 10 % 10);
    *o++ = char('0' + v % 10);
    return o;
}

}  // namespace

QByteArray FormatNumber(double value) {
    char buf[48];
    const int n = formatNumberTo(value, buf);
    return QByteArray(buf, n);
}

QDateTime ZeroDateTime() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }

QDateTime ValueAsDateTime(const QVariant& value) {
    if (value.isNull() || !value.isValid()) return ZeroDateTime();
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return QDateTime(value.toDate(), QTime(0, 0));
    case QMetaType::QTime:
        return QDateTime(QDate(1899, 12, 30), value.toTime());
    case QMetaType::QDateTime:
        return value.toDateTime();
    default: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid()) throw std::runtime_error("'" + value.toString().toStdString() + "' is not a valid date and time");
        return dt;
    }
    }
}

QString DateTimeText(const QDateTime& dt) {
    const QDate d = dt.date();
    const QTime t = dt.time();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                             t.second());
}

QString TimeText(const QDateTime& dt) {
    const QTime t = dt.time();
    return QString::asprintf("%02d:%02d:%02d", t.hour(), t.minute(), t.second());
}

namespace {

// The fields of a column value as ValueAsDateTime reads them, when that needs no time zone: NULL,
// a DATE, a TIME or a TIMESTAMP the driver already made. False for anything else.
bool plainDateTime(const QVariant& value, QDate& d, QTime& t) {
    if (value.isNull() || !value.isValid()) {
        d = QDate(1899, 12, 30);
        t = QTime(0, 0);
        return true;
    }
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        d = value.toDate();
        t = QTime(0, 0);
        return d.isValid();
    case QMetaType::QTime:
        d = QDate(1899, 12, 30);
        t = value.toTime();
        return t.isValid();
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        d = dt.date();
        t = dt.time();
        return d.isValid() && t.isValid();
    }
    default:
        return false;
    }
}

char* timeDigits(char* o, const QTime& t) {
    o = twoDigits(o, t.hour());
    *o++ = ':';
    o = twoDigits(o, t.minute());
    *o++ = ':';
    return twoDigits(o, t.second());
}

}  // namespace

void AppendDateTimeText(JsonText& json, const QVariant& value) {
    QDate d;
    QTime t;
    if (!plainDateTime(value, d, t) || d.year() < 0 || d.year() > 9999) {
        json.string(DateTimeText(ValueAsDateTime(value)));
        return;
    }
    char buf[24];
    char* o = buf;
    const int y = d.year();
    *o++ = char('0' + y / 1000);
    *o++ = char('0' + y / 100 % 10);
    o = twoDigits(o, y % 100);
    *o++ = '-';
    o = twoDigits(o, d.month());
    *o++ = '-';
    o = twoDigits(o, d.day());
    *o++ = ' ';
    o = timeDigits(o, t);
    json.asciiString(buf, o - buf);
}

void AppendTimeText(JsonText& json, const QVariant& value) {
    QDate d;
    QTime t;
    if (!plainDateTime(value, d, t)) {
        json.string(TimeText(ValueAsDateTime(value)));
        return;
    }
    char buf[12];
    char* o = timeDigits(buf, t);
    json.asciiString(buf, o - buf);
}

}  // namespace velorix
