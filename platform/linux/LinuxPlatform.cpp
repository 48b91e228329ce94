#include "platform/linux/LinuxPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkInterface>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdio>
#include <fcntl.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

namespace velorix::linux_platform {

bool InterfaceConnectivity::isOnline() {
    const auto all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : all) {
        const auto f = i.flags();
        if (!(f & QNetworkInterface::IsUp) || !(f & QNetworkInterface::IsRunning) || (f & QNetworkInterface::IsLoopBack)) continue;
        if (!i.addressEntries().isEmpty()) return true;
    }
    return false;
}

FileLockInstance::FileLockInstance(QString dir) : dir_(dir.isEmpty() ? runtimeDir() : std::move(dir)) {}

FileLockInstance::~FileLockInstance() { release(); }

QString FileLockInstance::runtimeDir() {
    const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QFileInfo(QString::fromLocal8Bit(xdg)).isDir()) return QString::fromLocal8Bit(xdg);
    const QString fallback = QDir::tempPath() + "/velorix-" + QString::number(getuid());
    QDir().mkpath(fallback);
    QFile::setPermissions(fallback, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return fallback;
}

bool FileLockInstance::isAlreadyRunning(const QString& name) {
    if (fd_ >= 0) return false;
    const QByteArray path = QFile::encodeName(QDir(dir_).filePath(name + ".lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;  // cannot tell: better run twice than never
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return true;
    }
    fd_ = fd;
    return false;
}

void FileLockInstance::release() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

QString BuildVersion::fileVersion(const QString& path) {
    if (!QFileInfo::exists(path)) return QString();
    return QStringLiteral(VELORIX_VERSION);
}

RegionalSettings LocaleRegional::settings() const {
    const QLocale loc = QLocale::system();
    RegionalSettings rs;
    rs.decimalSeparator = loc.decimalPoint().isEmpty() ? QChar('.') : loc.decimalPoint().at(0);
    QString date = loc.dateFormat(QLocale::ShortFormat);
    QString time = loc.timeFormat(QLocale::LongFormat);
    for (QChar c : date) {
        if (!c.isLetter()) { rs.dateSeparator = c; break; }
    }
    for (QChar c : time) {
        if (!c.isLetter()) { rs.timeSeparator = c; break; }
    }
    // The long time text has no time zone.
    time.remove(QLatin1Char('t'));
    rs.shortDateFormat = date;
    rs.longTimeFormat = time.trimmed();
    return rs;
}

void StderrErrorDisplay::showError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

bool SelfLauncher::restartSelf() { return QProcess::startDetached(program_, args_); }

XdgAutostart::XdgAutostart(QString executable, QString dir, QStringList args)
    : executable_(std::move(executable)), dir_(dir.isEmpty() ? defaultDir() : std::move(dir)), args_(std::move(args)) {}

QString XdgAutostart::defaultDir() {
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    const QString base = xdg.isEmpty() ? QDir::homePath() + "/.config" : QString::fromLocal8Bit(xdg);
    return base + "/autostart";
}

QString XdgAutostart::entryPath(const QString& name) const { return QDir(dir_).filePath(name + ".desktop"); }

bool XdgAutostart::isRegistered(const QString& name) const {
    const QFileInfo fi(entryPath(name));
    return fi.exists() || fi.isSymLink();
}

void XdgAutostart::apply(const QString& name, bool enable) {
    const QString path = entryPath(name);
    if (!enable) {
        if (isRegistered(name) && !QFile::remove(path)) {
            throw std::runtime_error(QStringLiteral("Failed to remove '%1'").arg(path).toStdString());
        }
        return;
    }
    // An existing entry is left as it is, even if it points elsewhere.
    if (isRegistered(name)) return;
    // Desktop entry values: backslash escapes for every string; Exec also quotes the program
    // (the quoting escapes are undone after the string escapes) and doubles "%" (field codes).
    auto escaped = [](const QString& v) {
        QString out;
        for (QChar c : v) {
            if (c == '\\') out += "\\\\";
            else if (c == '\n') out += "\\n";
            else if (c == '\t') out += "\\t";
            else if (c == '\r') out += "\\r";
            else out += c;
        }
        return out;
    };
    auto exec = [&](const QStringList& argv) {
        QStringList quoted;
        for (const QString& a : argv) {
            QString q;
            for (QChar c : a) {
                if (c == '"' || c == '`' || c == '$' || c == '\\') q += '\\';
                q += c;
            }
            quoted << '"' + q + '"';
        }
        return escaped(quoted.join(' ')).replace('%', "%%");
    };
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=%1\n"
                             "Exec=%2\n"
                             "Path=%3\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n")
                             .arg(escaped(name), exec(QStringList{executable_} + args_), escaped(QFileInfo(executable_).absolutePath()));
    QDir().mkpath(dir_);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0 || !f.commit()) {
        throw std::runtime_error(QStringLiteral("Failed to set data for '%1'").arg(name).toStdString());
    }
}

QString OsReleaseSystemInfo::productName() const {
    QFile f(osRelease_);
    // Systems without /etc/os-release keep it under /usr/lib.
    if (!f.open(QIODevice::ReadOnly)) {
        if (osRelease_ != "/etc/os-release") return QString();
        f.setFileName("/usr/lib/os-release");
        if (!f.open(QIODevice::ReadOnly)) return QString();
    }
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (!line.startsWith("PRETTY_NAME=")) continue;
        // Shell-style value: single quotes literal, double quotes with \ escapes of " \ $ `.
        const QString v = line.mid(12);
        if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') return v.mid(1, v.size() - 2);
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
            QString out;
            for (qsizetype i = 1; i < v.size() - 1; ++i) {
                if (v[i] == '\\' && i + 1 < v.size() - 1 && QStringLiteral("\"\\$`").contains(v[i + 1])) ++i;
                out += v[i];
            }
            return out;
        }
        return v;
    }
    return QString();
}

QString OsReleaseSystemInfo::userName() const {
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name) return QString::fromLocal8Bit(pw->pw_name);
    return QString::fromLocal8Bit(qgetenv("USER"));
}

void CommandSound::playAsync(const QString& path) {
    if (!QFileInfo::exists(path)) return;
    for (const char* player : {"paplay", "pw-play", "aplay"}) {
        const QString exe = QStandardPaths::findExecutable(player);
        if (exe.isEmpty()) continue;
        QStringList args;
        if (QString(player) == "aplay") args << "-q";
        args << path;
        QProcess::startDetached(exe, args);
        return;
    }
}

Platform headlessPlatform(const QString& executable, const QStringList& restartArgs) {
    return Platform{std::make_shared<SystemClock>(),
                    std::make_shared<InterfaceConnectivity>(),
                    std::make_shared<FileLockInstance>(),
                    std::make_shared<BuildVersion>(),
                    std::make_shared<LocaleRegional>(),
                    std::make_shared<StderrErrorDisplay>(),
                    std::make_shared<NoTray>(),
                    std::make_shared<NoMessageBox>(),
                    std::make_shared<SelfLauncher>(executable, restartArgs),
                    std::make_shared<XdgAutostart>(executable, QString(), restartArgs),
                    std::make_shared<OsReleaseSystemInfo>(),
                    std::make_shared<CommandSound>()};
}

}  // namespace velorix::linux_platform
