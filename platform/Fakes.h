#pragma once
// Test doubles of the platform services: deterministic, recording what they were asked.

#include "platform/Platform.h"

#include <QStringList>
#include <utility>

namespace velorix::fakes {

class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime t = QDateTime(QDate(2025, 3, 14), QTime(10, 0, 0))) : t_(std::move(t)) {}
    QDateTime now() const override { return t_; }
    void set(const QDateTime& t) { t_ = t; }
    void advance(qint64 secs) { t_ = t_.addSecs(secs); }

private:
    QDateTime t_;
};

class FakeConnectivity : public Connectivity {
public:
    bool online = true;
    int calls = 0;
    bool isOnline() override { ++calls; return online; }
};

class FakeSingleInstance : public SingleInstance {
public:
    bool running = false;
    bool released = false;
    bool isAlreadyRunning(const QString&) override { return running; }
    void release() override { released = true; }
};

class FakeVersion : public VersionInfo {
public:
    QString version = "6.0.2.0";
    QString fileVersion(const QString&) override { return version; }
};

class FakeRegional : public Regional {
public:
    RegionalSettings value;
    RegionalSettings settings() const override { return value; }
};

class RecordingErrorDisplay : public ErrorDisplay {
public:
    QStringList shown;
    void showError(const QString& text) override { shown << text; }
};

class FakeTray : public Tray {
public:
    bool isAvailable = true;
    bool visible = false;
    QString toolTip;
    QList<std::pair<QString, QString>> balloons;
    bool available() const override { return isAvailable; }
    void setVisible(bool v) override { visible = v; }
    bool isVisible() const override { return visible; }
    void setToolTip(const QString& t) override { toolTip = t; }
    void showBalloon(const QString& title, const QString& text) override { balloons.append({title, text}); }
};

class FakeMessageBox : public MessageBox {
public:
    bool answer = false;
    QStringList asked;
    bool askYesNo(const QString&, const QString& text) override { asked << text; return answer; }
};

class FakeLauncher : public Launcher {
public:
    int restarts = 0;
    bool ok = true;
    bool restartSelf() override { ++restarts; return ok; }
};

class FakeAutostart : public Autostart {
public:
    QStringList registered;
    QString failWith;  // non-empty: apply() throws this
    void apply(const QString& name, bool enable) override;
    bool isRegistered(const QString& name) const override { return registered.contains(name); }
};

class FakeSystemInfo : public SystemInfo {
public:
    QString product = "Debian GNU/Linux 12 (bookworm)";
    QString user = "loja";
    QString productName() const override { return product; }
    QString userName() const override { return user; }
};

class FakeSound : public Sound {
public:
    QStringList played;
    void playAsync(const QString& path) override { played << path; }
};

// Every service faked; the fields keep typed access to the doubles.
struct FakePlatform {
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<FakeConnectivity> connectivity = std::make_shared<FakeConnectivity>();
    std::shared_ptr<FakeSingleInstance> singleInstance = std::make_shared<FakeSingleInstance>();
    std::shared_ptr<FakeVersion> version = std::make_shared<FakeVersion>();
    std::shared_ptr<FakeRegional> regional = std::make_shared<FakeRegional>();
    std::shared_ptr<RecordingErrorDisplay> errors = std::make_shared<RecordingErrorDisplay>();
    std::shared_ptr<FakeTray> tray = std::make_shared<FakeTray>();
    std::shared_ptr<FakeMessageBox> messageBox = std::make_shared<FakeMessageBox>();
    std::shared_ptr<FakeLauncher> launcher = std::make_shared<FakeLauncher>();
    std::shared_ptr<FakeAutostart> autostart = std::make_shared<FakeAutostart>();
    std::shared_ptr<FakeSystemInfo> systemInfo = std::make_shared<FakeSystemInfo>();
    std::shared_ptr<FakeSound> sound = std::make_shared<FakeSound>();

    Platform platform() const {
        return Platform{clock, connectivity, singleInstance, version, regional, errors,
                        tray, messageBox, launcher, autostart, systemInfo, sound};
    }
};

}  // namespace velorix::fakes
