#include "PrivateFirebird.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace velorix::testing {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

QString envOr(const char* name, const char* fallback) {
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? QString::fromUtf8(fallback) : v;
}

// A loopback port nobody listens on right now.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) fail(QStringLiteral("socket: %1").arg(std::strerror(errno)));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    ::close(s);
    if (!ok) fail(QStringLiteral("no free loopback port: %1").arg(std::strerror(errno)));
    return ntohs(a.sin_port);
}

bool accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

void copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    if (!QFile::copy(from, to)) fail(QStringLiteral("cannot copy %1 to %2 (run the tests as root?)").arg(from, to));
    QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) fail(QStringLiteral("cannot read %1").arg(path));
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
        fail(QStringLiteral("cannot write %1").arg(path));
}

// The lines of a configuration file without the active settings of `keys`.
QByteArray withoutKeys(const QByteArray& text, const QStringList& keys) {
    QByteArray out;
    for (const QByteArray& line : text.split('\n')) {
        const QString l = QString::fromUtf8(line).trimmed();
        bool drop = false;
        for (const QString& k : keys) {
            if (QRegularExpression(QStringLiteral("^%1\\s*=").arg(QRegularExpression::escape(k)),
                                   QRegularExpression::CaseInsensitiveOption)
                    .match(l)
                    .hasMatch())
                drop = true;
        }
        if (!drop) out += line + '\n';
    }
    return out;
}

}  // namespace

PrivateFirebird::PrivateFirebird(std::chrono::milliseconds startTimeout) : startTimeout_(startTimeout) {
    if (!dir_.isValid()) fail(QStringLiteral("cannot make a temporary directory: %1").arg(dir_.errorString()));
    if (!qEnvironmentVariableIsEmpty("VELORIX_FB_KEEP")) dir_.setAutoRemove(false);  // to look into afterwards
    password_ = FbServer::fromEnv().password;
    if (password_.isEmpty())
        fail(QStringLiteral("no Firebird SYSDBA password: set VELORIX_FB_PASSWORD (scripts/services env)"));
    port_ = freePort();
    writeConfiguration();
    start();
}

PrivateFirebird::~PrivateFirebird() { stop(SIGKILL); }

void PrivateFirebird::writeConfiguration() {
    const QDir d(dir_.path());
    for (const char* sub : {"root", "lock", "tmp", "db"}) {
        if (!d.mkpath(QString::fromUtf8(sub))) fail(QStringLiteral("cannot make %1 in %2").arg(sub, d.path()));
    }
    const QString root = d.filePath("root");
    // The server runs as the user of the test: the databases directory is its own.
    QFile::setPermissions(d.filePath("db"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // The installation's root: configuration files (symbolic links to /etc) and the messages.
    const QDir installed(envOr("VELORIX_FB_ROOT", "/usr/lib/x86_64-linux-gnu/firebird/3.0"));
    for (const QString name : {"firebird.conf", "databases.conf", "plugins.conf", "fbtrace.conf", "firebird.msg"}) {
        const QString from = installed.filePath(name);
        if (QFileInfo::exists(from)) copyFile(from, QDir(root).filePath(name));
    }
    // Directories the server finds relative to its root: the installed ones. The character sets'
    // module is copied: loaded through a link to the installed directory, the server reports
    // every character set of that module as not installed.
    for (const QFileInfo& sub : installed.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (sub.fileName() == "include") continue;
        const QString to = QDir(root).filePath(sub.fileName());
        if (sub.fileName() == "intl") {
            QDir(root).mkpath("intl");
            for (const QFileInfo& f : QDir(sub.absoluteFilePath()).entryInfoList(QDir::Files))
                copyFile(f.absoluteFilePath(), QDir(to).filePath(f.fileName()));
        } else if (!QFile::link(sub.absoluteFilePath(), to)) {
            fail(QStringLiteral("cannot link %1 into %2").arg(sub.absoluteFilePath(), root));
        }
    }
    if (!QFileInfo::exists(QDir(root).filePath("firebird.conf")))
        fail(QStringLiteral("no firebird.conf in %1 (set VELORIX_FB_ROOT)").arg(installed.path()));

    // A copy of the security database: the shared server keeps its own open, and two servers on
    // one file would corrupt it.
    const QString security = QDir(root).filePath("security3.fdb");
    copyFile(envOr("VELORIX_FB_SECURITY_DB", "/var/lib/firebird/3.0/system/security3.fdb"), security);

    const QString conf = QDir(root).filePath("firebird.conf");
    const QStringList keys = {"RemoteServicePort", "RemoteBindAddress", "IpcName", "SecurityDatabase",
                              "DefaultDbCachePages", "RemoteAuxPort"};
    QByteArray text = withoutKeys(readAll(conf), keys);
    text += QStringLiteral("\n# this test instance\nRemoteServicePort = %1\nRemoteBindAddress = 127.0.0.1\n"
                           "IpcName = velorix_test_%1\nSecurityDatabase = %2\nDefaultDbCachePages = 256\n"
                           "RemoteAuxPort = 0\n")
                .arg(port_)
                .arg(security)
                .toUtf8();
    writeAll(conf, text);

    // The alias keeps its block of settings (no remote access) that follows it.
    const QString aliases = QDir(root).filePath("databases.conf");
    QString a = QFileInfo::exists(aliases) ? QString::fromUtf8(readAll(aliases)) : QString();
    static const QRegularExpression alias(QStringLiteral("^\\s*security\\.db\\s*=.*$"),
                                          QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    if (a.contains(alias)) {
        a.replace(alias, QStringLiteral("security.db = ") + security);
    } else {
        a += QStringLiteral("\nsecurity.db = ") + security + QLatin1Char('\n');
    }
    writeAll(aliases, a.toUtf8());
}

void PrivateFirebird::start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pid_ > 0) return;

    const QDir d(dir_.path());
    const QByteArray program = envOr("VELORIX_FB_SERVER_BIN", "/usr/sbin/firebird").toLocal8Bit();
    if (::access(program.constData(), X_OK) != 0)
        fail(QStringLiteral("cannot run %1: %2").arg(QString::fromLocal8Bit(program), std::strerror(errno)));

    // Everything the child needs is prepared here: between fork and exec only async-signal-safe
    // calls are allowed.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        const std::string name = v.substr(0, v.find('='));
        if (name == "FIREBIRD" || name == "FIREBIRD_LOCK" || name == "FIREBIRD_TMP" || name == "FIREBIRD_MSG" ||
            name == "ISC_USER" || name == "ISC_PASSWORD")
            continue;
        env.push_back(v);
    }
    env.push_back("FIREBIRD=" + d.filePath("root").toStdString());
    env.push_back("FIREBIRD_LOCK=" + d.filePath("lock").toStdString());
    env.push_back("FIREBIRD_TMP=" + d.filePath("tmp").toStdString());
    env.push_back("FIREBIRD_MSG=" + d.filePath("root").toStdString());
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program.constData()), nullptr};

    const QByteArray logPath = d.filePath("server.log").toLocal8Bit();
    const int logFd = ::open(logPath.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (logFd < 0) fail(QStringLiteral("cannot open %1").arg(QString::fromLocal8Bit(logPath)));
    const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(logFd);
        if (nullFd >= 0) ::close(nullFd);
        fail(QStringLiteral("fork: %1").arg(std::strerror(errno)));
    }
    if (pid == 0) {
        // The server must not outlive the test, whatever way the test ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        if (nullFd >= 0) ::dup2(nullFd, 0);
        ::dup2(logFd, 1);
        ::dup2(logFd, 2);
        // No descriptor of the test (its sockets, the panel's listener) leaks into the server.
        ::syscall(SYS_close_range, 3u, ~0u, 0u);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    ::close(logFd);
    if (nullFd >= 0) ::close(nullFd);
    pid_ = pid;

    const auto deadline = Clock::now() + startTimeout_;
    while (!accepts(port_)) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            fail(QStringLiteral("the test Firebird server ended at start (status %1): %2")
                     .arg(status)
                     .arg(QString::fromLocal8Bit(readAll(d.filePath("server.log")))));
        }
        if (Clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
            fail(QStringLiteral("the test Firebird server did not listen on port %1 in time: %2")
                     .arg(port_)
                     .arg(QString::fromLocal8Bit(readAll(d.filePath("server.log")))));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void PrivateFirebird::stop(int signal) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pid_ <= 0) return;
    ::kill(pid_, signal);
    int status = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

bool PrivateFirebird::running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pid_ > 0;
}

FbServer PrivateFirebird::server() const {
    FbServer s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = QString::number(port_);
    s.password = password_;
    s.dir = QDir(dir_.path()).filePath("db");
    return s;
}

QString PrivateFirebird::serverOutput() const {
    QFile f(QDir(dir_.path()).filePath("server.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

}  // namespace velorix::testing
