#pragma once
// The platform services that need the desktop: tray icon, message boxes.

#include "platform/Platform.h"

#include <QObject>
#include <functional>

class QSystemTrayIcon;
class QMenu;

namespace velorix::gui {

class QtTray : public QObject, public Tray {
    Q_OBJECT
public:
    explicit QtTray(QObject* parent = nullptr);
    ~QtTray() override;
    bool available() const override;
    void setVisible(bool visible) override;
    bool isVisible() const override;
    void setToolTip(const QString& text) override;
    void showBalloon(const QString& title, const QString& text) override;
    void setMenu(QMenu* menu);
    QSystemTrayIcon* icon() const { return icon_; }

signals:
    void doubleClicked();

private:
    QSystemTrayIcon* icon_;
};

class QtMessageBox : public MessageBox {
public:
    bool askYesNo(const QString& title, const QString& text) override;
};

class QtErrorDisplay : public ErrorDisplay {
public:
    void showError(const QString& text) override;
};

// The desktop program's services: the headless ones plus the tray and the boxes.
Platform desktopPlatform(const QString& executable, std::shared_ptr<QtTray> tray);

}  // namespace velorix::gui
