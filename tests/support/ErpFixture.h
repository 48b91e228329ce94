#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <utility>

namespace velorix::testing {

// Where the test Firebird server runs. Every field comes from the environment:
// VELORIX_FB_HOST (127.0.0.1), VELORIX_FB_PORT (3050), VELORIX_FB_PASSWORD (else the
// ISC_PASSWORD line of /etc/firebird/3.0/SYSDBA.password), VELORIX_FB_TESTDIR
// (/var/tmp/velorix-fb, a directory the server can write).
struct FbServer {
  QString host, port, password, dir;
  static FbServer fromEnv();
};

// A fresh ERP database with the full schema, on the test server or on the embedded engine,
// dropped again when the fixture goes away. Every failure throws std::runtime_error.
class ErpFixture {
 public:
  // A uniquely named database file in the server's test directory; `name` only helps to
  // recognise the file.
  static std::unique_ptr<ErpFixture> create(const QString& name = {});
  static std::unique_ptr<ErpFixture> create(const FbServer& server, const QString& name = {});
  // A database at a local path, opened through the embedded engine (no server, no host).
  static std::unique_ptr<ErpFixture> createEmbedded(const QString& path);

  ~ErpFixture();
  ErpFixture(const ErpFixture&) = delete;
  ErpFixture& operator=(const ErpFixture&) = delete;

  QString host() const { return host_; }  // empty for the embedded engine
  QString port() const { return port_; }
  QString path() const { return path_; }
  QString user() const { return user_; }
  QString password() const { return password_; }

  // The text of a Banco.ini that points at this database.
  QString bancoIni() const;

  // The fixture's own connection (QIBASE, UTF8 client character set).
  QSqlDatabase database() const;

  // Runs one statement and commits it.
  void exec(const QString& sql);
  // Inserts one row, values bound as parameters, and commits. A null QVariant inserts NULL;
  // QDate, QTime and QDateTime go in as DATE, TIME and TIMESTAMP values; doubles exactly as
  // written (0.29 stays 0.29 in a NUMERIC column).
  void insert(const QString& table, std::initializer_list<std::pair<QString, QVariant>> cols);
  // Field 0 of the first row (invalid QVariant when there is no row). CHAR values come
  // back padded as the driver delivers them.
  QVariant scalar(const QString& sql);

  // Attachments to this database other than the fixture's own connection.
  int attachmentCount();
  // Transactions of those other attachments not yet committed or rolled back (idle or not).
  int openTransactionCount();

  // Opens the fixture's own connection again, e.g. after the server was restarted under it.
  void reconnect();

  // Leaves the database file in place when the fixture goes away.
  void keep() { keep_ = true; }

 private:
  ErpFixture() = default;
  void openConnection();
  void closeConnection();
  QString attachString() const;

  QString host_, port_, path_, user_, password_;
  QString connectionName_;
  bool owned_ = false;
  bool keep_ = false;
};

}  // namespace velorix::testing
