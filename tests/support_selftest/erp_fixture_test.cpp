#include "tests/support/ErpFixture.h"

#include <QDate>
#include <QFile>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTime>

#include <gtest/gtest.h>

using velorix::testing::ErpFixture;

namespace {

// A second connection made the way the program makes it: from the Banco.ini text alone.
QSqlDatabase connectFromBancoIni(const ErpFixture& erp, const QString& name, QTemporaryDir& dir) {
  const QString file = dir.filePath(QStringLiteral("Banco.ini"));
  QFile f(file);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(erp.bancoIni().toUtf8());
  f.close();
  QSettings ini(file, QSettings::IniFormat);
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
  db.setUserName(ini.value(QStringLiteral("BD/USER")).toString());
  db.setPassword(ini.value(QStringLiteral("BD/PASS")).toString());
  db.setPort(ini.value(QStringLiteral("BD/PORT")).toInt());
  db.setHostName(ini.value(QStringLiteral("BD/IP")).toString());
  db.setDatabaseName(ini.value(QStringLiteral("BD/Path")).toString());
  db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
  return db;
}

void forget(const QString& connection) {
  QSqlDatabase::database(connection, false).close();
  QSqlDatabase::removeDatabase(connection);
}

}  // namespace

TEST(ErpFixture, CreatesAFreshWin1252DatabaseThatBancoIniReachesAndDropsIt) {
  auto erp = ErpFixture::create(QStringLiteral("selftest"));
  auto other = ErpFixture::create(QStringLiteral("selftest"));
  EXPECT_NE(erp->path(), other->path());
  ASSERT_TRUE(QFile::exists(erp->path()));  // the server's test directory is on this machine
  EXPECT_EQ(erp->scalar(QStringLiteral("select rdb$character_set_name from rdb$database")).toString().trimmed(),
            QStringLiteral("WIN1252"));

  QTemporaryDir dir;
  {
    QSqlDatabase db = connectFromBancoIni(*erp, QStringLiteral("selftest_bancoini"), dir);
    ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("select count(*) from vendas_master")));
    EXPECT_EQ(erp->attachmentCount(), 1);
  }
  forget(QStringLiteral("selftest_bancoini"));
  EXPECT_EQ(erp->attachmentCount(), 0);

  const QString path = erp->path();
  erp.reset();
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(QFile::exists(other->path()));
}

TEST(ErpFixture, AccentedTextRoundTripsAndIsStoredAsWin1252) {
  auto erp = ErpFixture::create();
  const QString text = QStringLiteral("Pão de Açúcar");
  erp->exec(QStringLiteral("create table t_texto (c char(20), v varchar(20))"));
  erp->insert(QStringLiteral("t_texto"), {{QStringLiteral("c"), text}, {QStringLiteral("v"), text}});
  erp->insert(QStringLiteral("produto"), {{QStringLiteral("codigo"), 1}, {QStringLiteral("descricao"), text},
                                          {QStringLiteral("ativo"), QStringLiteral("S")}});

  QSqlQuery q(erp->database());
  q.setForwardOnly(true);
  ASSERT_TRUE(q.exec(QStringLiteral("select c, v, octet_length(v) from t_texto")));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toString().trimmed(), text);  // CHAR comes back blank-padded
  EXPECT_EQ(q.value(1).toString(), text);
  EXPECT_EQ(q.value(2).toInt(), 13);  // one byte per letter: WIN1252, not UTF-8
  EXPECT_EQ(erp->scalar(QStringLiteral("select descricao from produto")).toString(), text);
  EXPECT_EQ(erp->scalar(QStringLiteral("select ativo from produto")).toString().trimmed(), QStringLiteral("S"));
}

TEST(ErpFixture, InsertStoresExactValuesOfEveryKind) {
  auto erp = ErpFixture::create();
  erp->insert(QStringLiteral("vendas_master"),
              {{QStringLiteral("codigo"), 7},
               {QStringLiteral("data_emissao"), QDate(2024, 2, 29)},
               {QStringLiteral("hora"), QTime(23, 59, 58)},
               {QStringLiteral("total"), 0.29},  // 0.29 * 100 is 28.999... as a double
               {QStringLiteral("situacao"), QStringLiteral("F")},
               {QStringLiteral("flag_nfce"), QVariant()}});
  erp->insert(QStringLiteral("produto"),
              {{QStringLiteral("codigo"), 1}, {QStringLiteral("qtd_atual"), 2.000001}, {QStringLiteral("pr_custo2"), -1.1}});
  EXPECT_EQ(erp->scalar(QStringLiteral("select count(*) from vendas_master where codigo = 7 and "
                                       "data_emissao = date '2024-02-29' and hora = time '23:59:58' and "
                                       "total = 0.29 and situacao = 'F' and flag_nfce is null"))
                .toInt(),
            1);
  EXPECT_EQ(erp->scalar(QStringLiteral("select count(*) from produto where qtd_atual = 2.000001 and pr_custo2 = -1.1"))
                .toInt(),
            1);
  EXPECT_THROW(erp->insert(QStringLiteral("produto"), {{QStringLiteral("codigo"), 1}}), std::runtime_error);
  EXPECT_THROW(erp->exec(QStringLiteral("select nada from lugar_nenhum")), std::runtime_error);
}

TEST(ErpFixture, SeesOtherAttachmentsAndTheirOpenTransactions) {
  auto erp = ErpFixture::create();
  QTemporaryDir dir;
  {
    QSqlDatabase db = connectFromBancoIni(*erp, QStringLiteral("selftest_tx"), dir);
    ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
    EXPECT_EQ(erp->attachmentCount(), 1);
    EXPECT_EQ(erp->openTransactionCount(), 0);
    ASSERT_TRUE(db.transaction());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("select count(*) from produto")));
    EXPECT_EQ(erp->openTransactionCount(), 1);
    q.finish();
    ASSERT_TRUE(db.commit());
    EXPECT_EQ(erp->openTransactionCount(), 0);
  }
  forget(QStringLiteral("selftest_tx"));
}

TEST(ErpFixture, DropsTheDatabaseEvenWhenAConnectionWasLeftOpen) {
  auto erp = ErpFixture::create();
  QTemporaryDir dir;
  const QString path = erp->path();
  {
    QSqlDatabase db = connectFromBancoIni(*erp, QStringLiteral("selftest_leak"), dir);
    ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
  }
  erp.reset();
  EXPECT_FALSE(QFile::exists(path));
  QSqlDatabase::removeDatabase(QStringLiteral("selftest_leak"));
}

TEST(ErpFixture, EmbeddedDatabaseAtALocalPathIsDroppedUnlessKept) {
  QTemporaryDir dir;
  const QString dropped = dir.filePath(QStringLiteral("drop.fdb"));
  const QString kept = dir.filePath(QStringLiteral("keep.fdb"));
  {
    auto erp = ErpFixture::createEmbedded(dropped);
    EXPECT_TRUE(erp->host().isEmpty());
    EXPECT_TRUE(erp->bancoIni().contains(QStringLiteral("\nIP=\n")));
    erp->insert(QStringLiteral("usuarios"), {{QStringLiteral("codigo"), 1}, {QStringLiteral("login"), QStringLiteral("joão")}});
    EXPECT_EQ(erp->scalar(QStringLiteral("select login from usuarios")).toString(), QStringLiteral("joão"));
    ASSERT_TRUE(QFile::exists(dropped));
  }
  EXPECT_FALSE(QFile::exists(dropped));
  {
    auto erp = ErpFixture::createEmbedded(kept);
    erp->keep();
  }
  EXPECT_TRUE(QFile::exists(kept));
}
