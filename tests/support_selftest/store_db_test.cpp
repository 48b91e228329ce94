#include "tests/support/StoreDb.h"

#include <mysql.h>

#include <gtest/gtest.h>

using velorix::testing::StoreDb;

TEST(StoreDb, FreshDatabaseWithTheStoreTablesAndItsOwnUser) {
  auto store = StoreDb::create(QStringLiteral("selftest"));
  QStringList tables;
  for (const QVariantList& row : store->rows(QStringLiteral("SHOW TABLES"))) tables << row.value(0).toString();
  EXPECT_EQ(tables, (QStringList{QStringLiteral("pedido_loja"), QStringLiteral("produto_estoque")}));

  // The statements the program runs on the store side.
  store->exec(QStringLiteral("INSERT INTO pedido_loja (status) VALUES (0), (4), (1)"));
  EXPECT_EQ(store->rows(QStringLiteral("select id\nfrom pedido_loja\nwhere\nstatus in (0, 4)")).size(), 2);
  store->exec(QStringLiteral("INSERT INTO produto_estoque (produto, registro, tamanho, cor, quantidade) "
                             "VALUES ('Pão de Açúcar', '161719314835328', NULL, '161719287792587', 3)"));
  const QList<QVariantList> stock = store->rows(QStringLiteral("select * from produto_estoque"));
  ASSERT_EQ(stock.size(), 1);
  EXPECT_EQ(stock[0].value(1).toString(), QStringLiteral("Pão de Açúcar"));
  EXPECT_EQ(stock[0].value(2).toString(), QStringLiteral("161719314835328"));
  EXPECT_TRUE(stock[0].value(3).isNull());
  EXPECT_EQ(stock[0].value(5).toString(), QStringLiteral("3"));
  EXPECT_THROW(store->exec(QStringLiteral("select * from tabela_inexistente")), std::runtime_error);

  // The program logs in as the store's own user; only its connections are counted.
  EXPECT_EQ(store->connectionCount(), 0);
  MYSQL* app = mysql_init(nullptr);
  ASSERT_TRUE(mysql_real_connect(app, store->host().toUtf8().constData(), store->user().toUtf8().constData(),
                                 store->password().toUtf8().constData(), store->database().toUtf8().constData(),
                                 store->port(), nullptr, 0))
      << mysql_error(app);
  EXPECT_EQ(store->connectionCount(), 1);

  // Gone afterwards: database and user, even with that connection still open.
  const QString database = store->database(), user = store->user();
  store.reset();
  mysql_close(app);
  auto probe = StoreDb::create();
  EXPECT_EQ(probe->scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = '%1'")
                              .arg(database))
                .toInt(),
            0);
  EXPECT_EQ(probe->scalar(QStringLiteral("SELECT COUNT(*) FROM mysql.user WHERE User = '%1'").arg(user)).toInt(), 0);
}
