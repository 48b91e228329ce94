#include "summary/FormEncoding.h"

namespace velorix {

QByteArray FormEncode(const QString& text) {
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() * 3);
    for (char ch : utf8) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '*' || b == '-' ||
            b == '.' || b == '_') {
            out += static_cast<char>(b);
        } else if (b == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0x0F];
        }
    }
    return out;
}

QByteArray FormBody(const QList<std::pair<QString, QString>>& fields) {
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty()) body += '&';
        body += FormEncode(name) + '=' + FormEncode(value);
    }
    return body;
}

}  // namespace velorix
