// The settings-file reader: any bytes parse; reads stay in their bounds; a write changes exactly
// the key written; a serialized file reads back the same.
#include "fuzz/targets/FuzzCheck.h"
#include "shell/IniFile.h"

#include <QByteArray>
#include <QString>

namespace velorix::fuzz {

namespace {

struct Name {
    const char* section;
    const char* key;
};
// The names the program reads and writes, plus a section the files never hold.
constexpr Name kNames[] = {{"BD", "Path"}, {"BD", "IP"},         {"BD", "PORT"},      {"BD", "USER"},
                           {"BD", "PASS"}, {"Config", "Minutos"}, {"Config", "Liga"}, {"Novo", "Chave"}};
constexpr int kNameCount = sizeof kNames / sizeof kNames[0];

// What a written value reads as: line breaks become blanks, blanks and control characters at the
// ends are dropped, at most 2047 characters.
QString expectedRead(QString v) {
    v.replace('\r', ' ').replace('\n', ' ');
    qsizetype s = 0, e = v.size();
    while (s < e && v[s].unicode() <= ' ') ++s;
    while (e > s && v[e - 1].unicode() <= ' ') --e;
    return v.mid(s, e - s).left(2047);
}

void checkReads(const IniFile& ini) {
    for (const Name& n : kNames) {
        const QString s = ini.readString(n.section, n.key, "<none>");
        FUZZ_CHECK(s.size() <= 2047);
        const qint64 i = ini.readInteger(n.section, n.key, -7);
        FUZZ_CHECK(i >= INT32_MIN && i <= INT32_MAX);
        ini.readBool(n.section, n.key, true);
    }
}

}  // namespace

int FuzzIniFile(const uint8_t* data, size_t size) {
    // First byte: which name to write; the rest: the file, up to a NUL, then the value to write.
    if (size < 1) return 0;
    const Name& target = kNames[data[0] % kNameCount];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const qsizetype nul = rest.indexOf('\0');
    const QByteArray file = nul < 0 ? rest : rest.left(nul);
    const QString value = nul < 0 ? QString() : QString::fromUtf8(rest.mid(nul + 1));

    IniFile ini = IniFile::parse(file);
    checkReads(ini);

    // parse(serialize()) is a fixed point, and reads the same.
    const QByteArray once = ini.serialize();
    const IniFile again = IniFile::parse(once);
    FUZZ_CHECK(again.serialize() == once);
    for (const Name& n : kNames) FUZZ_CHECK(again.value(n.section, n.key) == ini.value(n.section, n.key));

    // Writing one key: it reads back as written, every other key as before, also after a reload.
    QString before[kNameCount];
    for (int k = 0; k < kNameCount; ++k) before[k] = ini.readString(kNames[k].section, kNames[k].key, "<none>");
    ini.writeString(target.section, target.key, value);
    const IniFile reloaded = IniFile::parse(ini.serialize());
    for (const IniFile* f : {static_cast<const IniFile*>(&ini), &reloaded}) {
        checkReads(*f);
        for (int k = 0; k < kNameCount; ++k) {
            const QString now = f->readString(kNames[k].section, kNames[k].key, "<none>");
            if (&kNames[k] == &target) {
                if (now != expectedRead(value)) std::fprintf(stderr, "wrote [%s] read [%s]\n", qPrintable(expectedRead(value).toUtf8().toHex(' ')), qPrintable(now.toUtf8().toHex(' ')));
                FUZZ_CHECK(now == expectedRead(value));
            } else {
                FUZZ_CHECK(now == before[k]);
            }
        }
    }
    return 0;
}

}  // namespace velorix::fuzz

VELORIX_FUZZ_ENTRY(velorix::fuzz::FuzzIniFile)
