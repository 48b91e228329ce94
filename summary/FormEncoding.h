#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace velorix {

// application/x-www-form-urlencoded serialisation of one name or value (UTF-8):
// A-Z a-z 0-9 * - . _ as they are, space as "+", every other byte as %XX (upper-case hex).
QByteArray FormEncode(const QString& text);

// "name=value&name=value" in the given order.
QByteArray FormBody(const QList<std::pair<QString, QString>>& fields);

}  // namespace velorix
