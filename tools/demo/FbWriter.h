#pragma once
// A thin layer over the Firebird client library for bulk loading: create a database, run DDL,
// and insert rows through prepared statements inside long transactions. Far faster than going
// through QSqlQuery row by row, which matters for the large demo shops. Every failure throws
// std::runtime_error with the server's message.

#include <ibase.h>

#include <QDate>
#include <QTime>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velorix::demo {

class FbTransaction;

class FbDatabase {
public:
    // Creates a new database (WIN1252, dialect 3) and attaches to it. `attach` is a local path
    // (embedded engine) or host[/port]:path. Forced writes start off for the load; call
    // finish() to turn them on again and detach.
    static FbDatabase create(const std::string& attach, const std::string& user, const std::string& password);

    FbDatabase(FbDatabase&& other) noexcept;
    FbDatabase& operator=(FbDatabase&&) = delete;
    ~FbDatabase();

    // Runs one statement in a transaction of its own and commits it.
    void exec(const std::string& sql);
    // Switches forced writes back on and detaches.
    void finish();
    // Deletes the database (after a failed load). Best effort, never throws.
    void drop() noexcept;

    isc_db_handle* handle() { return &db_; }

private:
    FbDatabase() = default;
    void detach() noexcept;

    isc_db_handle db_ = 0;
    std::string attach_, user_, password_;
};

class FbTransaction {
public:
    explicit FbTransaction(FbDatabase& db);
    ~FbTransaction();  // rolls back when not committed
    FbTransaction(const FbTransaction&) = delete;
    FbTransaction& operator=(const FbTransaction&) = delete;

    void commit();
    isc_tr_handle* handle() { return &tr_; }

private:
    isc_tr_handle tr_ = 0;
};

// One prepared statement with input parameters only (an INSERT). Set every parameter, then
// execute(); the values stay bound until they are set again.
class FbStatement {
public:
    FbStatement(FbDatabase& db, FbTransaction& tr, const std::string& sql);
    ~FbStatement();
    FbStatement(const FbStatement&) = delete;
    FbStatement& operator=(const FbStatement&) = delete;

    int parameterCount() const { return static_cast<int>(params_.size()); }

    void setNull(int i);
    void setInt(int i, std::int64_t v);
    // v * 10^-scale, exactly: setScaled(i, 1990, 2) is 19.90.
    void setScaled(int i, std::int64_t v, int scale);
    void setDate(int i, const QDate& d);
    void setTime(int i, const QTime& t);
    void setText(int i, std::string_view utf8);

    void execute();

private:
    struct Param {
        short type = 0;   // described SQL type, without the nullable bit
        short scale = 0;  // described scale (negative for NUMERIC)
        short length = 0; // described length in bytes (texts)
        short nullInd = -1;
        std::vector<char> buffer;
    };
    Param& param(int i);

    FbDatabase& db_;
    FbTransaction& tr_;
    isc_stmt_handle stmt_ = 0;
    std::vector<char> sqldaStorage_;
    XSQLDA* in_ = nullptr;
    std::vector<Param> params_;
};

}  // namespace velorix::demo
