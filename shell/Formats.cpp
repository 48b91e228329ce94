#include "shell/Formats.h"

#include <algorithm>
#include <limits>

namespace velorix {

QString FormatDateTime(const QString& pattern, const QDateTime& dt, const RegionalSettings& rs) {
    const QDate d = dt.date();
    const QTime t = dt.time();
    QString out;
    bool lastWasHour = false;
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = pattern[i];
        const QChar lc = c.toLower();
        qsizetype run = 1;
        while (i + run < n && pattern[i + run].toLower() == lc) ++run;
        if (c == '"' || c == '\'') {
            qsizetype close = pattern.indexOf(c, i + 1);
            if (close < 0) close = n;
            out += pattern.mid(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        auto two = [](int v) { return QString::asprintf("%02d", v); };
        if (lc == 'd') {
            out += run >= 2 ? two(d.day()) : QString::number(d.day());
            lastWasHour = false;
        } else if (lc == 'm') {
            if (lastWasHour) {
                out += run >= 2 ? two(t.minute()) : QString::number(t.minute());
            } else {
                out += run >= 2 ? two(d.month()) : QString::number(d.month());
            }
            lastWasHour = false;
        } else if (lc == 'y') {
            out += run >= 3 ? QString::asprintf("%04d", d.year()) : two(d.year() % 100);
            lastWasHour = false;
        } else if (lc == 'h') {
            out += run >= 2 ? two(t.hour()) : QString::number(t.hour());
            lastWasHour = true;
        } else if (lc == 'n') {
            out += run >= 2 ? two(t.minute()) : QString::number(t.minute());
            lastWasHour = false;
        } else if (lc == 's') {
            out += run >= 2 ? two(t.second()) : QString::number(t.second());
            lastWasHour = false;
        } else if (lc == 'z') {
            out += run >= 3 ? QString::asprintf("%03d", t.msec()) : QString::number(t.msec());
            lastWasHour = false;
        } else if (c == '/') {
            out += QString(rs.dateSeparator).repeated(run);
        } else if (c == ':') {
            out += QString(rs.timeSeparator).repeated(run);
        } else {
            out += pattern.mid(i, run);
        }
        i += run;
    }
    return out;
}

QString TrimControl(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= ' ') ++b;
    while (e > b && s[e - 1].unicode() <= ' ') --e;
    return s.mid(b, e - b);
}

int StrToIntDef(const QString& s, int def) {
    if (s.isEmpty() || s[0].unicode() <= ' ' || s.back().unicode() <= ' ') return def;
    bool ok = false;
    int v = s.toInt(&ok, 10);
    if (!ok) {
        if (s.size() > 1 && s[0] == '$') {
            v = s.mid(1).toInt(&ok, 16);
        } else if (s.size() > 2 && (s.startsWith("0x") || s.startsWith("0X"))) {
            v = s.mid(2).toInt(&ok, 16);
        }
    }
    return ok ? v : def;
}

QString TextoJson(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        switch (c.unicode()) {
            case '"': out += QLatin1String("\\\""); break;
            case '\\': out += QLatin1String("\\\\"); break;
            case '\b': out += QLatin1String("\\b"); break;
            case '\f': out += QLatin1String("\\f"); break;
            case '\n': out += QLatin1String("\\n"); break;
            case '\r': out += QLatin1String("\\r"); break;
            case '\t': out += QLatin1String("\\t"); break;
            default:
                if (c.unicode() < 0x20)
                    out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
                else
                    out += c;
        }
    }
    return out;
}

qint32 CountdownSeconds(const QString& minutes) {
    const qint64 secs = qint64(StrToIntDef(minutes, 5)) * 60;
    return qint32(std::clamp<qint64>(secs, std::numeric_limits<qint32>::min() + 1, std::numeric_limits<qint32>::max()));
}

}  // namespace velorix
