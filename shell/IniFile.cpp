#include "shell/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <stdexcept>

namespace velorix {

namespace {

constexpr qsizetype kMaxValueChars = 2047;

QString decode(const QByteArray& bytes) {
    // Settings written by hand on the shop's computer may be in the old 8-bit code page.
    // Valid UTF-8 is taken as such, even when it holds U+FFFD itself (a value the program wrote);
    // a U+FEFF at the start of a value is part of it (the file's own mark is dropped by parse).
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
}

QByteArray trimBytes(const QByteArray& b) {
    qsizetype s = 0, e = b.size();
    while (s < e && static_cast<unsigned char>(b[s]) <= ' ') ++s;
    while (e > s && static_cast<unsigned char>(b[e - 1]) <= ' ') --e;
    return b.mid(s, e - s);
}

}  // namespace

IniFile IniFile::load(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return IniFile(path);
    return parse(f.readAll(), path);
}

IniFile IniFile::parse(const QByteArray& bytes, const QString& path) {
    IniFile ini(path);
    QString section;
    qsizetype pos = 0;
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3), ini.bom_ = true;
    while (pos < data.size()) {
        qsizetype nl = data.indexOf('\n', pos);
        qsizetype end = nl < 0 ? data.size() : nl;
        QByteArray raw = data.mid(pos, end - pos);
        if (raw.endsWith('\r')) raw.chop(1);
        pos = nl < 0 ? data.size() : nl + 1;

        Line line{raw, section, {}, false};
        const QByteArray t = trimBytes(raw);
        if (t.startsWith('[') && t.endsWith(']')) {
            section = decode(trimBytes(t.mid(1, t.size() - 2))).toLower();
            line.section = section;
            line.header = true;
        } else if (!t.startsWith(';') && !t.startsWith('#')) {
            const qsizetype eq = t.indexOf('=');
            if (eq > 0) line.key = decode(trimBytes(t.left(eq))).toLower();
        }
        ini.lines_.push_back(std::move(line));
    }
    return ini;
}

int IniFile::findKey(const QString& section, const QString& key) const {
    const QString s = section.toLower(), k = key.toLower();
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (!lines_[i].header && lines_[i].section == s && lines_[i].key == k) return static_cast<int>(i);
    }
    return -1;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const int i = findKey(section, key);
    if (i < 0) return std::nullopt;
    const QByteArray& raw = lines_[i].raw;
    return decode(trimBytes(raw.mid(raw.indexOf('=') + 1)));
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    auto v = value(section, key);
    if (!v) return def;
    return v->left(kMaxValueChars);
}

qint64 IniFile::readInteger(const QString& section, const QString& key, qint64 def) const {
    QString s = readString(section, key, QString());
    if (s.isEmpty()) return def;
    bool ok = false;
    qint64 n = 0;
    if (s.size() > 2 && (s.startsWith("0x") || s.startsWith("0X"))) {
        n = s.mid(2).toLongLong(&ok, 16);
    } else {
        n = s.toLongLong(&ok, 10);
    }
    if (!ok || n < INT32_MIN || n > INT32_MAX) return def;
    return n;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

int IniFile::findSectionEnd(const QString& section) const {
    const QString s = section.toLower();
    int last = -1;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].section == s && (lines_[i].header || !trimBytes(lines_[i].raw).isEmpty())) last = static_cast<int>(i);
    }
    return last;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    // Line breaks would split the entry on the next read.
    QString clean = value;
    clean.replace('\r', ' ').replace('\n', ' ');
    const int i = findKey(section, key);
    if (i >= 0) {
        // The key is written in the program's spelling, whatever case the file had.
        lines_[i].raw = key.toUtf8() + '=' + clean.toUtf8();
        return;
    }
    Line entry{key.toUtf8() + '=' + clean.toUtf8(), section.toLower(), key.toLower(), false};
    int end = findSectionEnd(section);
    if (end < 0) {
        if (!lines_.empty() && !trimBytes(lines_.back().raw).isEmpty()) lines_.push_back({QByteArray(), {}, {}, false});
        lines_.push_back({'[' + section.toUtf8() + ']', section.toLower(), {}, true});
        lines_.push_back(std::move(entry));
    } else {
        lines_.insert(lines_.begin() + end + 1, std::move(entry));
    }
}

QByteArray IniFile::serialize() const {
    // The file's byte-order mark is kept apart from the lines: a line holding only those three bytes
    // further down is a line like any other and keeps its line break.
    QByteArray out = bom_ ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const Line& l : lines_) {
        out += l.raw;
        out += "\r\n";
    }
    return out;
}

void IniFile::save() const {
    QSaveFile f(path_);
    const QByteArray data = serialize();
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) {
        throw std::runtime_error(QStringLiteral("Unable to write to %1").arg(path_).toStdString());
    }
}

}  // namespace velorix
