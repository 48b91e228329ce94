#include "shell/Conexao.h"

#include "shell/IniFile.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace velorix {

BancoIni BancoIni::load(const QString& iniPath) {
    const IniFile ini = IniFile::load(iniPath);
    BancoIni b;
    b.user = ini.readString("BD", "USER", b.user);
    b.pass = ini.readString("BD", "PASS", b.pass);
    b.port = ini.readString("BD", "PORT", b.port);
    b.ip = ini.readString("BD", "IP", b.ip);
    b.path = ini.readString("BD", "Path", b.path);
    b.readError = ini.readError();
    return b;
}

Conexao::Conexao() : name_("Conexao-" + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    QSqlDatabase::addDatabase("QIBASE", name_);
}

Conexao::~Conexao() {
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

bool Conexao::open(QString* error) {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (db.isOpen()) db.close();
    if (!db.isValid()) {
        if (error) *error = QStringLiteral("Firebird driver (QIBASE) not available");
        return false;
    }
    // The port travels inside the host text, so a malformed PORT reaches the server's own
    // error message instead of silently falling back to the default port.
    if (params_.ip.isEmpty()) {
        db.setHostName(QString());
    } else {
        db.setHostName(params_.port.isEmpty() ? params_.ip : params_.ip + "/" + params_.port);
    }
    db.setPort(-1);
    db.setDatabaseName(params_.path);
    db.setUserName(params_.user);
    db.setPassword(params_.pass);
    db.setConnectOptions("ISC_DPB_LC_CTYPE=UTF8");
    if (!params_.readError.isEmpty()) {
        if (error) *error = params_.readError;
        return false;
    }
    if (params_.path.isEmpty()) {
        if (error) *error = QStringLiteral("Database path (Path) is empty in Banco.ini");
        return false;
    }
    if (!db.open()) {
        if (error) *error = db.lastError().text();
        return false;
    }
    return true;
}

bool Conexao::ensureOpen(QString* error) {
    if (connected()) {
        // The statement's own transaction ends with the query, before the use begins.
        QSqlQuery ping(database());
        ping.setForwardOnly(true);
        if (ping.exec(QStringLiteral("SELECT 1 FROM RDB$DATABASE")) && ping.next()) return true;
    }
    return open(error);
}

void Conexao::close() {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (db.isOpen()) db.close();
}

bool Conexao::connected() const { return QSqlDatabase::database(name_, false).isOpen(); }

QSqlDatabase Conexao::database() const { return QSqlDatabase::database(name_, false); }

}  // namespace velorix
