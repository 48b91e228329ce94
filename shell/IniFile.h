#pragma once
// Sectioned key=value settings files (Banco.ini, app.ini).
// Section and key names match without regard to case. Lines the program does not know are kept
// byte for byte, so a save never loses what another tool or an older version wrote.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace velorix {

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(QString path) : path_(std::move(path)) {}

    // Reads the file; a missing or unreadable file reads as empty (every key at its default).
    // An unreadable one also sets readError(), and save() then refuses to replace it.
    static IniFile load(const QString& path);
    // Parses text already in memory (tests, fuzzing).
    static IniFile parse(const QByteArray& bytes, const QString& path = {});

    const QString& path() const { return path_; }
    // Why an existing file could not be read ("Unable to read <path>: <reason>"); empty when it
    // was read or does not exist.
    const QString& readError() const { return readError_; }

    std::optional<QString> value(const QString& section, const QString& key) const;
    // Text values are read up to 2047 characters.
    QString readString(const QString& section, const QString& key, const QString& def) const;
    // Integer as the settings files store it: decimal, or hexadecimal after "0x" when the text is
    // longer than two characters; anything else gives `def`.
    qint64 readInteger(const QString& section, const QString& key, qint64 def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Changes the value in place (the key keeps its place and spelling); a new key is appended to
    // its section, a new section to the file.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeBool(const QString& section, const QString& key, bool value) { writeString(section, key, value ? "1" : "0"); }

    QByteArray serialize() const;
    // Writes the whole file to a temporary file beside it and renames it over the old one, so a
    // crash or a full disk leaves the old file or the new one, never half of one.
    // Throws std::runtime_error("Unable to write to <path>") on failure; the old file is untouched.
    // A file that exists but could not be read is never replaced: its settings would be lost.
    void save() const;

private:
    struct Line {
        QByteArray raw;      // the line as read, without its line break (a run of unread lines: joined by CR LF)
        QString section;     // section it belongs to (lower case)
        QString key;         // lower-case key, empty for non-key lines
        bool header = false;
    };
    int findKey(const QString& section, const QString& key) const;
    int findSectionEnd(const QString& section) const;

    QString path_;
    QString readError_;
    bool bom_ = false;  // the file began with a UTF-8 byte-order mark
    std::vector<Line> lines_;
};

}  // namespace velorix
