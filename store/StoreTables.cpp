#include "store/StoreTables.h"

#include "store/StoreConnection.h"

#include <QRegularExpression>

#include <mysql.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

namespace velorix::store {

namespace {

[[noreturn]] void fail(const QString& message) { throw StoreError(message.toStdString()); }

// ---------------------------------------------------------------- pending orders

const char* const kPendentes = "select id\r\nfrom pedido_loja\r\nwhere\r\nstatus in (0, 4)";

// ---------------------------------------------------------------- values in their own types

struct Cell {
    enum class Kind { Null, Int, Float, Double, Time, Bytes };
    Kind kind = Kind::Null;
    enum_field_types timeType = MYSQL_TYPE_DATETIME;
    bool isUnsigned = false;
    bool binary = false;
    long long i = 0;
    float f = 0;
    double d = 0;
    MYSQL_TIME t{};
    std::string bytes;

    static Cell text(const QString& s) {
        Cell c;
        c.kind = Kind::Bytes;
        c.bytes = s.toStdString();
        return c;
    }
    static Cell integer(long long v) {
        Cell c;
        c.kind = Kind::Int;
        c.i = v;
        return c;
    }

    // The value as text, as the lookup by barcode compares it; NULL reads as empty text.
    std::string asText() const {
        switch (kind) {
            case Kind::Null: return {};
            case Kind::Int: return isUnsigned ? std::to_string(static_cast<unsigned long long>(i)) : std::to_string(i);
            case Kind::Float: return QString::number(f).toStdString();
            case Kind::Double: return QString::number(d, 'g', 17).toStdString();
            case Kind::Time:
                return QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute,
                                         t.second)
                    .toStdString();
            case Kind::Bytes: return bytes;
        }
        return {};
    }
};
using Row = std::vector<Cell>;

struct Column {
    std::string name;
    enum_field_types type = MYSQL_TYPE_NULL;
    bool isUnsigned = false;
    bool binary = false;
    bool key = false;
    bool autoIncrement = false;
};

bool isIntegerType(enum_field_types t) {
    return t == MYSQL_TYPE_TINY || t == MYSQL_TYPE_SHORT || t == MYSQL_TYPE_LONG || t == MYSQL_TYPE_INT24 ||
           t == MYSQL_TYPE_LONGLONG || t == MYSQL_TYPE_YEAR;
}

bool isTimeType(enum_field_types t) {
    return t == MYSQL_TYPE_DATE || t == MYSQL_TYPE_TIME || t == MYSQL_TYPE_DATETIME || t == MYSQL_TYPE_TIMESTAMP;
}

std::string quoted(const std::string& identifier) {
    std::string out = "`";
    for (char c : identifier) {
        out += c;
        if (c == '`') out += '`';
    }
    return out + "`";
}

// ---------------------------------------------------------------- prepared statements

class Statement {
public:
    Statement(MYSQL* mysql, const std::string& sql) : stmt_(mysql_stmt_init(mysql)) {
        if (!stmt_) fail(QString::fromUtf8(mysql_error(mysql)));
        if (mysql_stmt_prepare(stmt_, sql.data(), sql.size())) {
            // No destructor runs for a constructor that throws.
            const QString error = QString::fromUtf8(mysql_stmt_error(stmt_));
            mysql_stmt_close(stmt_);
            fail(error);
        }
    }
    ~Statement() { mysql_stmt_close(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Runs the statement with these values; they must stay alive until it returns.
    void execute(const std::vector<const Cell*>& values) {
        std::vector<MYSQL_BIND> binds(values.size());
        for (std::size_t k = 0; k < values.size(); ++k) bindParam(binds[k], *values[k]);
        if (!binds.empty() && mysql_stmt_bind_param(stmt_, binds.data())) raise();
        if (mysql_stmt_execute(stmt_)) raise();
    }

    // Every row of the result of the last execute().
    std::vector<Row> fetchAll(const std::vector<Column>& columns) {
        if (mysql_stmt_store_result(stmt_)) raise();
        const std::size_t n = columns.size();
        if (mysql_stmt_field_count(stmt_) != n) fail("produto_estoque changed its columns during the push");
        std::vector<MYSQL_BIND> binds(n);
        std::vector<my_bool> nulls(n, 0), errors(n, 0);
        std::vector<unsigned long> lengths(n, 0);
        Row scratch(n);
        std::vector<std::vector<char>> buffers(n);
        for (std::size_t k = 0; k < n; ++k) {
            MYSQL_BIND& b = binds[k];
            const Column& c = columns[k];
            Cell& cell = scratch[k];
            b.is_null = &nulls[k];
            b.error = &errors[k];
            b.length = &lengths[k];
            if (isIntegerType(c.type)) {
                b.buffer_type = MYSQL_TYPE_LONGLONG;
                b.buffer = &cell.i;
                b.is_unsigned = c.isUnsigned;
            } else if (c.type == MYSQL_TYPE_FLOAT) {
                b.buffer_type = MYSQL_TYPE_FLOAT;
                b.buffer = &cell.f;
            } else if (c.type == MYSQL_TYPE_DOUBLE) {
                b.buffer_type = MYSQL_TYPE_DOUBLE;
                b.buffer = &cell.d;
            } else if (isTimeType(c.type)) {
                b.buffer_type = c.type;
                b.buffer = &cell.t;
                b.buffer_length = sizeof(MYSQL_TIME);
            } else {
                buffers[k].resize(256);
                b.buffer_type = c.binary ? MYSQL_TYPE_BLOB : MYSQL_TYPE_STRING;
                b.buffer = buffers[k].data();
                b.buffer_length = buffers[k].size();
            }
        }
        if (n && mysql_stmt_bind_result(stmt_, binds.data())) raise();

        std::vector<Row> rows;
        rows.reserve(mysql_stmt_num_rows(stmt_));
        for (;;) {
            const int rc = mysql_stmt_fetch(stmt_);
            if (rc == MYSQL_NO_DATA) break;
            if (rc == 1) raise();
            Row row(n);
            for (std::size_t k = 0; k < n; ++k) {
                const Column& c = columns[k];
                Cell& out = row[k];
                out.isUnsigned = c.isUnsigned;
                out.binary = c.binary;
                if (nulls[k]) continue;  // Kind::Null
                if (isIntegerType(c.type)) {
                    out.kind = Cell::Kind::Int;
                    out.i = scratch[k].i;
                } else if (c.type == MYSQL_TYPE_FLOAT) {
                    out.kind = Cell::Kind::Float;
                    out.f = scratch[k].f;
                } else if (c.type == MYSQL_TYPE_DOUBLE) {
                    out.kind = Cell::Kind::Double;
                    out.d = scratch[k].d;
                } else if (isTimeType(c.type)) {
                    out.kind = Cell::Kind::Time;
                    out.timeType = c.type;
                    out.t = scratch[k].t;
                } else {
                    out.kind = Cell::Kind::Bytes;
                    const unsigned long len = lengths[k];
                    if (len <= buffers[k].size()) {
                        out.bytes.assign(buffers[k].data(), len);
                    } else {
                        // Longer than the buffer: read the whole value on its own.
                        out.bytes.assign(len, '\0');
                        MYSQL_BIND whole{};
                        unsigned long wholeLength = 0;
                        whole.buffer_type = binds[k].buffer_type;
                        whole.buffer = out.bytes.data();
                        whole.buffer_length = len;
                        whole.length = &wholeLength;
                        if (mysql_stmt_fetch_column(stmt_, &whole, static_cast<unsigned>(k), 0)) raise();
                    }
                }
            }
            rows.push_back(std::move(row));
        }
        mysql_stmt_free_result(stmt_);
        return rows;
    }

    unsigned long long affectedRows() const { return mysql_stmt_affected_rows(stmt_); }
    unsigned long long insertId() const { return mysql_stmt_insert_id(stmt_); }
    MYSQL_STMT* get() const { return stmt_; }

    [[noreturn]] void raise() const { fail(QString::fromUtf8(mysql_stmt_error(stmt_))); }

private:
    static void bindParam(MYSQL_BIND& b, const Cell& c) {
        switch (c.kind) {
            case Cell::Kind::Null: b.buffer_type = MYSQL_TYPE_NULL; break;
            case Cell::Kind::Int:
                b.buffer_type = MYSQL_TYPE_LONGLONG;
                b.buffer = const_cast<long long*>(&c.i);
                b.is_unsigned = c.isUnsigned;
                break;
            case Cell::Kind::Float:
                b.buffer_type = MYSQL_TYPE_FLOAT;
                b.buffer = const_cast<float*>(&c.f);
                break;
            case Cell::Kind::Double:
                b.buffer_type = MYSQL_TYPE_DOUBLE;
                b.buffer = const_cast<double*>(&c.d);
                break;
            case Cell::Kind::Time:
                b.buffer_type = c.timeType;
                b.buffer = const_cast<MYSQL_TIME*>(&c.t);
                b.buffer_length = sizeof(MYSQL_TIME);
                break;
            case Cell::Kind::Bytes:
                // Bytes of a binary column go as they are; text goes in the connection's character set.
                b.buffer_type = c.binary ? MYSQL_TYPE_BLOB : MYSQL_TYPE_STRING;
                b.buffer = const_cast<char*>(c.bytes.data());
                b.buffer_length = c.bytes.size();
                break;
        }
    }

    MYSQL_STMT* stmt_;
};

std::vector<Column> columnsOf(MYSQL_STMT* stmt) {
    std::vector<Column> out;
    MYSQL_RES* meta = mysql_stmt_result_metadata(stmt);
    if (!meta) fail(QString::fromUtf8(mysql_stmt_error(stmt)));
    const unsigned n = mysql_num_fields(meta);
    const MYSQL_FIELD* fields = mysql_fetch_fields(meta);
    for (unsigned k = 0; k < n; ++k) {
        Column c;
        c.name.assign(fields[k].name, fields[k].name_length);
        c.type = fields[k].type;
        c.isUnsigned = fields[k].flags & UNSIGNED_FLAG;
        c.binary = fields[k].charsetnr == 63;
        c.key = fields[k].flags & PRI_KEY_FLAG;
        c.autoIncrement = fields[k].flags & AUTO_INCREMENT_FLAG;
        out.push_back(std::move(c));
    }
    mysql_free_result(meta);
    return out;
}

}  // namespace

qint64 pendingOrderCount(st_mysql* mysql) {
    if (mysql_query(mysql, kPendentes)) fail(QString::fromUtf8(mysql_error(mysql)));
    MYSQL_RES* res = mysql_store_result(mysql);
    if (!res) fail(QString::fromUtf8(mysql_error(mysql)));
    const auto n = static_cast<qint64>(mysql_num_rows(res));
    mysql_free_result(res);
    return n;
}

qint64 roundHalfEven(const QVariant& quantity) {
    if (quantity.isNull()) return 0;
    const auto meta = quantity.metaType().id();
    if (meta == QMetaType::Double || meta == QMetaType::Float) {
        const double v = quantity.toDouble();
        if (!std::isfinite(v) || std::fabs(v) >= 9.2e18) throw std::invalid_argument("quantity out of range");
        return static_cast<qint64>(std::nearbyint(v));  // the default rounding mode: halves to even
    }
    if (meta == QMetaType::LongLong || meta == QMetaType::Int || meta == QMetaType::UInt) return quantity.toLongLong();

    // Exact decimal text: [sign] digits [. digits]
    const QString s = quantity.toString().trimmed();
    qsizetype p = 0;
    bool negative = false;
    if (p < s.size() && (s[p] == '-' || s[p] == '+')) negative = s[p++] == '-';
    const qsizetype dot = s.indexOf('.', p);
    const QString whole = s.mid(p, dot < 0 ? -1 : dot - p);
    const QString fraction = dot < 0 ? QString() : s.mid(dot + 1);
    auto digits = [](const QString& t) {
        for (QChar c : t)
            if (c < '0' || c > '9') return false;
        return true;
    };
    if ((whole.isEmpty() && fraction.isEmpty()) || !digits(whole) || !digits(fraction) || whole.size() > 18) {
        bool ok = false;
        const double v = s.toDouble(&ok);
        if (!ok) throw std::invalid_argument(QStringLiteral("'%1' is not a valid quantity").arg(s).toStdString());
        return roundHalfEven(QVariant(v));
    }
    qint64 units = whole.isEmpty() ? 0 : whole.toLongLong();
    // Compare the fraction with one half: its first digit decides unless it is a 5.
    int versusHalf = -1;
    if (!fraction.isEmpty()) {
        const int first = fraction[0].digitValue();
        if (first > 5) versusHalf = 1;
        else if (first == 5) versusHalf = fraction.mid(1).contains(QRegularExpression("[1-9]")) ? 1 : 0;
    }
    if (versusHalf > 0 || (versusHalf == 0 && units % 2 != 0)) ++units;
    return negative ? -units : units;
}

// ---------------------------------------------------------------- the stock table

struct StockTable::Impl {
    MYSQL* mysql;
    std::vector<Column> columns;
    std::vector<Row> rows;
    std::unordered_map<std::string, std::size_t> byProduto;
    int produto = -1, registro = -1, tamanho = -1, cor = -1, quantidade = -1;
    std::vector<int> keyColumns;  // the primary key; empty: the row is found by all its values
    int autoIncrement = -1;
    std::unique_ptr<Statement> update, insert, readBack;
    // Rows inserted by this push and not read back yet, with the key the server gave them.
    std::unordered_map<std::size_t, Cell> unread;

    std::string table() const { return quoted("produto_estoque"); }

    int column(const char* name) const {
        for (std::size_t k = 0; k < columns.size(); ++k) {
            if (QString::fromStdString(columns[k].name).compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
                return static_cast<int>(k);
            }
        }
        fail(QStringLiteral("Field '%1' not found").arg(QLatin1String(name)));
    }

    void read() {
        Statement all(mysql, "select * from produto_estoque");
        all.execute({});
        columns = columnsOf(all.get());
        rows = all.fetchAll(columns);
        produto = column("produto");
        registro = column("registro");
        tamanho = column("tamanho");
        cor = column("cor");
        quantidade = column("quantidade");
        for (std::size_t k = 0; k < columns.size(); ++k) {
            if (columns[k].key) keyColumns.push_back(static_cast<int>(k));
            if (columns[k].autoIncrement && autoIncrement < 0) autoIncrement = static_cast<int>(k);
        }
        byProduto.reserve(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) byProduto.try_emplace(rows[r][produto].asText(), r);
    }

    std::string whereRow() const {
        std::string sql;
        if (!keyColumns.empty()) {
            for (int k : keyColumns) sql += (sql.empty() ? " where " : " and ") + quoted(columns[k].name) + " = ?";
            return sql;
        }
        for (const Column& c : columns) sql += (sql.empty() ? " where " : " and ") + quoted(c.name) + " <=> ?";
        return sql + " limit 1";
    }

    void updateRow(std::size_t r, const Row& written) {
        if (!update) {
            std::string sql = "update " + table() + " set ";
            for (std::size_t k = 0; k < columns.size(); ++k) sql += (k ? ", " : "") + quoted(columns[k].name) + " = ?";
            update = std::make_unique<Statement>(mysql, sql + whereRow());
        }
        std::vector<const Cell*> values;
        for (const Cell& c : written) values.push_back(&c);
        if (!keyColumns.empty()) {
            for (int k : keyColumns) values.push_back(&rows[r][k]);
        } else {
            for (const Cell& c : rows[r]) values.push_back(&c);
        }
        update->execute(values);
        if (update->affectedRows() != 1) {
            fail(QStringLiteral("Update found %1 rows instead of 1 in produto_estoque (produto '%2')")
                     .arg(update->affectedRows())
                     .arg(QString::fromStdString(written[produto].asText())));
        }
        rows[r] = written;
    }

    void insertRow(const std::string& key, const Row& written) {
        const int fivec[] = {produto, registro, tamanho, cor, quantidade};
        if (!insert) {
            std::string sql = "insert into " + table() + " (";
            for (int k : fivec) sql += (k == produto ? "" : ", ") + quoted(columns[k].name);
            insert = std::make_unique<Statement>(mysql, sql + ") values (?, ?, ?, ?, ?)");
        }
        std::vector<const Cell*> values;
        for (int k : fivec) values.push_back(&written[k]);
        insert->execute(values);

        // The new row as the server stored it (its key, its defaults) is read back only when a later
        // product with the same barcode needs it: one statement per new row saved on every push.
        rows.push_back(written);
        Cell id;
        if (autoIncrement >= 0) {
            id = Cell::integer(static_cast<long long>(insert->insertId()));
            id.isUnsigned = true;
        }
        unread.emplace(rows.size() - 1, std::move(id));
        byProduto.emplace(key, rows.size() - 1);
    }

    // Replaces the row inserted by this push with the server's copy, before it is written again.
    void readBackIfNew(std::size_t r) {
        const auto pending = unread.find(r);
        if (pending == unread.end()) return;
        const int fivec[] = {produto, registro, tamanho, cor, quantidade};
        if (!readBack) {
            std::string sql = "select * from " + table();
            if (autoIncrement >= 0) {
                sql += " where " + quoted(columns[autoIncrement].name) + " = ?";
            } else {
                std::string where;
                for (int k : fivec) where += (where.empty() ? " where " : " and ") + quoted(columns[k].name) + " <=> ?";
                sql += where + " limit 1";
            }
            readBack = std::make_unique<Statement>(mysql, sql);
        }
        if (autoIncrement >= 0) {
            readBack->execute({&pending->second});
        } else {
            std::vector<const Cell*> values;
            for (int k : fivec) values.push_back(&rows[r][k]);
            readBack->execute(values);
        }
        std::vector<Row> stored = readBack->fetchAll(columns);
        if (!stored.empty()) rows[r] = std::move(stored.front());
        unread.erase(pending);
    }
};

StockTable::StockTable(st_mysql* mysql) : d(std::make_unique<Impl>()) {
    d->mysql = mysql;
    d->read();
}

StockTable::~StockTable() = default;

void StockTable::post(const QString& barcode, qint64 quantidade) {
    Impl& t = *d;
    const Cell produto = Cell::text(barcode);
    const auto found = t.byProduto.find(produto.bytes);
    if (found != t.byProduto.end()) t.readBackIfNew(found->second);
    Row written = found == t.byProduto.end() ? Row(t.columns.size()) : t.rows[found->second];
    auto set = [&](int k, Cell value) {
        value.binary = t.columns[k].binary;
        written[k] = std::move(value);
    };
    set(t.produto, produto);
    set(t.registro, Cell::text(QString::fromLatin1(kRegistro)));
    set(t.tamanho, Cell::text(QString::fromLatin1(kTamanho)));
    set(t.cor, Cell::text(QString::fromLatin1(kCor)));
    set(t.quantidade, Cell::integer(quantidade));
    if (found != t.byProduto.end()) t.updateRow(found->second, written);
    else t.insertRow(produto.bytes, written);
}

}  // namespace velorix::store
