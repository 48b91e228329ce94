#include "store/StoreConnection.h"

#include <QRegularExpression>

#include <mysql.h>

#include <algorithm>

namespace velorix {

namespace {

std::size_t slot(StoreParam p) { return static_cast<std::size_t>(p); }

// The stock rows are written back whole: a connection in 3-byte "utf8" would turn every 4-byte
// character of the store's other columns into '?' on the way back. utf8mb4 is the full UTF-8.
QByteArray clientCharset(const QString& name) {
    if (name.compare("UTF8", Qt::CaseInsensitive) == 0 || name.compare("utf-8", Qt::CaseInsensitive) == 0) {
        return "utf8mb4";
    }
    return name.toUtf8();
}

}  // namespace

StoreConnection::StoreConnection() { params_[slot(StoreParam::Password)] = QString::fromUtf8(BuiltInPassword); }

StoreConnection::~StoreConnection() { close(); }

void StoreConnection::setParam(StoreParam p, const QString& value) {
    if (params_[slot(p)] == value) return;
    close();
    params_[slot(p)] = value;
}

std::optional<QString> StoreConnection::param(StoreParam p) const { return params_[slot(p)]; }

unsigned long StoreConnection::threadId() const { return mysql_ ? mysql_thread_id(mysql_) : 0; }

QString StoreConnection::redacted(const QString& message) const {
    QStringList secrets;
    for (StoreParam p : {StoreParam::User_Name, StoreParam::Database, StoreParam::Password}) {
        const QString v = params_[slot(p)].value_or(QString());
        if (!v.isEmpty()) secrets << v;
    }
    // Longest first, so a value holding a shorter one is masked whole.
    std::sort(secrets.begin(), secrets.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    QString out = message;
    for (const QString& v : secrets) {
        // Only where it stands on its own: a short name must not eat into the words around it.
        const QRegularExpression whole(QStringLiteral("(?<![\\w$])%1(?![\\w$])").arg(QRegularExpression::escape(v)),
                                       QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
        out.replace(whole, QStringLiteral("***"));
    }
    return out;
}

void StoreConnection::close() {
    if (mysql_) {
        mysql_close(mysql_);
        mysql_ = nullptr;
    }
}

void StoreConnection::open() {
    close();
    const auto value = [this](StoreParam p) { return params_[slot(p)]; };
    const StoreAddress address = StoreAddress::parse(value(StoreParam::Server).value_or(QString()));

    MYSQL* m = mysql_init(nullptr);
    if (!m) throw StoreError("MySQL client: out of memory");
    mysql_optionsv(m, MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeoutSecs);
    mysql_optionsv(m, MYSQL_OPT_READ_TIMEOUT, &ioTimeoutSecs);
    mysql_optionsv(m, MYSQL_OPT_WRITE_TIMEOUT, &ioTimeoutSecs);
    const unsigned noLocalInfile = 0;
    mysql_optionsv(m, MYSQL_OPT_LOCAL_INFILE, &noLocalInfile);
    const QByteArray plugin = value(StoreParam::AuthPlugin).value_or(QString()).toUtf8();
    if (value(StoreParam::AuthPlugin)) mysql_optionsv(m, MYSQL_DEFAULT_AUTH, plugin.constData());
    const QByteArray charset = clientCharset(value(StoreParam::CharacterSet).value_or(QString()));
    if (value(StoreParam::CharacterSet)) mysql_optionsv(m, MYSQL_SET_CHARSET_NAME, charset.constData());

    const QByteArray host = address.host.toUtf8();
    const auto user = value(StoreParam::User_Name);
    const auto database = value(StoreParam::Database);
    const QByteArray userText = user.value_or(QString()).toUtf8();
    const QByteArray databaseText = database.value_or(QString()).toUtf8();
    const QByteArray password = value(StoreParam::Password).value_or(QString()).toUtf8();
    // Found rows, not changed rows: an update that rewrites a row with its own values still
    // reports the row it found.
    if (!mysql_real_connect(m, host.isEmpty() ? nullptr : host.constData(), user ? userText.constData() : nullptr,
                            password.constData(), database ? databaseText.constData() : nullptr, address.port,
                            nullptr, CLIENT_FOUND_ROWS)) {
        const QString error = QString::fromUtf8(mysql_error(m));
        mysql_close(m);
        throw StoreError(error.toStdString());
    }
    // Every statement commits on its own, whatever the server's default.
    if (mysql_autocommit(m, 1)) {
        const QString error = QString::fromUtf8(mysql_error(m));
        mysql_close(m);
        throw StoreError(error.toStdString());
    }
    mysql_ = m;
}

StoreAddress StoreAddress::parse(const QString& server) {
    StoreAddress a;
    const QString s = server.trimmed();
    QString portText;
    bool hasPort = false;
    if (s.startsWith('[')) {
        const qsizetype close = s.indexOf(']');
        if (close < 0) {
            a.host = s;
            return a;
        }
        a.host = s.mid(1, close - 1);
        const QString rest = s.mid(close + 1);
        hasPort = rest.startsWith(':');
        if (hasPort) portText = rest.mid(1);
        else if (!rest.isEmpty()) throw StoreError(QStringLiteral("Invalid server address '%1'").arg(server).toStdString());
    } else if (s.count(':') == 1) {
        a.host = s.section(':', 0, 0);
        portText = s.section(':', 1);
        hasPort = true;
    } else {
        a.host = s;
    }
    if (hasPort) {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port == 0 || port > 65535 || portText.startsWith('+')) {
            throw StoreError(QStringLiteral("Invalid port in server address '%1'").arg(server).toStdString());
        }
        a.port = port;
    }
    return a;
}

}  // namespace velorix
