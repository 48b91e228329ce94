#pragma once
// A statement on the ERP connection, read forward only, the way the metric functions and the
// uploads use it: set the text, bind parameters by position, open on the first row, read fields
// by position or by column name, step to the next row.
//
// Reading rules the callers rely on:
// - NULL reads as 0, as the empty text, or as the zero date-time (1899-12-30 00:00);
// - a result without rows reads every field as NULL (eof() is true right after open());
// - next() past the last row leaves the last row current and sets eof();
// - CHAR columns arrive padded to their byte length and are returned trimmed.
//
// Transactions: each open() runs in a transaction of its own that ends as soon as the rows run
// out (a one-row aggregate ends it inside open()) or at close(). A caller that stops reading
// early and keeps the object should close() it, so no transaction stays open on the ERP.

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QSqlQuery;

namespace velorix {

// An error of the database layer; what() is the database's own message.
class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws DbError when `db` is not open, with the reason its last opening failed when it has one
// (a server that is down), so the log says why rather than an unknown error.
void requireOpen(const QSqlDatabase& db);

// Benchmarks only: when the environment names a file in VELORIX_TRACE_SQL, appends `text` to it
// with each parameter marker written as the SQL literal of `param(index, name)`, ending in ";".
// Does nothing otherwise.
void TraceErpStatement(const QString& text, const std::function<QVariant(int index, const QString& name)>& param);

// 30 December 1899, 00:00:00: what a NULL date-time reads as.
QDateTime zeroDateTime();

// One field of the current row.
class ErpField {
public:
    ErpField() = default;
    ErpField(QVariant value, bool isChar) : value_(std::move(value)), isChar_(isChar) {}

    bool isNull() const;
    double asFloat() const;
    // Numbers with decimals are rounded to the nearest integer, halves away from zero.
    qint64 asInteger() const;
    QString asString() const;
    // DATE gives that day at 00:00; TIME gives that time on the zero date.
    QDateTime asDateTime() const;
    const QVariant& value() const { return value_; }

private:
    QVariant value_;
    bool isChar_ = false;
};

class ErpQuery {
public:
    explicit ErpQuery(QSqlDatabase db);
    ~ErpQuery();
    ErpQuery(const ErpQuery&) = delete;
    ErpQuery& operator=(const ErpQuery&) = delete;

    QSqlDatabase database() const { return db_; }

    // Discards the rows and ends the statement's transaction. Harmless when not open.
    void close();

    // Statement text. Changing it closes the query and drops the parameter values.
    void clearSql();
    void setSql(const QString& text);
    // Appends one line to the text.
    void addSql(const QString& line);
    const QString& sql() const { return sql_; }

    // Parameter markers of the text in order of appearance: "?" or ":name". The first marker is
    // parameter 0 whatever its name.
    int paramCount() const { return int(params_.size()); }
    // Binds a calendar date (no time of day reaches the database). Throws std::out_of_range
    // when the text has no parameter `index`.
    void setParamDate(int index, const QDate& date);
    void setParam(int index, const QVariant& value);

    // Executes the text and stands on the first row. Closes first when open. Throws DbError.
    void open();
    bool active() const { return active_; }

    bool eof() const { return eof_; }
    // Moves to the next row; past the last row the last row stays current and eof() turns true.
    void next();

    int fieldCount() const { return record_.count(); }
    // By position or by column name (case-insensitive). Throws DbError when there is no such
    // field, or std::logic_error when the query is not open.
    ErpField fields(int index) const;
    ErpField fieldByName(const QString& name) const;

private:
    bool fetch(std::vector<QVariant>& row);
    void release();
    const QSqlRecord& recordFor(const QString& text);

    QSqlDatabase db_;
    QString sql_;
    QString prepared_;             // the text with every marker written as "?"
    std::vector<QVariant> params_;
    std::unique_ptr<QSqlQuery> q_; // alive while rows remain to be fetched
    bool active_ = false;
    bool eof_ = true;
    bool hasRow_ = false;          // the current row holds data (else every field is NULL)
    std::vector<QVariant> row_;
    bool hasAhead_ = false;        // one row read ahead, so the end is known before it is reached
    std::vector<QVariant> ahead_;
    QSqlRecord record_;
    // Column layouts by statement text: the driver answers record() with catalog queries, so
    // each text asks only once.
    QHash<QString, QSqlRecord> records_;
};

}  // namespace velorix
