#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

struct st_mysql;

namespace velorix::testing {

// Where the test MariaDB server runs and the administrative account on it:
// VELORIX_MYSQL_HOST (127.0.0.1), VELORIX_MYSQL_PORT (33306), VELORIX_MYSQL_USER (velorix),
// VELORIX_MYSQL_PASSWORD (velorix-test).
struct MysqlServer {
  QString host;
  unsigned port = 0;
  QString user, password;
  static MysqlServer fromEnv();
};

// A fresh store database with the tables `pedido_loja` and `produto_estoque` (utf8mb4), and a
// user of its own that may use only that database: the code under test logs in as user() so
// that connectionCount() sees its connections and no one else's. Both are dropped, and that
// user's connections ended, when the object goes away. Failures throw std::runtime_error.
class StoreDb {
 public:
  static std::unique_ptr<StoreDb> create(const QString& name = {});
  static std::unique_ptr<StoreDb> create(const MysqlServer& server, const QString& name = {});
  ~StoreDb();
  StoreDb(const StoreDb&) = delete;
  StoreDb& operator=(const StoreDb&) = delete;

  QString host() const { return server_.host; }
  unsigned port() const { return server_.port; }
  QString database() const { return database_; }
  QString user() const { return user_; }  // authenticates with mysql_native_password
  QString password() const { return password_; }

  // Runs statements in this database on the fixture's own (administrative) connection,
  // with automatic commit.
  void exec(const QString& sql);
  // All rows of a query: each value as text (UTF-8 decoded), NULL as a null QVariant.
  QList<QVariantList> rows(const QString& sql);
  // Field 0 of the first row (invalid QVariant when there is no row).
  QVariant scalar(const QString& sql);

  // Connections of user() open on the server right now.
  int connectionCount();

 private:
  StoreDb() = default;
  void build(const QString& name);
  void killUserConnections();

  MysqlServer server_;
  QString database_, user_, password_;
  st_mysql* admin_ = nullptr;
  bool created_ = false;
};

}  // namespace velorix::testing
