#include "uploads/JsonText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace velorix {

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
    out_ += FormatNumber(value);
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

QByteArray FormatNumber(double value) {
    if (!std::isfinite(value)) return "null";
    if (value == 0) return "0";
    // 15 significant digits, rounded once: d.dddddddddddddde±x
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    // Near the largest double, 15 digits round past it and the text would read back as infinite
    // (a JSON reader rejects it): there the 17 digits that read back exactly are written.
    if (std::isinf(std::strtod(buf, nullptr))) std::snprintf(buf, sizeof buf, "%.16e", value);
    const bool negative = buf[0] == '-';
    const char* p = buf + (negative ? 1 : 0);
    std::string digits;
    digits += p[0];
    const char* frac = p + 2;
    const char* e = std::strchr(frac, 'e');
    digits.append(frac, static_cast<size_t>(e - frac));
    const int exponent = std::atoi(e + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out;
    if (negative) out += '-';
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
    } else if (exponent >= 0) {
        const size_t intDigits = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            out += digits;
            out.append(intDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, intDigits);
            out += '.';
            out.append(digits, intDigits);
        }
    } else {
        out += "0.";
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out += digits;
    }
    return QByteArray::fromStdString(out);
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

}  // namespace velorix
