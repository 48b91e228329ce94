// The form encoder: only the unreserved characters, "+" and %XX come out, and decoding gives the
// UTF-8 bytes back; a body of fields splits back into the same fields.
#include "fuzz/targets/FuzzCheck.h"
#include "summary/FormEncoding.h"

#include <QList>
#include <QString>

namespace velorix::fuzz {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is never written
}

QByteArray decode(const QByteArray& enc) {
    QByteArray out;
    for (qsizetype i = 0; i < enc.size(); ++i) {
        const char c = enc[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            FUZZ_CHECK(i + 2 < enc.size());
            const int hi = hexDigit(enc[i + 1]), lo = hexDigit(enc[i + 2]);
            FUZZ_CHECK(hi >= 0 && lo >= 0);
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' ||
                               c == '-' || c == '.' || c == '_';
            FUZZ_CHECK(plain);
            out += c;
        }
    }
    return out;
}

}  // namespace

int FuzzFormEncoding(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);
    FUZZ_CHECK(decode(FormEncode(text)) == text.toUtf8());

    // Fields split at NUL bytes, name and value alternating.
    QList<std::pair<QString, QString>> fields;
    const QList<QByteArray> parts = bytes.split('\0');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        fields.append({QString::fromUtf8(parts[i]), QString::fromUtf8(parts[i + 1])});
    }
    const QByteArray body = FormBody(fields);
    const QList<QByteArray> pairs = body.isEmpty() ? QList<QByteArray>() : body.split('&');
    FUZZ_CHECK(pairs.size() == fields.size());
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        const QList<QByteArray> nv = pairs[i].split('=');
        FUZZ_CHECK(nv.size() == 2);
        FUZZ_CHECK(decode(nv[0]) == fields[i].first.toUtf8());
        FUZZ_CHECK(decode(nv[1]) == fields[i].second.toUtf8());
    }
    return 0;
}

}  // namespace velorix::fuzz

VELORIX_FUZZ_ENTRY(velorix::fuzz::FuzzFormEncoding)
