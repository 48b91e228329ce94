// The online store link against the real store database (MariaDB) and the real ERP (Firebird).
#include "ErpFixture.h"
#include "FormHarness.h"
#include "StoreDb.h"
#include "store/StoreConnection.h"
#include "store/StoreTables.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTcpServer>
#include <QThread>

#include <gtest/gtest.h>

#include <map>
#include <optional>

using namespace velorix;
using velorix::testing::ErpFixture;
using velorix::testing::StoreDb;

namespace {

const QString kWatchError = QStringLiteral("Erro de conexão com o banco de dados do servidor ");

template <typename F>
bool eventually(F condition) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > 10000) return false;
        QThread::msleep(50);
    }
    return true;
}

class StoreLink : public ::testing::Test {
protected:
    // One ERP database for the suite (building one takes seconds); each test empties its tables.
    static void SetUpTestSuite() { erp_ = ErpFixture::create(QStringLiteral("store")).release(); }
    static void TearDownTestSuite() {
        delete erp_;
        erp_ = nullptr;
    }

    void SetUp() override {
        erp().exec("DELETE FROM produto");
        erp().exec("DELETE FROM config");
        store = StoreDb::create(QStringLiteral("store"));
        h.write("Banco.ini", erp().bancoIni().toUtf8());
        h.fakes.clock->set(QDateTime(QDate(2025, 3, 14), QTime(10, 20, 30)));
    }

    static ErpFixture& erp() { return *erp_; }

    QByteArray serverKey() const {
        return "catalogo_servidor=" + store->host().toUtf8() + ":" + QByteArray::number(store->port()) + "\n";
    }

    // The ERP's settings row as the ERP keeps it (values already scrambled, or raw), app.ini, and
    // the start-up sequence.
    TForm1& startRaw(const QVariant& user, const QVariant& base, const QVariant& senha, const QByteArray& ini) {
        h.write("app.ini", "[config]\nCatalogo=1\n" + ini);
        erp().insert("config", {{"catalogo_user", user}, {"catalogo_base", base}, {"catalogo_senha", senha}});
        return h.make();
    }

    // Plain credentials, scrambled here as the ERP stores them.
    TForm1& start(const QString& user, const QString& base, const QString& senha, QByteArray ini = {}) {
        TForm1& scratch = h.build();
        const QString u = scratch.Crypt("C", user), b = scratch.Crypt("C", base), s = scratch.Crypt("C", senha);
        return startRaw(u, b, s, ini.isNull() ? serverKey() : ini);
    }

    TForm1& startOnStore(const QByteArray& extraIni = {}) {
        return start(store->user(), store->database(), store->password(), serverKey() + extraIni);
    }

    void product(int codigo, const QVariant& codbarra, const QVariant& qtd, const char* ativo = "S",
                 const char* restautante = "S") {
        erp().insert("produto", {{"codigo", codigo}, {"descricao", QStringLiteral("Produto %1").arg(codigo)},
                                 {"codbarra", codbarra}, {"qtd_atual", qtd}, {"ativo", ativo},
                                 {"restautante", restautante}});
    }

    // The pushed products (barcode, whole stock) in the order the ERP returns them.
    static QList<std::pair<QString, QString>> erpOrder() {
        QSqlQuery q(erp().database());
        q.exec("select CODBARRA, QTD_ATUAL from Produto where RESTAUTANTE='S' and ATIVO='S'");
        QList<std::pair<QString, QString>> out;
        while (q.next()) out.append({q.value(0).toString(), QString::number(q.value(1).toDouble())});
        return out;
    }

    // The stock rows by barcode: registro, tamanho, cor, quantidade.
    std::map<QString, QStringList> stock() {
        std::map<QString, QStringList> out;
        for (const QVariantList& r : store->rows("SELECT produto, registro, tamanho, cor, quantidade FROM produto_estoque"))
            out[r[0].toString()] = {r[1].toString(), r[2].toString(), r[3].toString(), r[4].toString()};
        return out;
    }

    static QStringList pushed(qint64 quantidade) {
        return {store::kRegistro, store::kTamanho, store::kCor, QString::number(quantidade)};
    }

    void tick(TForm1& f) {
        f.FTimeRemaining = 1;
        f.Timer1Timer();
    }

    velorix::testing::FormHarness h;
    std::unique_ptr<StoreDb> store;

private:
    static inline ErpFixture* erp_ = nullptr;
};

TEST_F(StoreLink, PreparationUnscramblesTheCredentialsAndStopsAtTheFirstBadValue) {
    struct Case {
        const char* name;
        QVariant user, base, senha;  // raw column values; a QString starting with "plain:" is scrambled first
        std::optional<QString> User_Name, Database;
        QString Password;
        bool authPlugin;
    };
    const QString builtIn = StoreConnection::BuiltInPassword;
    const Case cases[] = {
        {"all three", "plain:loja", "plain:base_loja", QStringLiteral("plain:s3nh@ção"), "loja", "base_loja",
         QStringLiteral("s3nh@ção"), true},
        {"blank user and password", QString(), "plain:base_loja", " \t ", std::nullopt, "base_loja", builtIn, true},
        {"null columns", QVariant(), QVariant(), QVariant(), std::nullopt, std::nullopt, builtIn, true},
        {"user not scrambled", "loja", "plain:base_loja", "plain:s3nha", std::nullopt, std::nullopt, builtIn, false},
        {"password of one pair", "plain:loja", "plain:base_loja", "80", "loja", "base_loja", builtIn, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        erp().exec("DELETE FROM config");
        velorix::testing::FormHarness local;
        local.write("Banco.ini", erp().bancoIni().toUtf8());
        local.write("app.ini", "[config]\ncatalogo_servidor= loja.example:3307 \n");
        TForm1& scratch = local.build();
        auto raw = [&](const QVariant& v) {
            const QString s = v.toString();
            return s.startsWith("plain:") ? QVariant(scratch.Crypt("C", s.mid(6))) : v;
        };
        erp().insert("config", {{"catalogo_user", raw(c.user)}, {"catalogo_base", raw(c.base)}, {"catalogo_senha", raw(c.senha)}});
        local.form->FormCreate();
        const StoreConnection& con = local.form->ConexaoCATALOGO;
        EXPECT_EQ(con.param(StoreParam::Server), QStringLiteral("loja.example:3307"));
        EXPECT_EQ(con.param(StoreParam::User_Name), c.User_Name);
        EXPECT_EQ(con.param(StoreParam::Database), c.Database);
        EXPECT_EQ(con.param(StoreParam::Password), c.Password);
        EXPECT_EQ(con.param(StoreParam::AuthPlugin),
                  c.authPlugin ? std::optional<QString>("mysql_native_password") : std::nullopt);
        EXPECT_FALSE(con.param(StoreParam::CharacterSet));
        EXPECT_FALSE(con.connected());
        // The settings row is read and let go: no ERP transaction stays open for the run.
        EXPECT_EQ(erp().openTransactionCount(), 0);
    }
}

TEST_F(StoreLink, PreparationWithoutTheErpSetsNothingAndTheDefaultServerOtherwise) {
    // No Banco.ini: the ERP is unreachable, so not even the server is set.
    velorix::testing::FormHarness noErp;
    TForm1& f = noErp.make();
    EXPECT_FALSE(f.ConexaoCATALOGO.param(StoreParam::Server));
    EXPECT_FALSE(f.ConexaoCATALOGO.param(StoreParam::AuthPlugin));
    EXPECT_EQ(f.ConexaoCATALOGO.param(StoreParam::Password), QString(StoreConnection::BuiltInPassword));

    // Without "catalogo_servidor" the address built into the program applies.
    TForm1& g = start("loja", "base", "senha", QByteArray(""));
    EXPECT_EQ(g.ConexaoCATALOGO.param(StoreParam::Server), QStringLiteral("catalogo.velorix.com.br"));
}

TEST_F(StoreLink, WatchSignalsOrdersWithStatusZeroOrFourOnly) {
    TForm1& f = startOnStore();
    const std::pair<int, bool> cases[] = {{1, false}, {2, false}, {3, false}, {5, false}, {-1, false},
                                          {0, true},  {4, true}};
    int second = 0;
    for (const auto& [status, pending] : cases) {
        SCOPED_TRACE(status);
        store->exec("DELETE FROM pedido_loja");
        store->exec(QStringLiteral("INSERT INTO pedido_loja (status) VALUES (%1), (7)").arg(status));
        h.fakes.clock->set(QDateTime(QDate(2025, 3, 14), QTime(10, 20, ++second)));
        const qsizetype played = h.fakes.sound->played.size();
        const QString label = f.Label10.Caption;
        f.Buscar_catalogo();
        if (pending) {
            ASSERT_EQ(h.fakes.sound->played.size(), played + 1);
            EXPECT_EQ(h.fakes.sound->played.back(), "/nonexistent/toque.wav");
            EXPECT_EQ(f.labmensagem.Caption, QStringLiteral("Orçamento "));
            EXPECT_EQ(f.Label10.Caption, QStringLiteral("Status:10:20:%1").arg(second, 2, 10, QChar('0')));
            EXPECT_EQ(f.Label10FontColor, "#0000FF");
        } else {
            EXPECT_EQ(h.fakes.sound->played.size(), played);
            EXPECT_EQ(f.Label10.Caption, label);
        }
    }
    EXPECT_TRUE(h.fakes.errors->shown.isEmpty());
}

TEST_F(StoreLink, EveryWatchPlaysAgainOnAFreshConnection) {
    store->exec("INSERT INTO pedido_loja (status) VALUES (0)");
    TForm1& f = startOnStore("som_pedido=sons/pedido.wav\n");
    EXPECT_EQ(f.labmensagem.Caption, ">>>> ");
    EXPECT_EQ(f.Label10.Caption, "Status");
    EXPECT_EQ(store->connectionCount(), 0);  // preparing does not connect

    f.Buscar_catalogo();
    const unsigned long first = f.ConexaoCATALOGO.threadId();
    ASSERT_NE(first, 0u);
    h.fakes.clock->advance(65);
    h.fakes.regional->value.timeSeparator = '.';
    f.Buscar_catalogo();
    const unsigned long second = f.ConexaoCATALOGO.threadId();

    EXPECT_EQ(h.fakes.sound->played, QStringList(2, h.path("sons/pedido.wav")));
    EXPECT_EQ(f.Label10.Caption, "Status:10.21.35");
    EXPECT_NE(second, first);
    const QString ids = QStringLiteral("SELECT ID FROM information_schema.PROCESSLIST WHERE USER = '%1'").arg(store->user());
    EXPECT_TRUE(eventually([&] {
        const QList<QVariantList> rows = store->rows(ids);
        return rows.size() == 1 && rows[0][0].toULongLong() == second;
    }));
}

TEST_F(StoreLink, FailingWatchReachesTheErrorDisplayAndSkipsThePush) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const QByteArray closedPort = QByteArray::number(probe.serverPort());
    probe.close();

    struct Case {
        const char* name;
        QString password;
        QByteArray ini;
        bool dropOrders;
        const char* message;
    };
    const Case cases[] = {
        {"wrong password", "wrong", {}, false, "Access denied"},
        {"server down", {}, "catalogo_servidor=127.0.0.1:" + closedPort + "\n", false, "Can't connect"},
        {"missing table", {}, {}, true, "doesn't exist"},
    };
    product(1, "7890001", 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store = StoreDb::create(QStringLiteral("store"));
        erp().exec("DELETE FROM config");
        store->exec("INSERT INTO pedido_loja (status) VALUES (0)");
        if (c.dropOrders) store->exec("DROP TABLE pedido_loja");
        velorix::testing::FormHarness local;
        local.write("Banco.ini", erp().bancoIni().toUtf8());
        local.write("app.ini", "[config]\nCatalogo=1\n" + (c.ini.isEmpty() ? serverKey() : c.ini));
        TForm1& scratch = local.build();
        erp().insert("config", {{"catalogo_user", scratch.Crypt("C", store->user())},
                                {"catalogo_base", scratch.Crypt("C", store->database())},
                                {"catalogo_senha", scratch.Crypt("C", c.password.isNull() ? store->password() : c.password)}});
        scratch.FormCreate();

        scratch.FTimeRemaining = 1;
        scratch.Timer1Timer();
        ASSERT_EQ(local.fakes.errors->shown.size(), 1);
        const QString shown = local.fakes.errors->shown[0];
        EXPECT_TRUE(shown.startsWith(kWatchError)) << shown.toStdString();
        EXPECT_TRUE(shown.contains(c.message)) << shown.toStdString();
        EXPECT_TRUE(local.fakes.sound->played.isEmpty());
        EXPECT_EQ(scratch.FTimeRemaining, 300);  // re-armed
        EXPECT_TRUE(scratch.Timer1.isActive());
        if (!c.dropOrders) {
            EXPECT_EQ(store->scalar("SELECT COUNT(*) FROM produto_estoque").toInt(), 0);
        }
        scratch.Timer1.stop();
    }
}

TEST_F(StoreLink, OfflineTouchesNeitherTheSoundNorTheStore) {
    store->exec("INSERT INTO pedido_loja (status) VALUES (0)");
    product(1, "7890001", 4);
    TForm1& f = startOnStore();
    h.fakes.connectivity->online = false;
    tick(f);
    f.Buscar_catalogo();
    f.enviarprodutos();
    EXPECT_TRUE(h.fakes.sound->played.isEmpty());
    EXPECT_TRUE(h.fakes.errors->shown.isEmpty());
    EXPECT_EQ(f.Label10.Caption, "Status");
    EXPECT_EQ(store->connectionCount(), 0);
    EXPECT_EQ(store->scalar("SELECT COUNT(*) FROM produto_estoque").toInt(), 0);
}

TEST_F(StoreLink, PushInsertsAndUpdatesWithEveryColumnWrittenBackAndLeavesOtherRowsAlone) {
    // Columns the program does not know; `alterado` would take the time of any update that did
    // not write it back itself.
    store->exec("ALTER TABLE produto_estoque ADD obs VARCHAR(40), ADD preco DECIMAL(10,2), ADD peso FLOAT, "
                "ADD foto BLOB, ADD alterado DATETIME(6) NOT NULL DEFAULT '2001-02-03 04:05:06.789000' "
                "ON UPDATE CURRENT_TIMESTAMP(6)");
    store->exec(QStringLiteral(
        "INSERT INTO produto_estoque (produto, registro, tamanho, cor, quantidade, obs, preco, peso, foto) VALUES "
        "('789200', 'r0', 't0', 'c0', 1, 'a vista 😀', 12.50, 0.1, 0x00FF10),"
        "('OUTRO', 'r1', 't1', 'c1', 42, 'fora do ERP', 1.00, 2.5, NULL),"
        "('789200', 'r2', 't2', 'c2', 77, 'segunda', NULL, NULL, NULL),"
        "('abc', 'r3', 't3', 'c3', 5, NULL, NULL, NULL, NULL)"));
    const QString others = "SELECT id, obs, HEX(foto), preco, CAST(peso AS DOUBLE), alterado FROM produto_estoque "
                           "WHERE id <= 4 ORDER BY id";
    const QString whole = "SELECT * FROM produto_estoque WHERE id BETWEEN 2 AND 4 ORDER BY id";
    const QList<QVariantList> othersBefore = store->rows(others), wholeBefore = store->rows(whole);

    product(1, "789100", 5.0);
    product(2, "789200", 7.25);
    product(3, "ABC", 2);
    product(4, QStringLiteral("ÇÃO-1"), 3);
    product(5, "789300", 9, "N");
    product(6, "789400", 9, "S", "N");
    TForm1& f = startOnStore();
    tick(f);
    EXPECT_TRUE(h.fakes.errors->shown.isEmpty()) << h.fakes.errors->shown.join('\n').toStdString();

    const QList<QVariantList> rows =
        store->rows("SELECT id, produto, registro, tamanho, cor, quantidade FROM produto_estoque ORDER BY id");
    ASSERT_EQ(rows.size(), 7);
    // The first row of the barcode, with every other column as it was.
    EXPECT_EQ(rows[0], (QVariantList{"1", "789200", store::kRegistro, store::kTamanho, store::kCor, "7"}));
    EXPECT_EQ(store->rows(others), othersBefore);
    // Not in the ERP, a later row of the same barcode, a barcode differing in case: untouched.
    EXPECT_EQ(store->rows(whole), wholeBefore);
    // New rows for the others; inactive and non-store products are not pushed.
    const auto s = stock();
    EXPECT_EQ(s.at("789100"), pushed(5));
    EXPECT_EQ(s.at("ABC"), pushed(2));
    EXPECT_EQ(s.at(QStringLiteral("ÇÃO-1")), pushed(3));
    EXPECT_EQ(s.count("789300") + s.count("789400"), 0u);
    EXPECT_EQ(erp().openTransactionCount(), 0);
}

TEST_F(StoreLink, WithoutAPrimaryKeyTheRowIsFoundByAllItsValues) {
    store->exec("ALTER TABLE produto_estoque MODIFY id INT NULL, DROP PRIMARY KEY");
    // A value the server fills in: the second "B" finds the row it inserted only with it.
    store->exec("ALTER TABLE produto_estoque ADD origem VARCHAR(10) NOT NULL DEFAULT 'loja'");
    store->exec("INSERT INTO produto_estoque (id, produto, registro, tamanho, cor, quantidade) VALUES "
                "(1, 'A', NULL, 't', 'c', 1), (1, 'Z', NULL, 't', 'c', 1)");
    product(1, "A", 5);
    product(2, "B", 1);
    product(3, "B", 2);
    TForm1& f = startOnStore();
    f.enviarprodutos();
    const auto s = stock();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s.at("A"), pushed(5));
    EXPECT_EQ(s.at("B"), pushed(2));
    EXPECT_EQ(s.at("Z"), (QStringList{"", "t", "c", "1"}));
}

TEST_F(StoreLink, QuantitiesRoundHalfToEven) {
    const std::pair<QVariant, qint64> cases[] = {
        {2.5, 2}, {3.5, 4}, {2.51, 3}, {-1.5, -2}, {-2.5, -2}, {0.5, 0}, {-0.5, 0},
        {2.499999, 2}, {1234567.5, 1234568}, {0.000001, 0}, {QVariant(), 0},
    };
    int codigo = 0;
    for (const auto& [qtd, expected] : cases) {
        ++codigo;
        product(codigo, QStringLiteral("Q%1").arg(codigo), qtd);
    }
    TForm1& f = startOnStore();
    f.enviarprodutos();
    const auto s = stock();
    codigo = 0;
    for (const auto& [qtd, expected] : cases) {
        SCOPED_TRACE(qtd.toString().toStdString());
        EXPECT_EQ(s.at(QStringLiteral("Q%1").arg(++codigo)).at(3), QString::number(expected));
    }
}

TEST_F(StoreLink, OneCommittedWritePerProductOnEveryPushWithEmptyAndDuplicateBarcodesSharingARow) {
    // Every write the push makes, in order, as another connection sees it (so: committed).
    store->exec("CREATE TABLE escrita (n INT AUTO_INCREMENT PRIMARY KEY, op CHAR(1), linha INT, quantidade INT)");
    store->exec("CREATE TRIGGER escrita_i AFTER INSERT ON produto_estoque FOR EACH ROW "
                "INSERT INTO escrita (op, linha, quantidade) VALUES ('I', NEW.id, NEW.quantidade)");
    store->exec("CREATE TRIGGER escrita_u AFTER UPDATE ON produto_estoque FOR EACH ROW "
                "INSERT INTO escrita (op, linha, quantidade) VALUES ('U', NEW.id, NEW.quantidade)");
    product(1, "", 1);
    product(2, QVariant(), 2);
    product(3, "DUP", 3);
    product(4, "DUP", 4);
    product(5, "", 5);
    product(6, "UNICO", 6);
    const auto order = erpOrder();
    ASSERT_EQ(order.size(), 6);

    // From the ERP's own order: the first product of a barcode (NULL reading as empty) inserts its
    // row, every later one updates that row; the last one's stock remains.
    QMap<QString, int> rowOf;
    QMap<QString, QString> last;
    QList<QVariantList> firstPush, secondPush;
    for (const auto& [barcode, qtd] : order) {
        const bool fresh = !rowOf.contains(barcode);
        if (fresh) rowOf[barcode] = int(rowOf.size()) + 1;
        firstPush << QVariantList{fresh ? "I" : "U", QString::number(rowOf[barcode]), qtd};
        secondPush << QVariantList{"U", QString::number(rowOf[barcode]), qtd};
        last[barcode] = qtd;
    }

    const QString writes = "SELECT op, linha, quantidade FROM escrita ORDER BY n";
    TForm1& f = startOnStore();
    tick(f);
    EXPECT_EQ(store->rows(writes), firstPush);
    store->exec("UPDATE produto_estoque SET quantidade = 99");  // changed on the store's side meanwhile
    store->exec("DELETE FROM escrita");
    tick(f);
    EXPECT_EQ(store->rows(writes), secondPush);
    EXPECT_TRUE(h.fakes.errors->shown.isEmpty()) << h.fakes.errors->shown.join('\n').toStdString();

    const auto s = stock();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s.at(""), pushed(last[""].toLongLong()));
    EXPECT_EQ(s.at("DUP"), pushed(last["DUP"].toLongLong()));
    EXPECT_EQ(s.at("UNICO"), pushed(6));
}

TEST_F(StoreLink, FailingPushKeepsTheRowsWrittenBeforeIt) {
    product(1, "F1", 1);
    product(2, "F2", 99999999999.0);  // beyond the store's INT column
    product(3, "F3", 3);
    const auto order = erpOrder();
    TForm1& f = startOnStore();
    tick(f);
    ASSERT_EQ(h.fakes.errors->shown.size(), 1);
    EXPECT_TRUE(h.fakes.errors->shown[0].startsWith("Erro  Out of range")) << h.fakes.errors->shown[0].toStdString();
    QStringList kept;
    for (const auto& [b, qtd] : order) {
        if (b == "F2") break;
        kept << b;
    }
    QStringList inStore;
    for (const auto& [b, cols] : stock()) inStore << b;
    kept.sort();
    EXPECT_EQ(inStore, kept);

    store->exec("DROP TABLE produto_estoque");
    try {
        f.enviarprodutos();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        const QString m = QString::fromUtf8(e.what());
        EXPECT_TRUE(m.startsWith("Erro  ") && m.contains("doesn't exist")) << e.what();
    }
}

TEST(StoreAddress, HostAndOptionalPort) {
    const std::tuple<QString, QString, unsigned> cases[] = {
        {"loja.example", "loja.example", 0},  {"10.0.0.5:3307", "10.0.0.5", 3307}, {"[::1]:3310", "::1", 3310},
        {"::1", "::1", 0},                    {"", "", 0},
    };
    for (const auto& [text, host, port] : cases) {
        const StoreAddress a = StoreAddress::parse(text);
        EXPECT_EQ(a.host, host) << text.toStdString();
        EXPECT_EQ(a.port, port) << text.toStdString();
    }
    for (const char* bad : {"loja:", "loja:0", "loja:70000", "loja:33o6", "[::1]x"}) {
        EXPECT_THROW(StoreAddress::parse(bad), StoreError) << bad;
    }
}

}  // namespace
