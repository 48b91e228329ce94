#pragma once
// Small text helpers shared by every part of the program.

#include "platform/Platform.h"

#include <QDateTime>
#include <QString>

namespace velorix {

// Date-time text by a pattern of the old desktop runtime: d dd m mm mmm? yy yyyy h hh n nn s ss zzz;
// "m"/"mm" right after an hour token mean minutes; "/" and ":" are the regional separators;
// text in double or single quotes is copied.
QString FormatDateTime(const QString& pattern, const QDateTime& dt, const RegionalSettings& rs);

// Removes every character up to and including the space from both ends.
QString TrimControl(const QString& s);

// The text read as a 32-bit integer, `def` when it is not one (blanks around it are not allowed).
int StrToIntDef(const QString& s, int def);

// A text as the body of a JSON string (between its double quotes): quote, backslash and control
// characters escaped, every other character unchanged; a login or a product name holding a quote
// cannot break the document it goes into.
QString TextoJson(const QString& s);

// Minutes of the minutes box as countdown seconds, 5 minutes when the text is not a number. A huge
// stored value is held at the largest countdown instead of overflowing into a negative one.
qint32 CountdownSeconds(const QString& minutes);

}  // namespace velorix
