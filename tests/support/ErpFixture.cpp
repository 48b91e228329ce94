#include "tests/support/ErpFixture.h"

#include "tests/support/ErpSchema.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>

#include <ibase.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace velorix::testing {

namespace {

std::atomic<int> g_counter{0};

QString envOr(const char* name, const QString& fallback) {
  const QString v = qEnvironmentVariable(name);
  return v.isEmpty() ? fallback : v;
}

// The Debian package keeps the SYSDBA password in a shell-style assignment.
QString passwordFromFile(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  static const QRegularExpression re(QStringLiteral(R"re(^\s*ISC_PASSWORD\s*=\s*"?([^"\r\n]*)"?\s*$)re"));
  while (!f.atEnd()) {
    const auto m = re.match(QString::fromUtf8(f.readLine()));
    if (m.hasMatch()) return m.captured(1);
  }
  return {};
}

[[noreturn]] void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

QString statusText(const ISC_STATUS* status) {
  QString text;
  char buf[512];
  const ISC_STATUS* p = status;
  while (fb_interpret(buf, sizeof buf, &p)) {
    if (!text.isEmpty()) text += QLatin1Char(' ');
    text += QString::fromLocal8Bit(buf);
  }
  return text;
}

QString sqlQuote(const QString& s) {
  QString out = s;
  out.replace(QLatin1Char('\''), QStringLiteral("''"));
  return QLatin1Char('\'') + out + QLatin1Char('\'');
}

// A database parameter buffer with the user name and, when given, the password.
std::string makeDpb(const QString& user, const QString& password) {
  std::string dpb(1, char(isc_dpb_version1));
  auto add = [&dpb](char tag, const QByteArray& v) {
    dpb += tag;
    dpb += char(v.size());
    dpb.append(v.constData(), size_t(v.size()));
  };
  add(isc_dpb_user_name, user.toUtf8());
  if (!password.isEmpty()) add(isc_dpb_password, password.toUtf8());
  return dpb;
}

void executeDdl(isc_db_handle* db, const QString& sql) {
  ISC_STATUS_ARRAY st{};
  isc_tr_handle tr = 0;
  if (isc_start_transaction(st, &tr, 1, db, 0, nullptr)) fail(QStringLiteral("start transaction: ") + statusText(st));
  const QByteArray text = sql.toUtf8();
  if (isc_dsql_execute_immediate(st, db, &tr, 0, text.constData(), SQL_DIALECT_V6, nullptr)) {
    const QString err = statusText(st);
    ISC_STATUS_ARRAY ignore{};
    isc_rollback_transaction(ignore, &tr);
    fail(QStringLiteral("%1\n  in: %2").arg(err, sql));
  }
  if (isc_commit_transaction(st, &tr)) fail(QStringLiteral("commit: ") + statusText(st));
}

QString uniqueFileName(const QString& name) {
  QString base = name;
  base.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
  if (base.isEmpty()) base = QStringLiteral("erp");
  return QStringLiteral("%1-%2-%3-%4.fdb")
      .arg(base)
      .arg(QCoreApplication::applicationPid())
      .arg(++g_counter)
      .arg(QRandomGenerator::global()->generate() & 0xffffff, 6, 16, QLatin1Char('0'));
}

// Text form of a value that Firebird converts into any column type exactly.
QVariant asSqlText(const QVariant& v) {
  if (v.isNull()) return QVariant(QMetaType::fromType<QString>());
  switch (v.typeId()) {
    case QMetaType::QDate: return v.toDate().toString(Qt::ISODate);
    case QMetaType::QTime: return v.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case QMetaType::QDateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    case QMetaType::Double:
    case QMetaType::Float:
      return QString::number(v.toDouble(), 'f', QLocale::FloatingPointShortest);
    default: return v.toString();
  }
}

}  // namespace

FbServer FbServer::fromEnv() {
  FbServer s;
  s.host = envOr("VELORIX_FB_HOST", QStringLiteral("127.0.0.1"));
  s.port = envOr("VELORIX_FB_PORT", QStringLiteral("3050"));
  s.password = qEnvironmentVariable("VELORIX_FB_PASSWORD");
  if (s.password.isEmpty()) s.password = passwordFromFile(QStringLiteral("/etc/firebird/3.0/SYSDBA.password"));
  s.dir = envOr("VELORIX_FB_TESTDIR", QStringLiteral("/var/tmp/velorix-fb"));
  return s;
}

std::unique_ptr<ErpFixture> ErpFixture::create(const QString& name) { return create(FbServer::fromEnv(), name); }

std::unique_ptr<ErpFixture> ErpFixture::create(const FbServer& server, const QString& name) {
  if (server.password.isEmpty())
    fail(QStringLiteral("no Firebird SYSDBA password: set VELORIX_FB_PASSWORD (scripts/services env)"));
  std::unique_ptr<ErpFixture> f(new ErpFixture);
  f->host_ = server.host;
  f->port_ = server.port;
  f->path_ = server.dir + QLatin1Char('/') + uniqueFileName(name);
  f->user_ = QStringLiteral("SYSDBA");
  f->password_ = server.password;
  f->openConnection();
  return f;
}

std::unique_ptr<ErpFixture> ErpFixture::createEmbedded(const QString& path) {
  std::unique_ptr<ErpFixture> f(new ErpFixture);
  f->port_ = QStringLiteral("3050");
  f->path_ = path;
  f->user_ = QStringLiteral("SYSDBA");
  f->openConnection();
  return f;
}

QString ErpFixture::attachString() const {
  if (host_.isEmpty()) return path_;
  return host_ + QLatin1Char('/') + port_ + QLatin1Char(':') + path_;
}

// Creates the database and its schema through the client library, then opens the Qt
// connection on it. A failure while building the schema drops the database at once.
void ErpFixture::openConnection() {
  ISC_STATUS_ARRAY st{};
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  QString create = QStringLiteral("CREATE DATABASE %1 USER %2").arg(sqlQuote(attachString()), sqlQuote(user_));
  if (!password_.isEmpty()) create += QStringLiteral(" PASSWORD ") + sqlQuote(password_);
  create += QStringLiteral(" PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1252");
  const QByteArray text = create.toUtf8();
  if (isc_dsql_execute_immediate(st, &db, &tr, 0, text.constData(), SQL_DIALECT_V6, nullptr))
    fail(QStringLiteral("cannot create %1: %2").arg(attachString(), statusText(st)));

  try {
    for (const QString& ddl : erpSchemaStatements()) executeDdl(&db, ddl);
  } catch (...) {
    ISC_STATUS_ARRAY ignore{};
    isc_drop_database(ignore, &db);
    throw;
  }
  isc_detach_database(st, &db);

  connectionName_ = QStringLiteral("velorix_erp_fixture_%1").arg(++g_counter);
  QString err;
  {
    QSqlDatabase qdb = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), connectionName_);
    if (!host_.isEmpty()) {
      qdb.setHostName(host_);
      qdb.setPort(port_.toInt());
    }
    qdb.setDatabaseName(path_);
    qdb.setUserName(user_);
    qdb.setPassword(password_);
    qdb.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    if (!qdb.open()) err = qdb.lastError().text();
  }
  owned_ = true;  // from here on the destructor drops the database
  if (!err.isEmpty()) fail(QStringLiteral("cannot open %1 through QIBASE: %2").arg(attachString(), err));
}

void ErpFixture::reconnect() {
  QSqlDatabase db = database();
  db.close();
  if (!db.open()) fail(QStringLiteral("cannot reopen %1 through QIBASE: %2").arg(attachString(), db.lastError().text()));
}

void ErpFixture::closeConnection() {
  if (connectionName_.isEmpty()) return;
  {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(connectionName_);
  connectionName_.clear();
}

ErpFixture::~ErpFixture() {
  closeConnection();
  if (!owned_ || keep_) return;

  std::string dpb = makeDpb(user_, password_);
  const QByteArray at = attachString().toUtf8();
  for (int attempt = 0; attempt < 2; ++attempt) {
    ISC_STATUS_ARRAY st{};
    isc_db_handle db = 0;
    if (isc_attach_database(st, 0, at.constData(), &db, short(dpb.size()), dpb.data())) {
      std::fprintf(stderr, "ErpFixture: cannot attach %s to drop it: %s\n", at.constData(),
                   statusText(st).toLocal8Bit().constData());
      return;
    }
    if (!isc_drop_database(st, &db)) return;
    const QString err = statusText(st);
    // Someone still holds the database open, most likely a connection the code under test
    // never closed: end those attachments and try once more.
    std::fprintf(stderr, "ErpFixture: dropping %s failed (%s); ending other attachments\n", at.constData(),
                 err.toLocal8Bit().constData());
    isc_tr_handle tr = 0;
    static const char kKill[] =
        "delete from mon$attachments where mon$attachment_id <> current_connection and mon$system_flag = 0";
    if (!isc_start_transaction(st, &tr, 1, &db, 0, nullptr)) {
      if (isc_dsql_execute_immediate(st, &db, &tr, 0, kKill, SQL_DIALECT_V6, nullptr))
        isc_rollback_transaction(st, &tr);
      else
        isc_commit_transaction(st, &tr);
    }
    isc_detach_database(st, &db);
  }
}

QString ErpFixture::bancoIni() const {
  return QStringLiteral("[BD]\nUSER=%1\nPASS=%2\nPORT=%3\nIP=%4\nPath=%5\n").arg(user_, password_, port_, host_, path_);
}

QSqlDatabase ErpFixture::database() const { return QSqlDatabase::database(connectionName_, false); }

void ErpFixture::exec(const QString& sql) {
  QSqlQuery q(database());
  if (!q.exec(sql)) fail(QStringLiteral("%1\n  in: %2").arg(q.lastError().text(), sql));
}

void ErpFixture::insert(const QString& table, std::initializer_list<std::pair<QString, QVariant>> cols) {
  QStringList names, markers;
  for (const auto& c : cols) {
    names << c.first;
    // Every value travels as UTF-8 text in its shortest exact form and the server converts it
    // into the column's type, as it would a literal: a double written 0.29 is stored as 0.29
    // whatever the binary rounding, and accents survive.
    markers << QStringLiteral("cast(? as varchar(8191) character set utf8)");
  }
  const QString sql =
      QStringLiteral("insert into %1 (%2) values (%3)").arg(table, names.join(QStringLiteral(", ")), markers.join(QStringLiteral(", ")));
  QSqlQuery q(database());
  if (!q.prepare(sql)) fail(QStringLiteral("%1\n  in: %2").arg(q.lastError().text(), sql));
  for (const auto& c : cols) q.addBindValue(asSqlText(c.second));
  if (!q.exec()) fail(QStringLiteral("%1\n  in: %2").arg(q.lastError().text(), sql));
}

QVariant ErpFixture::scalar(const QString& sql) {
  QSqlQuery q(database());
  q.setForwardOnly(true);
  if (!q.exec(sql)) fail(QStringLiteral("%1\n  in: %2").arg(q.lastError().text(), sql));
  if (!q.next()) return {};
  return q.value(0);
}

int ErpFixture::attachmentCount() {
  return scalar(QStringLiteral(
                    "select count(*) from mon$attachments "
                    "where mon$attachment_id <> current_connection and mon$system_flag = 0"))
      .toInt();
}

int ErpFixture::openTransactionCount() {
  return scalar(QStringLiteral(
                    "select count(*) from mon$transactions t "
                    "join mon$attachments a on a.mon$attachment_id = t.mon$attachment_id "
                    "where t.mon$attachment_id <> current_connection and a.mon$system_flag = 0"))
      .toInt();
}

}  // namespace velorix::testing
