#pragma once
// Linux implementations of the platform services that need no display.

#include "platform/Platform.h"

#include <QStringList>

namespace velorix::linux_platform {

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// Online when a non-loopback interface is up with an address.
class InterfaceConnectivity : public Connectivity {
public:
    bool isOnline() override;
};

// An exclusive lock on a file named after the instance name in the user's runtime directory.
// The kernel drops it when the process ends, crash included.
class FileLockInstance : public SingleInstance {
public:
    explicit FileLockInstance(QString dir = {});
    ~FileLockInstance() override;
    bool isAlreadyRunning(const QString& name) override;
    void release() override;
    static QString runtimeDir();

private:
    QString dir_;
    int fd_ = -1;
};

// The version is the build's own.
class BuildVersion : public VersionInfo {
public:
    QString fileVersion(const QString& path) override;
};

class LocaleRegional : public Regional {
public:
    RegionalSettings settings() const override;
};

class StderrErrorDisplay : public ErrorDisplay {
public:
    void showError(const QString& text) override;
};

// No notification area (headless runs): nothing is shown.
class NoTray : public Tray {
public:
    bool available() const override { return false; }
    void setVisible(bool v) override { visible_ = v; }
    bool isVisible() const override { return visible_; }
    void setToolTip(const QString&) override {}
    void showBalloon(const QString&, const QString&) override {}

private:
    bool visible_ = false;
};

// Without a person to ask, the answer is "No".
class NoMessageBox : public MessageBox {
public:
    bool askYesNo(const QString&, const QString&) override { return false; }
};

class SelfLauncher : public Launcher {
public:
    explicit SelfLauncher(QString program, QStringList args) : program_(std::move(program)), args_(std::move(args)) {}
    bool restartSelf() override;

private:
    QString program_;
    QStringList args_;
};

// XDG autostart entry <name>.desktop in the user's autostart folder, starting `executable` with `args`.
class XdgAutostart : public Autostart {
public:
    XdgAutostart(QString executable, QString dir = {}, QStringList args = {});
    void apply(const QString& name, bool enable) override;
    bool isRegistered(const QString& name) const override;
    static QString defaultDir();
    QString entryPath(const QString& name) const;

private:
    QString executable_;
    QString dir_;
    QStringList args_;
};

class OsReleaseSystemInfo : public SystemInfo {
public:
    explicit OsReleaseSystemInfo(QString osRelease = "/etc/os-release") : osRelease_(std::move(osRelease)) {}
    QString productName() const override;
    QString userName() const override;

private:
    QString osRelease_;
};

// Plays the file with the first player found (paplay, aplay, pw-play), detached.
class CommandSound : public Sound {
public:
    void playAsync(const QString& path) override;
};

// Every service without a display: the headless modes.
Platform headlessPlatform(const QString& executable, const QStringList& restartArgs);

}  // namespace velorix::linux_platform
