#pragma once
// The outside services the program needs from the operating system, each behind a small
// interface so the shell, the uploads and the store link run (and are tested) without them.

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

namespace velorix {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class Connectivity {
public:
    virtual ~Connectivity() = default;
    // True when the computer has a network connection that can reach the web panel.
    virtual bool isOnline() = 0;
};

class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    // True when another live process already holds `name`; otherwise takes it for the life of
    // the process (or until release()).
    virtual bool isAlreadyRunning(const QString& name) = 0;
    virtual void release() = 0;
};

class VersionInfo {
public:
    virtual ~VersionInfo() = default;
    // "a.b.c.d" of the given executable, or empty text when it carries no version.
    virtual QString fileVersion(const QString& path) = 0;
};

// The computer's regional settings, as the date and number texts use them.
struct RegionalSettings {
    QChar dateSeparator = '/';
    QChar timeSeparator = ':';
    QChar decimalSeparator = ',';
    QString shortDateFormat = "dd/MM/yyyy";  // Qt pattern
    QString longTimeFormat = "HH:mm:ss";     // Qt pattern
};

class Regional {
public:
    virtual ~Regional() = default;
    virtual RegionalSettings settings() const = 0;
};

// The default error display: what an error that no routine caught ends in.
class ErrorDisplay {
public:
    virtual ~ErrorDisplay() = default;
    virtual void showError(const QString& text) = 0;
};

class Tray {
public:
    virtual ~Tray() = default;
    virtual bool available() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    virtual void setToolTip(const QString& text) = 0;
    virtual void showBalloon(const QString& title, const QString& text) = 0;
};

class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
};

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts the program again as a detached process; false when it could not be started.
    virtual bool restartSelf() = 0;
};

class Autostart {
public:
    virtual ~Autostart() = default;
    // Registers (creates when missing) or unregisters the start-at-logon entry `name`.
    // Throws std::runtime_error when the entry cannot be written or removed.
    virtual void apply(const QString& name, bool enable) = 0;
    virtual bool isRegistered(const QString& name) const = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    virtual QString productName() const = 0;  // the operating system's name
    virtual QString userName() const = 0;     // the login name
};

class Sound {
public:
    virtual ~Sound() = default;
    // Plays the file without blocking the caller; errors are silent, as an alert sound may be missing.
    virtual void playAsync(const QString& path) = 0;
};

// All services together, as the window and the routines receive them.
struct Platform {
    std::shared_ptr<Clock> clock;
    std::shared_ptr<Connectivity> connectivity;
    std::shared_ptr<SingleInstance> singleInstance;
    std::shared_ptr<VersionInfo> version;
    std::shared_ptr<Regional> regional;
    std::shared_ptr<ErrorDisplay> errors;
    std::shared_ptr<Tray> tray;
    std::shared_ptr<MessageBox> messageBox;
    std::shared_ptr<Launcher> launcher;
    std::shared_ptr<Autostart> autostart;
    std::shared_ptr<SystemInfo> systemInfo;
    std::shared_ptr<Sound> sound;
};

}  // namespace velorix
