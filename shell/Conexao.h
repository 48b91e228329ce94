#pragma once
// The ERP database connection, as Banco.ini describes it.

#include <QSqlDatabase>
#include <QString>

namespace velorix {

struct BancoIni {
    QString user = "SYSDBA";
    QString pass = "k#402719";
    QString port = "3050";
    QString ip;
    QString path;
    // Set when Banco.ini exists but cannot be read: the connection then fails with this text
    // rather than with the defaults' empty database path.
    QString readError;

    static BancoIni load(const QString& iniPath);
};

class Conexao {
public:
    Conexao();
    ~Conexao();
    Conexao(const Conexao&) = delete;
    Conexao& operator=(const Conexao&) = delete;

    void setParams(const BancoIni& params) { params_ = params; }
    const BancoIni& params() const { return params_; }

    // Opens the connection; on failure returns false and `error` holds the server's message.
    bool open(QString* error);
    void close();
    // Before a use: a connection the server dropped (a server restart, an attachment killed) still
    // reads as open, and would fail every statement until the program restarted. Checks it with a
    // trivial statement and reopens it when that fails, or when it is closed. False with the
    // server's message in `error` when it cannot be opened.
    bool ensureOpen(QString* error = nullptr);
    bool connected() const;
    QSqlDatabase database() const;
    const QString& name() const { return name_; }

private:
    QString name_;
    BancoIni params_;
};

}  // namespace velorix
