#include "platform/gui/QtPlatform.h"

#include "platform/linux/LinuxPlatform.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>

namespace velorix::gui {

QtTray::QtTray(QObject* parent) : QObject(parent), icon_(new QSystemTrayIcon) {
    icon_->setIcon(QApplication::windowIcon());
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick) emit doubleClicked();
    });
}

QtTray::~QtTray() { delete icon_; }

bool QtTray::available() const { return QSystemTrayIcon::isSystemTrayAvailable(); }
void QtTray::setVisible(bool visible) { icon_->setVisible(visible); }
bool QtTray::isVisible() const { return icon_->isVisible(); }
void QtTray::setToolTip(const QString& text) { icon_->setToolTip(text); }
void QtTray::setMenu(QMenu* menu) { icon_->setContextMenu(menu); }

void QtTray::showBalloon(const QString& title, const QString& text) {
    // Desktop notifications (freedesktop) where the session has them; an empty balloon shows nothing.
    if (text.isEmpty()) return;
    icon_->showMessage(title, text, QSystemTrayIcon::NoIcon, 2000);
}

bool QtMessageBox::askYesNo(const QString& title, const QString& text) {
    return QMessageBox::question(nullptr, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtErrorDisplay::showError(const QString& text) {
    QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), text);
}

Platform desktopPlatform(const QString& executable, std::shared_ptr<QtTray> tray) {
    Platform p = linux_platform::headlessPlatform(executable, {});
    p.tray = std::move(tray);
    p.messageBox = std::make_shared<QtMessageBox>();
    p.errors = std::make_shared<QtErrorDisplay>();
    return p;
}

}  // namespace velorix::gui
