#include "shell/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <cerrno>
#include <stdexcept>
#include <sys/stat.h>

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

bool isBlank(const QByteArray& b) {
    for (char c : b) {
        if (static_cast<unsigned char>(c) > ' ') return false;
    }
    return true;
}

QByteArray trimBytes(const QByteArray& b) {
    qsizetype s = 0, e = b.size();
    while (s < e && static_cast<unsigned char>(b[s]) <= ' ') ++s;
    while (e > s && static_cast<unsigned char>(b[e - 1]) <= ' ') --e;
    return b.mid(s, e - s);
}

}  // namespace

IniFile IniFile::load(const QString& path) {
    // Missing (nothing to lose: the defaults apply) is told apart from unreadable (a directory,
    // no permission, a read error), whose settings a later save must not overwrite.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        return IniFile(path);
    }
    QFile f(path);
    if (!QFileInfo(path).isDir() && f.open(QIODevice::ReadOnly)) {
        QByteArray bytes = f.readAll();
        if (f.error() == QFileDevice::NoError) return parse(bytes, path);
    }
    IniFile unreadable(path);
    const QString reason = QFileInfo(path).isDir() ? QStringLiteral("it is a directory") : f.errorString();
    unreadable.readError_ = QStringLiteral("Unable to read %1: %2").arg(path, reason);
    return unreadable;
}

IniFile IniFile::parse(const QByteArray& bytes, const QString& path) {
    IniFile ini(path);
    QString section;
    qsizetype pos = 0;
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3), ini.bom_ = true;
    // Lines never read as settings (blank lines, comments, text without a key, and the later
    // copies of a key, since the first one is the one read and written) are kept as runs, one
    // entry per run, holding them as they are written back. A damaged file of millions of such
    // lines is then a handful of entries, not millions.
    QSet<QString> keysSeen;
    bool inRun = false;
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
            if (eq > 0) {
                QString key = decode(trimBytes(t.left(eq))).toLower();
                const QString id = section + QChar(0) + key;
                if (!keysSeen.contains(id)) {
                    keysSeen.insert(id);
                    line.key = std::move(key);
                }
            }
        }
        if (line.header || !line.key.isEmpty()) {
            inRun = false;
        } else if (inRun) {
            QByteArray& run = ini.lines_.back().raw;
            run += "\r\n";
            run += raw;
            continue;
        } else {
            inRun = true;
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
        if (lines_[i].section == s && (lines_[i].header || !isBlank(lines_[i].raw))) last = static_cast<int>(i);
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
        if (!lines_.empty()) {
            // A blank line before the new section, unless the file ends in one already.
            const QByteArray& raw = lines_.back().raw;
            const qsizetype lastBreak = raw.lastIndexOf("\r\n");
            if (!isBlank(lastBreak < 0 ? raw : raw.mid(lastBreak + 2))) lines_.push_back({QByteArray(), {}, {}, false});
        }
        lines_.push_back({'[' + section.toUtf8() + ']', section.toLower(), {}, true});
        lines_.push_back(std::move(entry));
    } else {
        // A new key goes after the section's last line that is not blank. In a run of unread
        // lines that one may be followed by blank lines: the run is split there.
        Line& last = lines_[end];
        if (!last.header && last.key.isEmpty()) {
            qsizetype p = last.raw.size();
            while (p > 0 && static_cast<unsigned char>(last.raw[p - 1]) <= ' ') --p;
            const qsizetype lineEnd = last.raw.indexOf("\r\n", p);
            if (lineEnd >= 0) {
                Line tail{last.raw.mid(lineEnd + 2), last.section, {}, false};
                last.raw.truncate(lineEnd);
                lines_.insert(lines_.begin() + end + 1, std::move(tail));
            }
        }
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
    if (!readError_.isEmpty()) {
        throw std::runtime_error(QStringLiteral("Unable to write to %1").arg(path_).toStdString());
    }
    QSaveFile f(path_);
    const QByteArray data = serialize();
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) {
        throw std::runtime_error(QStringLiteral("Unable to write to %1").arg(path_).toStdString());
    }
}

}  // namespace velorix
