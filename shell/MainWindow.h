#pragma once
// The window: draws TForm1's state and forwards the user's clicks and edits to it.

#include <QWidget>
#include <functional>
#include <vector>

class QMenu;
class QAction;

namespace velorix {

class TForm1;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(TForm1& form, QWidget* parent = nullptr);
    // The tray menu pmMenu, built here and shown by the tray icon.
    QMenu* pmMenu() const { return pmMenu_; }
    // Redraws every control from the model.
    void refresh();
    // Shows, hides or minimises after the model's Visible and Minimized flags.
    void applyWindowState();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    template <typename W>
    W* bind(W* widget, std::function<void(W*)> pull) {
        pullers_.push_back([widget, pull] { pull(widget); });
        return widget;
    }

    TForm1& form_;
    std::vector<std::function<void()>> pullers_;
    QMenu* pmMenu_ = nullptr;
    QAction* SairdaAplicao1_ = nullptr;
    QObject* title_ = nullptr;
    bool applying_ = false;
};

}  // namespace velorix
