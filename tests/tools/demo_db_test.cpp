// The demo shop generator: same seed, same data; and the rows a sync cycle reads are there and
// add up.
#include "tools/demo/DemoShop.h"
#include "tools/demo/FbWriter.h"

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>

using namespace velorix::demo;

namespace {

const QDate kToday(2025, 3, 14);

// A generated database, opened through QIBASE on the embedded engine.
class DemoDb {
public:
    DemoDb(const QString& path, std::uint64_t seed, int sales) : path_(path) {
        DemoOptions o;
        o.seed = seed;
        o.sales = sales;
        o.today = kToday;
        FbDatabase db = FbDatabase::create(path.toStdString(), "SYSDBA", "");
        counts_ = generateDemoShop(db, o);
        db.finish();

        static std::atomic<int> n{0};
        name_ = QStringLiteral("demo_db_test_%1").arg(++n);
        QSqlDatabase q = QSqlDatabase::addDatabase("QIBASE", name_);
        q.setDatabaseName(path);
        q.setUserName("SYSDBA");
        q.setConnectOptions("ISC_DPB_LC_CTYPE=UTF8");
        if (!q.open()) throw std::runtime_error(q.lastError().text().toStdString());
    }
    ~DemoDb() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }

    const DemoCounts& counts() const { return counts_; }

    QSqlQuery run(const QString& sql) const {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.setForwardOnly(true);
        if (!q.exec(sql)) ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return q;
    }
    QVariant scalar(const QString& sql) const {
        QSqlQuery q = run(sql);
        return q.next() ? q.value(0) : QVariant();
    }
    // Every field of every row, in key order.
    QByteArray tableHash(const QString& table) const {
        QCryptographicHash h(QCryptographicHash::Sha256);
        QSqlQuery q = run("select * from " + table + " order by 1");
        const int fields = q.record().count();
        while (q.next()) {
            for (int i = 0; i < fields; ++i) {
                h.addData(q.isNull(i) ? QByteArray("<null>") : q.value(i).toString().toUtf8());
                h.addData(QByteArray(1, '\x1f'));
            }
            h.addData(QByteArray(1, '\n'));
        }
        return h.result().toHex();
    }

private:
    QString path_, name_;
    DemoCounts counts_;
};

const char* const kTables[] = {"cidade", "empresa", "config", "usuarios", "pessoa", "vendedores", "produto",
                               "produto_serial", "forma_pagamento", "vendas_master", "vendas_detalhe", "vendas_fpg",
                               "nfe_master", "nfe_detalhe", "nfce_master", "caixa", "contas", "contas_movimento",
                               "creceber", "cpagar", "compra"};

bool validCnpj(const QString& c) {
    if (c.size() != 14) return false;
    for (QChar ch : c)
        if (!ch.isDigit()) return false;
    auto digit = [&](int n) {
        static const int w[] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
        int sum = 0;
        for (int i = 0; i < n; ++i) sum += c[i].digitValue() * w[13 - n + i];
        const int r = sum % 11;
        return r < 2 ? 0 : 11 - r;
    };
    return digit(12) == c[12].digitValue() && digit(13) == c[13].digitValue();
}

TEST(DemoDb, SameSeedSameDataOtherSeedOtherData) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    DemoDb a(dir.filePath("a.fdb"), 7, 300);
    DemoDb b(dir.filePath("b.fdb"), 7, 300);
    DemoDb c(dir.filePath("c.fdb"), 8, 300);
    EXPECT_EQ(a.counts(), b.counts());
    for (const char* t : kTables) {
        SCOPED_TRACE(t);
        EXPECT_GT(a.scalar(QString("select count(*) from ") + t).toLongLong(), 0);
        EXPECT_EQ(a.tableHash(t), b.tableHash(t));
    }
    EXPECT_NE(a.tableHash("vendas_detalhe"), c.tableHash("vendas_detalhe"));
    EXPECT_NE(a.tableHash("empresa"), c.tableHash("empresa"));  // another CNPJ
}

TEST(DemoDb, HoldsWhatASyncCycleReadsAndItAddsUp) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    DemoDb db(dir.filePath("shop.fdb"), 3, 400);
    EXPECT_EQ(db.counts().at("vendas_master"), 400);

    // The company and the ERP settings row.
    const QString cnpj = db.scalar("select first 1 cnpj from empresa").toString();
    EXPECT_TRUE(validCnpj(cnpj)) << cnpj.toStdString();
    EXPECT_EQ(QString::fromStdString(demoCnpj(3)), cnpj);
    EXPECT_EQ(db.scalar("select count(*) from empresa e join cidade c on c.codigo = e.id_cidade").toInt(), 1);
    EXPECT_EQ(db.scalar("select count(*) from config").toInt(), 1);

    // A year of sales up to today.
    EXPECT_EQ(db.scalar("select min(data_emissao) from vendas_master").toDate(), kToday.addDays(-364));
    EXPECT_EQ(db.scalar("select max(data_emissao) from vendas_master").toDate(), kToday);

    // Two open registers, each with its opening movement and completed sales of today's batch
    // paid in its drawer by its user.
    QSqlQuery open = db.run(
        "select c.codigo, c.lote, c.id_usuario, c.data_abertura, "
        "(select count(*) from contas_movimento m where m.lote = c.lote and m.id_usuario = c.id_usuario "
        "  and m.historico = 'ABERTURA DE CAIXA'), "
        "(select count(*) from vendas_master vm join vendas_fpg f on f.vendas_master = vm.codigo "
        "  where vm.lote = c.lote and vm.fk_caixa = c.codigo and vm.fk_usuario = c.id_usuario "
        "  and vm.situacao = 'F' and f.situacao = 'F') "
        "from contas c join usuarios u on u.codigo = c.id_usuario where c.tipo = 'S' and c.situacao = 'A'");
    int registers = 0;
    while (open.next()) {
        ++registers;
        SCOPED_TRACE(open.value(0).toInt());
        EXPECT_EQ(open.value(3).toDate(), kToday);
        EXPECT_EQ(open.value(4).toInt(), 1);
        EXPECT_GT(open.value(5).toInt(), 0);
    }
    EXPECT_EQ(registers, 2);

    // Every payment type, each with its payment method row.
    QSqlQuery types = db.run("select distinct tipo from vendas_fpg");
    QString seen;
    while (types.next()) seen += types.value(0).toString().trimmed();
    for (QChar t : QString("DCEITQVRO")) EXPECT_TRUE(seen.contains(t)) << t.toLatin1();
    EXPECT_EQ(db.scalar("select count(*) from vendas_fpg f left join forma_pagamento p on p.codigo = f.id_forma "
                        "where p.codigo is null").toInt(), 0);

    // Totals agree: a sale is its kept items, and its payments; a note is its items.
    EXPECT_EQ(db.scalar("select count(*) from vendas_master vm where vm.total <> (select coalesce(sum(vd.total), 0) "
                        "from vendas_detalhe vd where vd.fkvenda = vm.codigo and (vd.situacao = 'F' or vm.situacao = 'C'))")
                  .toInt(), 0);
    EXPECT_EQ(db.scalar("select count(*) from vendas_master vm where vm.total <> (select coalesce(sum(f.total), 0) "
                        "from vendas_fpg f where f.vendas_master = vm.codigo)").toInt(), 0);
    EXPECT_EQ(db.scalar("select count(*) from nfe_master n where n.total <> (select coalesce(sum(d.total), 0) "
                        "from nfe_detalhe d where d.fknfe = n.codigo)").toInt(), 0);
    // Sale items and note items name existing products (the reports join them).
    EXPECT_EQ(db.scalar("select count(*) from vendas_detalhe vd left join produto p on p.codigo = vd.id_produto "
                        "where p.codigo is null").toInt(), 0);
    // No day whose item totals add up to zero: the profit upload divides by them.
    EXPECT_EQ(db.scalar("select count(*) from (select vm.data_emissao, sum(vd.total) s from vendas_detalhe vd "
                        "join vendas_master vm on vm.codigo = vd.fkvenda group by 1) where s <= 0").toInt(), 0);

    // Cancellations on both sides, NFC-e for flagged sales, NF-e today.
    EXPECT_GT(db.scalar("select count(*) from vendas_master where situacao = 'C'").toInt(), 0);
    EXPECT_EQ(db.scalar("select count(*) from vendas_master vm where vm.flag_nfce = 'S' and not exists "
                        "(select 1 from nfce_master n where n.fk_venda = vm.codigo)").toInt(), 0);
    EXPECT_GT(db.scalar("select count(*) from nfce_master where situacao = 'T'").toInt(), 0);
    EXPECT_GT(db.scalar(QString("select count(*) from nfe_master where situacao = '2' and data_emissao = '%1'")
                            .arg(kToday.toString(Qt::ISODate))).toInt(), 0);

    // Bills around today: overdue, due later this month, and paid ones.
    const QString today = "'" + kToday.toString(Qt::ISODate) + "'";
    for (const char* table : {"creceber", "cpagar"}) {
        SCOPED_TRACE(table);
        const QString paidCol = QString(table) == "creceber" ? "data_recebimento" : "data_pagamento";
        EXPECT_GT(db.scalar(QString("select count(*) from %1 where dtvencimento < %2 and %3 is not null").arg(table, today, paidCol)).toInt(), 0);
        EXPECT_GT(db.scalar(QString("select count(*) from %1 where dtvencimento > %2 and %3 is null").arg(table, today, paidCol)).toInt(), 0);
    }
    EXPECT_GT(db.scalar("select count(*) from cpagar where dtvencimento < " + today + " and data_pagamento is null").toInt(), 0);

    // Serial items written off this month, and purchases the upload sends.
    EXPECT_GT(db.scalar("select count(*) from produto_serial where data_baixa between '2025-03-01' and " + today).toInt(), 0);
    EXPECT_GT(db.scalar("select count(*) from compra where status <> 'A' and total > 0").toInt(), 0);
    // Accented text survives the WIN1252 database.
    EXPECT_EQ(db.scalar("select fantasia from empresa").toString(), QString::fromUtf8("EMPÓRIO SÃO BENTO"));
}

}  // namespace
