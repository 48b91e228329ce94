#include "tests/support/StoreDb.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <mysql.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace velorix::testing {

namespace {

std::atomic<int> g_counter{0};

QString envOr(const char* name, const QString& fallback) {
  const QString v = qEnvironmentVariable(name);
  return v.isEmpty() ? fallback : v;
}

[[noreturn]] void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

QString randomHex(int bytes) {
  QString out;
  for (int i = 0; i < bytes; ++i)
    out += QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(256), 2, 16, QLatin1Char('0'));
  return out;
}

// The store tables as the online store has them; the program relies only on the columns
// it names, and finds stock rows by `produto` itself (no unique key on it).
const char* const kStoreSchema[] = {
    "CREATE TABLE pedido_loja ("
    " id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,"
    " status INT NOT NULL DEFAULT 0"
    ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4",
    "CREATE TABLE produto_estoque ("
    " id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,"
    " produto VARCHAR(60) NOT NULL DEFAULT '',"
    " registro VARCHAR(20),"
    " tamanho VARCHAR(20),"
    " cor VARCHAR(20),"
    " quantidade INT NOT NULL DEFAULT 0"
    ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4",
};

}  // namespace

MysqlServer MysqlServer::fromEnv() {
  MysqlServer s;
  s.host = envOr("VELORIX_MYSQL_HOST", QStringLiteral("127.0.0.1"));
  s.port = envOr("VELORIX_MYSQL_PORT", QStringLiteral("33306")).toUInt();
  s.user = envOr("VELORIX_MYSQL_USER", QStringLiteral("velorix"));
  s.password = envOr("VELORIX_MYSQL_PASSWORD", QStringLiteral("velorix-test"));
  return s;
}

std::unique_ptr<StoreDb> StoreDb::create(const QString& name) { return create(MysqlServer::fromEnv(), name); }

std::unique_ptr<StoreDb> StoreDb::create(const MysqlServer& server, const QString& name) {
  std::unique_ptr<StoreDb> db(new StoreDb);
  db->server_ = server;
  db->build(name);
  return db;
}

void StoreDb::build(const QString& name) {
  admin_ = mysql_init(nullptr);
  if (!admin_) fail(QStringLiteral("mysql_init failed"));
  mysql_options(admin_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  const QByteArray host = server_.host.toUtf8(), user = server_.user.toUtf8(), pass = server_.password.toUtf8();
  if (!mysql_real_connect(admin_, host.constData(), user.constData(), pass.constData(), nullptr, server_.port,
                          nullptr, 0))
    fail(QStringLiteral("cannot connect to MariaDB at %1:%2: %3")
             .arg(server_.host)
             .arg(server_.port)
             .arg(QString::fromUtf8(mysql_error(admin_))));

  QString base = name.left(24);
  base.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
  const QString unique = QStringLiteral("%1_%2_%3")
                             .arg(QCoreApplication::applicationPid())
                             .arg(++g_counter)
                             .arg(randomHex(3));
  database_ = QStringLiteral("vx_") + (base.isEmpty() ? QString() : base + QLatin1Char('_')) + unique;
  user_ = QStringLiteral("vx_") + unique;
  password_ = randomHex(8);

  exec(QStringLiteral("CREATE DATABASE `%1` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci").arg(database_));
  created_ = true;  // from here on the destructor cleans up
  exec(QStringLiteral("CREATE USER '%1'@'%' IDENTIFIED BY '%2'").arg(user_, password_));
  exec(QStringLiteral("GRANT ALL PRIVILEGES ON `%1`.* TO '%2'@'%'").arg(database_, user_));
  if (mysql_select_db(admin_, database_.toUtf8().constData()))
    fail(QStringLiteral("USE %1: %2").arg(database_, QString::fromUtf8(mysql_error(admin_))));
  for (const char* ddl : kStoreSchema) exec(QString::fromUtf8(ddl));
}

StoreDb::~StoreDb() {
  if (admin_ && created_) {
    auto run = [this](const QString& sql) {
      if (mysql_query(admin_, sql.toUtf8().constData()))
        std::fprintf(stderr, "StoreDb: %s: %s\n", sql.toUtf8().constData(), mysql_error(admin_));
    };
    killUserConnections();
    run(QStringLiteral("DROP USER IF EXISTS '%1'@'%'").arg(user_));
    run(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(database_));
  }
  if (admin_) mysql_close(admin_);
}

// Connections the code under test left open would keep running against a dropped database.
void StoreDb::killUserConnections() {
  try {
    for (const QVariantList& row :
         rows(QStringLiteral("SELECT ID FROM information_schema.PROCESSLIST WHERE USER = '%1'").arg(user_)))
      mysql_query(admin_, QStringLiteral("KILL %1").arg(row.value(0).toString()).toUtf8().constData());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "StoreDb: %s\n", e.what());
  }
}

void StoreDb::exec(const QString& sql) {
  const QByteArray text = sql.toUtf8();
  if (mysql_real_query(admin_, text.constData(), text.size()))
    fail(QStringLiteral("%1\n  in: %2").arg(QString::fromUtf8(mysql_error(admin_)), sql));
  // A statement that returns rows must still have them read before the next one.
  if (MYSQL_RES* res = mysql_store_result(admin_)) mysql_free_result(res);
}

QList<QVariantList> StoreDb::rows(const QString& sql) {
  const QByteArray text = sql.toUtf8();
  if (mysql_real_query(admin_, text.constData(), text.size()))
    fail(QStringLiteral("%1\n  in: %2").arg(QString::fromUtf8(mysql_error(admin_)), sql));
  QList<QVariantList> out;
  MYSQL_RES* res = mysql_store_result(admin_);
  if (!res) {
    if (mysql_field_count(admin_) != 0)
      fail(QStringLiteral("%1\n  in: %2").arg(QString::fromUtf8(mysql_error(admin_)), sql));
    return out;
  }
  const unsigned n = mysql_num_fields(res);
  while (MYSQL_ROW row = mysql_fetch_row(res)) {
    const unsigned long* len = mysql_fetch_lengths(res);
    QVariantList values;
    for (unsigned i = 0; i < n; ++i)
      values << (row[i] ? QVariant(QString::fromUtf8(row[i], qsizetype(len[i]))) : QVariant());
    out << values;
  }
  mysql_free_result(res);
  return out;
}

QVariant StoreDb::scalar(const QString& sql) {
  const QList<QVariantList> r = rows(sql);
  return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

int StoreDb::connectionCount() {
  return scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE USER = '%1'").arg(user_))
      .toInt();
}

}  // namespace velorix::testing
