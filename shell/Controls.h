#pragma once
// The state of the window's controls. The routines read and write these; the widget view
// (MainWindow) draws them and writes the user's edits back, so everything runs without a display.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace velorix {

struct TControl {
    bool Enabled = true;
    bool Visible = true;
};

struct TLabel : TControl {
    QString Caption;
};

struct TButton : TControl {
    QString Caption;
};

struct TEdit : TControl {
    QString Text;
    QString Hint;
};

struct TCheckBox : TControl {
    QString Caption;
    bool Checked = false;
};

struct TDatePicker : TControl {
    QDateTime Date;
};

// A multi-line text box: its text is kept exactly as set; lines are added with a CRLF after each.
struct TMemo : TControl {
    QString Text;
    // The lines, split at "\r\n", "\n" or "\r"; a trailing break does not start a new line.
    QStringList lines() const;
    void add(const QString& line);
    void clear() { Text.clear(); }
};

}  // namespace velorix
