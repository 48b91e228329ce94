#include "shell/Crypt.h"

#include <QCoreApplication>
#include <stdexcept>

namespace velorix {

namespace {

const QString kKey = QStringLiteral("DMQFZLTRWBNVCEKSHGYPAJUXOI31579ZQMBWTLRNDVKFCSGH");

int hexValue(const QString& pair) {
    bool ok = false;
    const int v = pair.toInt(&ok, 16);
    // Only plain hexadecimal digits: no sign, no blanks, no "0x".
    bool digits = !pair.isEmpty();
    for (QChar c : pair) digits = digits && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
    if (!ok || !digits) throw std::invalid_argument(QStringLiteral("'%1' is not a valid integer value").arg(pair).toStdString());
    return v;
}

}  // namespace

QString CryptText(const QString& Action, const QString& Src) {
    if (Src.isEmpty()) return QString();
    const int keyLen = static_cast<int>(kKey.size());
    if (Action == "C") {
        int offSet = 128;
        QString dest = QString::asprintf("%1.2X", offSet);
        int keyPos = 0;
        for (QChar ch : Src) {
            QCoreApplication::processEvents();
            int srcAsc = (ch.unicode() + offSet) % 255;
            keyPos = keyPos < keyLen ? keyPos + 1 : 1;
            srcAsc ^= kKey[keyPos - 1].unicode();
            dest += QString::asprintf("%1.2X", srcAsc);
            offSet = srcAsc;
        }
        return dest;
    }
    if (Action == "D") {
        int offSet = hexValue(Src.left(2));
        int keyPos = 0;
        qsizetype srcPos = 3;  // 1-based, as the stored form counts
        QString dest;
        do {
            const int srcAsc = hexValue(Src.mid(srcPos - 1, 2));
            keyPos = keyPos < keyLen ? keyPos + 1 : 1;
            int tmp = srcAsc ^ kKey[keyPos - 1].unicode();
            tmp = tmp <= offSet ? 255 + tmp - offSet : tmp - offSet;
            dest += QChar(static_cast<char16_t>(tmp));
            offSet = srcAsc;
            srcPos += 2;
        } while (srcPos < Src.size());
        return dest;
    }
    return QString();
}

}  // namespace velorix
