// The query object against the real Firebird server: parameters by position, reading rules,
// errors with the server's message, and no transaction left behind.
#include "metrics/ErpQuery.h"
#include "shell/Conexao.h"
#include "tests/support/ErpFixture.h"

#include <QDate>
#include <QTime>

#include <gtest/gtest.h>

using namespace velorix;

namespace {

class MetricsErpQuery : public ::testing::Test {
protected:
    void SetUp() override {
        erp = velorix::testing::ErpFixture::create(QStringLiteral("erpquery"));
        erp->exec("CREATE TABLE t (id INTEGER, s CHAR(1), v VARCHAR(10), n NUMERIC(15,2), q NUMERIC(15,3), "
                  "d DATE, h TIME)");
        erp->insert("t", {{"id", 1}, {"s", "F"}, {"v", "ana "}, {"n", 10.25}, {"q", 2.5}, {"d", QDate(2025, 3, 1)},
                          {"h", QTime(8, 5, 30)}});
        erp->insert("t", {{"id", 2}, {"s", "C"}, {"v", QStringLiteral("João")}, {"n", -2.35}, {"q", 1},
                          {"d", QDate(2025, 3, 31)}, {"h", QVariant()}});
        erp->insert("t", {{"id", 3}, {"s", QVariant()}, {"v", QVariant()}, {"n", QVariant()}, {"q", QVariant()},
                          {"d", QVariant()}, {"h", QVariant()}});
        BancoIni b;
        b.user = erp->user();
        b.pass = erp->password();
        b.port = erp->port();
        b.ip = erp->host();
        b.path = erp->path();
        conexao.setParams(b);
        QString err;
        ASSERT_TRUE(conexao.open(&err)) << err.toStdString();
    }

    std::unique_ptr<velorix::testing::ErpFixture> erp;
    Conexao conexao;
};

}  // namespace

TEST_F(MetricsErpQuery, ParametersGoByPositionWhateverTheirNames) {
    ErpQuery q(conexao.database());
    // The markers' names run against their order; a colon inside a literal is no marker.
    q.setSql("select count(*) qtd, ':nao' lit from t where (d >= :ZETA) and (d <= :alfa)");
    ASSERT_EQ(q.paramCount(), 2);
    q.setParamDate(0, QDate(2025, 3, 1));
    q.setParamDate(1, QDate(2025, 3, 30));
    q.open();
    EXPECT_EQ(q.fields(0).asInteger(), 1);
    EXPECT_EQ(q.fieldByName("LIT").asString(), ":nao");

    // Same object, new text: the old values are gone, the statement text is two lines.
    q.close();
    q.clearSql();
    q.addSql("select count(*) from t");
    q.addSql("where d between ? and :DATA2");
    ASSERT_EQ(q.paramCount(), 2);
    q.setParamDate(0, QDate(2025, 3, 2));
    q.setParamDate(1, QDate(2025, 3, 31));
    q.open();
    EXPECT_EQ(q.fields(0).asInteger(), 1);

    EXPECT_THROW(q.setParamDate(2, QDate(2025, 1, 1)), std::out_of_range);
}

TEST_F(MetricsErpQuery, ReadingRowsNullsAndTheEnd) {
    ErpQuery q(conexao.database());
    q.setSql("select id, s, v, n, q, d, h from t order by id");
    q.open();
    ASSERT_FALSE(q.eof());
    // row 1: CHAR comes trimmed, VARCHAR as stored; numbers, dates, a TIME on the zero date
    EXPECT_EQ(q.fieldByName("s").asString(), "F");
    EXPECT_EQ(q.fieldByName("V").asString(), "ana ");
    EXPECT_DOUBLE_EQ(q.fieldByName("n").asFloat(), 10.25);
    EXPECT_EQ(q.fieldByName("q").asInteger(), 3);  // 2.5 rounds away from zero
    EXPECT_EQ(q.fieldByName("d").asDateTime(), QDateTime(QDate(2025, 3, 1), QTime(0, 0)));
    EXPECT_EQ(q.fieldByName("h").asDateTime(), QDateTime(QDate(1899, 12, 30), QTime(8, 5, 30)));
    q.next();
    EXPECT_EQ(q.fieldByName("v").asString(), QStringLiteral("João"));
    EXPECT_DOUBLE_EQ(q.fields(3).asFloat(), -2.35);
    q.next();
    // row 3: NULL reads as 0, the empty text, the zero date-time
    EXPECT_EQ(q.fields(0).asInteger(), 3);
    EXPECT_TRUE(q.fields(1).isNull());
    EXPECT_EQ(q.fields(1).asString(), "");
    EXPECT_EQ(q.fields(3).asFloat(), 0);
    EXPECT_EQ(q.fields(4).asInteger(), 0);
    EXPECT_EQ(q.fields(5).asDateTime(), zeroDateTime());
    EXPECT_EQ(q.fields(6).asDateTime(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    EXPECT_FALSE(q.eof());
    // past the last row: the last row stays
    q.next();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.fields(0).asInteger(), 3);
    q.next();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.fields(0).asInteger(), 3);

    // no rows at all: every field is NULL, names still known
    q.setSql("select id, s, d from t where id < 0");
    q.open();
    EXPECT_TRUE(q.eof());
    EXPECT_TRUE(q.fieldByName("id").isNull());
    EXPECT_EQ(q.fieldByName("id").asFloat(), 0);
    EXPECT_EQ(q.fieldByName("s").asString(), "");
    EXPECT_EQ(q.fieldByName("d").asDateTime(), zeroDateTime());
    EXPECT_THROW(q.fieldByName("nope"), DbError);
    EXPECT_THROW(q.fields(3), DbError);
}

TEST_F(MetricsErpQuery, ErrorsCarryTheDatabaseMessage) {
    ErpQuery q(conexao.database());
    q.setSql("select nocolumn from t");
    try {
        q.open();
        FAIL() << "a missing column must raise";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("Column unknown"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(q.active());
    EXPECT_THROW(q.fields(0), DbError);

    q.clearSql();
    EXPECT_THROW(q.open(), DbError);  // an empty statement
    EXPECT_EQ(erp->openTransactionCount(), 0);
}

TEST_F(MetricsErpQuery, EachOpenEndsItsTransactionAndSeesFreshData) {
    ErpQuery q(conexao.database());
    // a one-row aggregate is done with its transaction inside open()
    q.setSql("select count(*) from t");
    q.open();
    EXPECT_EQ(q.fields(0).asInteger(), 3);
    EXPECT_EQ(erp->openTransactionCount(), 0);

    // rows still to read keep it open; reaching the end, or close(), ends it
    q.setSql("select id from t order by id");
    q.open();
    EXPECT_EQ(erp->openTransactionCount(), 1);
    q.next();
    q.next();
    EXPECT_EQ(erp->openTransactionCount(), 0);
    EXPECT_EQ(q.fields(0).asInteger(), 3);
    q.open();
    EXPECT_EQ(erp->openTransactionCount(), 1);
    q.close();
    EXPECT_EQ(erp->openTransactionCount(), 0);
    {
        ErpQuery other(conexao.database());
        other.setSql("select id from t");
        other.open();
        EXPECT_EQ(erp->openTransactionCount(), 1);
    }
    EXPECT_EQ(erp->openTransactionCount(), 0);

    // a reopened statement sees rows committed since its last run
    q.setSql("select count(*) from t");
    q.open();
    EXPECT_EQ(q.fields(0).asInteger(), 3);
    erp->insert("t", {{"id", 4}});
    q.open();
    EXPECT_EQ(q.fields(0).asInteger(), 4);
}
