#include "metrics/ErpQuery.h"

#include <QFile>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

#include <cmath>

namespace velorix {

namespace {

constexpr int kSqlText = 452;  // Firebird's CHAR; bit 0 only marks a nullable column
constexpr int kMaxCachedLayouts = 128;

QString errorText(const QSqlError& e) {
    const QString db = e.databaseText().trimmed();
    if (!db.isEmpty()) return db;
    const QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("Unknown database error") : t;
}

[[noreturn]] void fail(const QString& text) { throw DbError(text.toStdString()); }

bool isIdentStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isIdentChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

// Copies `text`, writing each parameter marker ("?" or ":name", outside literals, quoted names
// and comments) as what `marker(index, name)` gives; `name` is empty for "?".
template <typename F>
QString rewriteMarkers(const QString& text, F marker) {
    QString out;
    out.reserve(text.size());
    int n = 0;
    const qsizetype len = text.size();
    for (qsizetype i = 0; i < len;) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // '' inside a literal closes and reopens it, which copies it unchanged
            qsizetype end = text.indexOf(c, i + 1);
            if (end < 0) end = len - 1;
            out += text.mid(i, end - i + 1);
            i = end + 1;
        } else if (c == QLatin1Char('-') && i + 1 < len && text[i + 1] == QLatin1Char('-')) {
            qsizetype end = text.indexOf(QLatin1Char('\n'), i);
            if (end < 0) end = len;
            out += text.mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('/') && i + 1 < len && text[i + 1] == QLatin1Char('*')) {
            qsizetype end = text.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? len : end + 2;
            out += text.mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('?')) {
            out += marker(n++, QString());
            ++i;
        } else if (c == QLatin1Char(':') && i + 1 < len && isIdentStart(text[i + 1])) {
            qsizetype end = i + 2;
            while (end < len && isIdentChar(text[end])) ++end;
            out += marker(n++, text.mid(i + 1, end - i - 1));
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// Every marker written as "?", counted.
QString positionalText(const QString& text, int* count) {
    int n = 0;
    const QString out = rewriteMarkers(text, [&n](int, const QString&) {
        ++n;
        return QStringLiteral("?");
    });
    *count = n;
    return out;
}

QString sqlLiteral(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QStringLiteral("NULL");
    switch (v.typeId()) {
        case QMetaType::QDate: return QStringLiteral("DATE '%1'").arg(v.toDate().toString(Qt::ISODate));
        case QMetaType::QDateTime:
            return QStringLiteral("TIMESTAMP '%1'").arg(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double: return v.toString();
        default: return QLatin1Char('\'') + v.toString().replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    }
}

}  // namespace

void requireOpen(const QSqlDatabase& db) {
    if (db.isOpen()) return;
    const QString why = db.lastError().type() == QSqlError::NoError ? QString() : errorText(db.lastError());
    fail(why.isEmpty() ? QStringLiteral("ERP database connection is not open")
                       : QStringLiteral("ERP database connection is not open: ") + why);
}

void TraceErpStatement(const QString& text, const std::function<QVariant(int, const QString&)>& param) {
    static const QByteArray path = qgetenv("VELORIX_TRACE_SQL");
    if (path.isEmpty()) return;
    QString statement = rewriteMarkers(text, [&](int i, const QString& name) { return sqlLiteral(param(i, name)); });
    statement = statement.trimmed();
    while (statement.endsWith(QLatin1Char(';'))) statement.chop(1);
    QFile f(QString::fromLocal8Bit(path));
    if (f.open(QIODevice::Append)) f.write(statement.toUtf8() + ";\n");
}

QDateTime zeroDateTime() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }

// ---- ErpField

bool ErpField::isNull() const {
    if (!value_.isValid() || value_.isNull()) return true;
    switch (value_.typeId()) {
        case QMetaType::QDate: return !value_.toDate().isValid();
        case QMetaType::QTime: return !value_.toTime().isValid();
        case QMetaType::QDateTime: return !value_.toDateTime().isValid();
        default: return false;
    }
}

double ErpField::asFloat() const {
    if (isNull()) return 0;
    switch (value_.typeId()) {
        case QMetaType::QString: return asString().toDouble();
        case QMetaType::QDate:
        case QMetaType::QTime:
        case QMetaType::QDateTime: {
            // days since the zero date, the fraction being the time of day
            const QDateTime dt = asDateTime();
            return double(zeroDateTime().date().daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0;
        }
        default: return value_.toDouble();
    }
}

qint64 ErpField::asInteger() const {
    if (isNull()) return 0;
    switch (value_.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float: return std::llround(value_.toDouble());
        case QMetaType::QString: {
            bool ok = false;
            const qint64 v = asString().toLongLong(&ok);
            return ok ? v : std::llround(asString().toDouble());
        }
        default: return value_.toLongLong();
    }
}

QString ErpField::asString() const {
    if (isNull()) return {};
    switch (value_.typeId()) {
        case QMetaType::QString: {
            QString s = value_.toString();
            if (isChar_) {
                qsizetype e = s.size();
                while (e > 0 && s[e - 1] == QLatin1Char(' ')) --e;
                s.truncate(e);
            }
            return s;
        }
        case QMetaType::Double:
        case QMetaType::Float: return QString::number(value_.toDouble(), 'g', 15);
        case QMetaType::QDate: return value_.toDate().toString(Qt::ISODate);
        case QMetaType::QTime: return value_.toTime().toString(QStringLiteral("HH:mm:ss"));
        case QMetaType::QDateTime: return value_.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        default: return value_.toString();
    }
}

QDateTime ErpField::asDateTime() const {
    if (isNull()) return zeroDateTime();
    switch (value_.typeId()) {
        case QMetaType::QDate: return QDateTime(value_.toDate(), QTime(0, 0));
        case QMetaType::QTime: return QDateTime(zeroDateTime().date(), value_.toTime());
        case QMetaType::QDateTime: return value_.toDateTime();
        default: {
            const QDateTime dt = value_.toDateTime();
            return dt.isValid() ? dt : zeroDateTime();
        }
    }
}

// ---- ErpQuery

ErpQuery::ErpQuery(QSqlDatabase db) : db_(std::move(db)) {}

ErpQuery::~ErpQuery() { close(); }

void ErpQuery::close() {
    release();
    active_ = false;
    eof_ = true;
    hasRow_ = false;
    hasAhead_ = false;
    row_.clear();
    ahead_.clear();
    record_ = QSqlRecord();
}

void ErpQuery::release() {
    // Destroying the driver's result commits the statement's own transaction; finish() would not.
    q_.reset();
}

void ErpQuery::clearSql() { setSql(QString()); }

void ErpQuery::setSql(const QString& text) {
    close();
    sql_ = text;
    int n = 0;
    prepared_ = positionalText(sql_, &n);
    params_.assign(size_t(n), QVariant());
}

void ErpQuery::addSql(const QString& line) {
    if (sql_.isEmpty()) {
        setSql(line);
    } else {
        setSql(sql_ + QLatin1Char('\n') + line);
    }
}

void ErpQuery::setParamDate(int index, const QDate& date) { setParam(index, QVariant(date)); }

void ErpQuery::setParam(int index, const QVariant& value) {
    if (index < 0 || index >= paramCount())
        throw std::out_of_range("parameter " + std::to_string(index) + " not in the statement");
    params_[size_t(index)] = value;
}

const QSqlRecord& ErpQuery::recordFor(const QString& text) {
    auto it = records_.constFind(text);
    if (it != records_.constEnd()) return *it;
    if (records_.size() >= kMaxCachedLayouts) records_.clear();
    return *records_.insert(text, q_->record());
}

void ErpQuery::open() {
    close();
    if (sql_.trimmed().isEmpty()) fail(QStringLiteral("Statement text is empty"));
    requireOpen(db_);
    try {
        q_ = std::make_unique<QSqlQuery>(db_);
        q_->setForwardOnly(true);
        if (!q_->prepare(prepared_)) fail(errorText(q_->lastError()));
        for (size_t i = 0; i < params_.size(); ++i) q_->bindValue(int(i), params_[i]);
        if (!q_->exec()) fail(errorText(q_->lastError()));
        TraceErpStatement(sql_, [this](int i, const QString&) { return params_[size_t(i)]; });
        record_ = recordFor(prepared_);
        active_ = true;
        hasRow_ = fetch(row_);
        eof_ = !hasRow_;
        if (hasRow_) hasAhead_ = fetch(ahead_);
    } catch (...) {
        close();
        throw;
    }
}

bool ErpQuery::fetch(std::vector<QVariant>& row) {
    if (!q_) return false;
    if (q_->next()) {
        const int n = record_.count();
        row.resize(size_t(n));
        for (int i = 0; i < n; ++i) row[size_t(i)] = q_->value(i);
        return true;
    }
    const QSqlError err = q_->lastError();
    release();
    if (err.type() != QSqlError::NoError) fail(errorText(err));
    return false;
}

void ErpQuery::next() {
    if (!active_ || eof_) return;
    if (!hasAhead_) {
        eof_ = true;
        return;
    }
    row_.swap(ahead_);
    hasAhead_ = false;
    hasAhead_ = fetch(ahead_);
}

ErpField ErpQuery::fields(int index) const {
    if (!active_) fail(QStringLiteral("Query is not open"));
    if (index < 0 || index >= record_.count())
        fail(QStringLiteral("Field index %1 out of range (%2 fields)").arg(index).arg(record_.count()));
    const bool isChar = (record_.field(index).typeID() & ~1) == kSqlText;
    return ErpField(hasRow_ ? row_[size_t(index)] : QVariant(), isChar);
}

ErpField ErpQuery::fieldByName(const QString& name) const {
    if (!active_) fail(QStringLiteral("Query is not open"));
    const int i = record_.indexOf(name);
    if (i < 0) fail(QStringLiteral("Field '%1' not found").arg(name));
    return fields(i);
}

}  // namespace velorix
