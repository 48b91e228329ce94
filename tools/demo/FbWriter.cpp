#include "tools/demo/FbWriter.h"

#include <cstring>
#include <stdexcept>

namespace velorix::demo {

namespace {

std::string statusText(const ISC_STATUS* status) {
    std::string text;
    char buf[512];
    const ISC_STATUS* p = status;
    while (fb_interpret(buf, sizeof buf, &p)) {
        if (!text.empty()) text += ' ';
        text += buf;
    }
    return text;
}

[[noreturn]] void fail(const std::string& what, const ISC_STATUS* status) {
    throw std::runtime_error(what + ": " + statusText(status));
}

std::string sqlQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

std::string makeDpb(const std::string& user, const std::string& password, int forceWrite) {
    std::string dpb(1, char(isc_dpb_version1));
    auto add = [&dpb](char tag, const std::string& v) {
        dpb += tag;
        dpb += char(v.size());
        dpb += v;
    };
    add(isc_dpb_user_name, user);
    if (!password.empty()) add(isc_dpb_password, password);
    add(isc_dpb_lc_ctype, "UTF8");
    if (forceWrite >= 0) {
        dpb += char(isc_dpb_force_write);
        dpb += char(1);
        dpb += char(forceWrite);
    }
    return dpb;
}

std::int64_t pow10(int n) {
    std::int64_t r = 1;
    while (n-- > 0) r *= 10;
    return r;
}

}  // namespace

FbDatabase FbDatabase::create(const std::string& attach, const std::string& user, const std::string& password) {
    FbDatabase db;
    db.attach_ = attach;
    db.user_ = user;
    db.password_ = password;

    ISC_STATUS_ARRAY st{};
    isc_tr_handle tr = 0;
    std::string create = "CREATE DATABASE " + sqlQuote(attach) + " USER " + sqlQuote(user);
    if (!password.empty()) create += " PASSWORD " + sqlQuote(password);
    create += " PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1252";
    if (isc_dsql_execute_immediate(st, &db.db_, &tr, 0, create.c_str(), SQL_DIALECT_V6, nullptr))
        fail("cannot create " + attach, st);
    isc_detach_database(st, &db.db_);
    db.db_ = 0;

    // Reattach with the UTF8 client character set; forced writes off while loading: with them
    // on, every page written from the cache waits for the disk.
    const std::string dpb = makeDpb(user, password, 0);
    if (isc_attach_database(st, 0, attach.c_str(), &db.db_, short(dpb.size()), dpb.data()))
        fail("cannot attach " + attach, st);
    return db;
}

FbDatabase::FbDatabase(FbDatabase&& other) noexcept
    : db_(other.db_), attach_(std::move(other.attach_)), user_(std::move(other.user_)),
      password_(std::move(other.password_)) {
    other.db_ = 0;
}

FbDatabase::~FbDatabase() { detach(); }

void FbDatabase::detach() noexcept {
    if (!db_) return;
    ISC_STATUS_ARRAY st{};
    isc_detach_database(st, &db_);
    db_ = 0;
}

void FbDatabase::exec(const std::string& sql) {
    FbTransaction tr(*this);
    ISC_STATUS_ARRAY st{};
    if (isc_dsql_execute_immediate(st, &db_, tr.handle(), 0, sql.c_str(), SQL_DIALECT_V6, nullptr))
        fail(sql, st);
    tr.commit();
}

void FbDatabase::finish() {
    detach();
    ISC_STATUS_ARRAY st{};
    const std::string dpb = makeDpb(user_, password_, 1);
    if (isc_attach_database(st, 0, attach_.c_str(), &db_, short(dpb.size()), dpb.data()))
        fail("cannot attach " + attach_, st);
    detach();
}

void FbDatabase::drop() noexcept {
    if (!db_) return;
    ISC_STATUS_ARRAY st{};
    if (isc_drop_database(st, &db_)) detach();
    db_ = 0;
}

FbTransaction::FbTransaction(FbDatabase& db) {
    // No undo log: a load that fails is thrown away whole anyway.
    static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait,
                               isc_tpb_no_auto_undo};
    ISC_STATUS_ARRAY st{};
    if (isc_start_transaction(st, &tr_, 1, db.handle(), short(sizeof tpb), tpb)) fail("start transaction", st);
}

FbTransaction::~FbTransaction() {
    if (!tr_) return;
    ISC_STATUS_ARRAY st{};
    isc_rollback_transaction(st, &tr_);
}

void FbTransaction::commit() {
    ISC_STATUS_ARRAY st{};
    if (isc_commit_transaction(st, &tr_)) fail("commit", st);
    tr_ = 0;
}

FbStatement::FbStatement(FbDatabase& db, FbTransaction& tr, const std::string& sql) : db_(db), tr_(tr) {
    ISC_STATUS_ARRAY st{};
    if (isc_dsql_allocate_statement(st, db_.handle(), &stmt_)) fail("allocate statement", st);
    if (isc_dsql_prepare(st, tr_.handle(), &stmt_, 0, sql.c_str(), SQL_DIALECT_V6, nullptr)) {
        const std::string err = statusText(st);
        isc_dsql_free_statement(st, &stmt_, DSQL_drop);
        throw std::runtime_error(sql + ": " + err);
    }
    int n = 1;
    for (int pass = 0; pass < 2; ++pass) {
        sqldaStorage_.assign(XSQLDA_LENGTH(n), 0);
        in_ = reinterpret_cast<XSQLDA*>(sqldaStorage_.data());
        in_->version = SQLDA_VERSION1;
        in_->sqln = short(n);
        if (isc_dsql_describe_bind(st, &stmt_, SQL_DIALECT_V6, in_)) fail("describe " + sql, st);
        if (in_->sqld <= in_->sqln) break;
        n = in_->sqld;
    }
    params_.resize(in_->sqld);
    for (int i = 0; i < in_->sqld; ++i) {
        XSQLVAR& v = in_->sqlvar[i];
        Param& p = params_[i];
        p.type = short(v.sqltype & ~1);
        p.scale = v.sqlscale;
        p.length = v.sqllen;
        switch (p.type) {
            case SQL_TEXT:
            case SQL_VARYING:
                // Texts always go in as VARCHAR of the described byte length.
                p.type = SQL_VARYING;
                p.buffer.assign(size_t(p.length) + sizeof(short), 0);
                v.sqltype = SQL_VARYING + 1;
                break;
            case SQL_SHORT:
            case SQL_LONG:
            case SQL_INT64:
                p.buffer.assign(sizeof(std::int64_t), 0);
                v.sqltype = SQL_INT64 + 1;
                v.sqllen = sizeof(std::int64_t);
                p.type = SQL_INT64;
                break;
            case SQL_TYPE_DATE:
            case SQL_TYPE_TIME:
                p.buffer.assign(sizeof(ISC_DATE), 0);
                v.sqltype = short(p.type + 1);
                break;
            default:
                throw std::runtime_error("unsupported parameter type " + std::to_string(p.type) + " in " + sql);
        }
        v.sqldata = p.buffer.data();
        v.sqlind = &p.nullInd;
    }
}

FbStatement::~FbStatement() {
    ISC_STATUS_ARRAY st{};
    if (stmt_) isc_dsql_free_statement(st, &stmt_, DSQL_drop);
}

FbStatement::Param& FbStatement::param(int i) {
    if (i < 0 || i >= int(params_.size())) throw std::out_of_range("parameter index " + std::to_string(i));
    return params_[size_t(i)];
}

void FbStatement::setNull(int i) { param(i).nullInd = -1; }

void FbStatement::setInt(int i, std::int64_t v) { setScaled(i, v, 0); }

void FbStatement::setScaled(int i, std::int64_t v, int scale) {
    Param& p = param(i);
    if (p.type != SQL_INT64) throw std::runtime_error("parameter " + std::to_string(i) + " is not a number");
    // The column keeps -p.scale decimals; a value with fewer is widened, one with more must
    // not lose digits.
    const int target = -p.scale;
    if (scale < target) v *= pow10(target - scale);
    else if (scale > target) {
        const std::int64_t f = pow10(scale - target);
        if (v % f) throw std::runtime_error("parameter " + std::to_string(i) + " has more decimals than its column");
        v /= f;
    }
    std::memcpy(p.buffer.data(), &v, sizeof v);
    p.nullInd = 0;
}

void FbStatement::setDate(int i, const QDate& d) {
    Param& p = param(i);
    if (p.type != SQL_TYPE_DATE) throw std::runtime_error("parameter " + std::to_string(i) + " is not a date");
    // Days since 17 November 1858.
    const ISC_DATE v = ISC_DATE(d.toJulianDay() - 2400001);
    std::memcpy(p.buffer.data(), &v, sizeof v);
    p.nullInd = 0;
}

void FbStatement::setTime(int i, const QTime& t) {
    Param& p = param(i);
    if (p.type != SQL_TYPE_TIME) throw std::runtime_error("parameter " + std::to_string(i) + " is not a time");
    const ISC_TIME v = ISC_TIME(t.msecsSinceStartOfDay()) * 10;  // units of 1/10000 s
    std::memcpy(p.buffer.data(), &v, sizeof v);
    p.nullInd = 0;
}

void FbStatement::setText(int i, std::string_view utf8) {
    Param& p = param(i);
    if (p.type != SQL_VARYING) throw std::runtime_error("parameter " + std::to_string(i) + " is not a text");
    if (utf8.size() > size_t(p.length)) throw std::runtime_error("text too long for parameter " + std::to_string(i));
    const short n = short(utf8.size());
    std::memcpy(p.buffer.data(), &n, sizeof n);
    std::memcpy(p.buffer.data() + sizeof n, utf8.data(), utf8.size());
    p.nullInd = 0;
}

void FbStatement::execute() {
    ISC_STATUS_ARRAY st{};
    if (isc_dsql_execute(st, tr_.handle(), &stmt_, SQL_DIALECT_V6, in_)) fail("insert", st);
}

}  // namespace velorix::demo
