#include "shell/Controls.h"

namespace velorix {

QStringList TMemo::lines() const {
    QStringList out;
    const QString& t = Text;
    QString cur;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == '\r' || c == '\n') {
            out << cur;
            cur.clear();
            if (c == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
        } else {
            cur += c;
        }
    }
    if (!cur.isEmpty()) out << cur;
    return out;
}

void TMemo::add(const QString& line) {
    if (!Text.isEmpty() && !Text.endsWith('\n') && !Text.endsWith('\r')) Text += "\r\n";
    Text += line + "\r\n";
}

}  // namespace velorix
