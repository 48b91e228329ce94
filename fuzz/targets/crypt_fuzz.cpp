// The unscrambler on any text: a result or std::invalid_argument, nothing else; and every text of
// codes 1 to 254 comes back from its scrambled form.
#include "fuzz/targets/FuzzCheck.h"
#include "shell/Crypt.h"

#include <QString>
#include <stdexcept>

namespace velorix::fuzz {

int FuzzCrypt(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QString& src : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        try {
            const QString plain = CryptText("D", src);
            FUZZ_CHECK(plain.size() <= src.size() / 2);
        } catch (const std::invalid_argument&) {
        }
    }

    QString plain = QString::fromLatin1(bytes);
    for (QChar& c : plain) {
        if (c.unicode() == 0 || c.unicode() == 255) c = QChar(u'x');
    }
    const QString scrambled = CryptText("C", plain);
    FUZZ_CHECK(scrambled.size() == (plain.isEmpty() ? 0 : 2 + 2 * plain.size()));
    if (!plain.isEmpty()) {
        FUZZ_CHECK(CryptText("D", scrambled) == plain);
        FUZZ_CHECK(CryptText("D", scrambled.toLower()) == plain);
    }
    return 0;
}

}  // namespace velorix::fuzz

VELORIX_FUZZ_ENTRY(velorix::fuzz::FuzzCrypt)
