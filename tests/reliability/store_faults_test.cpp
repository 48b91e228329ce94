// The store link under faults of the store database: a server that is gone or never answers,
// refused credentials, tables or columns that are not there, and the connection lost in the middle
// of a stock push. Each fault must end the scheduler tick with its error, keep what was already
// written, and leave the next tick able to do the work; the store credentials are never shown.
#include "ErpFixture.h"
#include "FormHarness.h"
#include "StoreDb.h"
#include "store/StoreConnection.h"
#include "store/StoreTables.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <mysql.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

using namespace velorix;
using velorix::testing::ErpFixture;
using velorix::testing::MysqlServer;
using velorix::testing::StoreDb;

namespace {

const QString kWatchError = QStringLiteral("Erro de conexão com o banco de dados do servidor ");
const QString kPushError = QStringLiteral("Erro  ");

template <typename F>
bool eventually(F condition) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > 20000) return false;
        QThread::msleep(20);
    }
    return true;
}

// A loopback port that completes the TCP handshake (the kernel does it for a listening socket)
// but never sends a byte: a server that hangs before its greeting.
class SilentPort {
public:
    SilentPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            throw std::runtime_error("cannot listen on loopback");
        }
        port_ = ntohs(a.sin_port);
    }
    ~SilentPort() { ::close(fd_); }
    unsigned port() const { return port_; }

private:
    int fd_ = -1;
    unsigned port_ = 0;
};

// The stock row of one barcode as the test compares it: registro, tamanho, cor, quantidade.
using StockRow = QStringList;

class StoreFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() { erp_ = ErpFixture::create(QStringLiteral("storefaults")).release(); }
    static void TearDownTestSuite() {
        delete erp_;
        erp_ = nullptr;
    }

    void SetUp() override {
        erp().exec("DELETE FROM produto");
        erp().exec("DELETE FROM config");
        store = StoreDb::create(QStringLiteral("faults"));
    }

    void TearDown() override {
        if (h.form) h.form->Timer1.stop();
    }

    static ErpFixture& erp() { return *erp_; }

    QByteArray serverKey() const {
        return "catalogo_servidor=" + store->host().toUtf8() + ":" + QByteArray::number(store->port()) + "\n";
    }

    // The ERP's settings row with these credentials, scrambled as the ERP keeps them.
    void credentials(TForm1& scratch, const QString& user, const QString& base, const QString& senha) {
        erp().exec("DELETE FROM config");
        erp().insert("config", {{"catalogo_user", scratch.Crypt("C", user)},
                                {"catalogo_base", scratch.Crypt("C", base)},
                                {"catalogo_senha", scratch.Crypt("C", senha)}});
    }

    // Started on the store database with short time-outs, "Ativar Catalogo" ticked.
    TForm1& start(unsigned ioTimeoutSecs = 30) {
        h.write("Banco.ini", erp().bancoIni().toUtf8());
        h.write("app.ini", "[config]\nCatalogo=1\n" + serverKey());
        h.fakes.clock->set(QDateTime(QDate(2025, 3, 14), QTime(10, 20, 30)));
        TForm1& f = h.build();
        credentials(f, store->user(), store->database(), store->password());
        f.ConexaoCATALOGO.connectTimeoutSecs = 2;
        f.ConexaoCATALOGO.ioTimeoutSecs = ioTimeoutSecs;
        f.FormCreate();
        return f;
    }

    void product(int codigo, const QString& codbarra, double qtd) {
        erp().insert("produto", {{"codigo", codigo}, {"descricao", QStringLiteral("Produto %1").arg(codigo)},
                                 {"codbarra", codbarra}, {"qtd_atual", qtd}, {"ativo", "S"}, {"restautante", "S"}});
    }

    // The barcodes of the pushed products in the order the ERP returns them.
    static QStringList erpOrder() {
        QSqlQuery q(erp().database());
        q.exec("select CODBARRA from Produto where RESTAUTANTE='S' and ATIVO='S'");
        QStringList out;
        while (q.next()) out << q.value(0).toString();
        return out;
    }

    // Every stock row by barcode; a barcode found twice is a fault of its own.
    std::map<QString, StockRow> stock(const QString& table = QStringLiteral("produto_estoque")) {
        std::map<QString, StockRow> out;
        for (const QVariantList& r : store->rows("SELECT produto, registro, tamanho, cor, quantidade FROM " + table)) {
            const auto [it, fresh] = out.emplace(r[0].toString(), StockRow{});
            EXPECT_TRUE(fresh) << "two rows for " << r[0].toString().toStdString();
            for (int k = 1; k < r.size(); ++k) it->second << r[k].toString();
        }
        return out;
    }

    static StockRow pushed(qint64 quantidade) {
        return {store::kRegistro, store::kTamanho, store::kCor, QString::number(quantidade)};
    }

    // A store call without a time-out would wait without end: past a minute the tick is taken for
    // hung and the run ends here, saying so.
    void tick(TForm1& f) {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        std::thread watchdog([&] {
            std::unique_lock lock(m);
            if (!cv.wait_for(lock, std::chrono::seconds(60), [&] { return done; })) {
                std::fprintf(stderr, "the scheduler tick did not end: a store call waits without a time-out\n");
                std::abort();
            }
        });
        f.FTimeRemaining = 1;
        f.Timer1Timer();
        {
            std::lock_guard lock(m);
            done = true;
        }
        cv.notify_one();
        watchdog.join();
    }

    // The texts that must never reach the user.
    QStringList secrets() const { return {store->user(), store->database(), store->password()}; }

    static void expectNoSecret(const QString& text, const QStringList& secrets) {
        for (const QString& s : secrets) {
            EXPECT_FALSE(text.contains(s, Qt::CaseInsensitive)) << "'" << s.toStdString() << "' shown in: " << text.toStdString();
        }
    }

    velorix::testing::FormHarness h;
    std::unique_ptr<StoreDb> store;

private:
    static inline ErpFixture* erp_ = nullptr;
};

// One fault at a time: the tick shows the routine's error once, without the credentials, writes
// nothing, re-arms, and once the fault is gone the next tick pushes the stock.
TEST_F(StoreFaults, EachFaultEndsTheTickWithItsErrorAndTheNextTickRecovers) {
    enum Stage { Watch, Push };
    struct Case {
        const char* name;
        Stage stage;
        std::function<void(TForm1&)> fault, repair;
        QString fragment;  // in the message after the routine's prefix
    };
    std::unique_ptr<SilentPort> silent;
    const auto server = [&] { return store->host() + ":" + QString::number(store->port()); };
    const Case cases[] = {
        {"server accepts but never answers", Watch,
         [&](TForm1& f) {
             silent = std::make_unique<SilentPort>();
             f.ConexaoCATALOGO.setParam(StoreParam::Server, "127.0.0.1:" + QString::number(silent->port()));
         },
         [&](TForm1& f) { f.ConexaoCATALOGO.setParam(StoreParam::Server, server()); },
         "Lost connection to server at 'handshake"},
        {"wrong password", Watch,
         [&](TForm1& f) { f.ConexaoCATALOGO.setParam(StoreParam::Password, "x" + store->password()); },
         [&](TForm1& f) { f.ConexaoCATALOGO.setParam(StoreParam::Password, store->password()); },
         "Access denied for user '***'"},
        {"unknown database", Watch,
         [&](TForm1& f) {
             // Granted but never created: the server says the database is not there.
             store->exec(QStringLiteral("GRANT ALL ON `%1_gone`.* TO '%2'@'%'").arg(store->database(), store->user()));
             f.ConexaoCATALOGO.setParam(StoreParam::Database, store->database() + "_gone");
         },
         [&](TForm1& f) { f.ConexaoCATALOGO.setParam(StoreParam::Database, store->database()); },
         "Unknown database '***'"},
        {"orders table without its status column", Watch,
         [&](TForm1&) { store->exec("ALTER TABLE pedido_loja DROP COLUMN status"); },
         [&](TForm1&) { store->exec("ALTER TABLE pedido_loja ADD status INT NOT NULL DEFAULT 0"); },
         "Unknown column 'status'"},
        {"stock table missing", Push,
         [&](TForm1&) { store->exec("RENAME TABLE produto_estoque TO estoque_fora"); },
         [&](TForm1&) { store->exec("RENAME TABLE estoque_fora TO produto_estoque"); },
         "'***.produto_estoque' doesn't exist"},
        {"stock table without its quantity column", Push,
         [&](TForm1&) { store->exec("ALTER TABLE produto_estoque RENAME COLUMN quantidade TO qtd"); },
         [&](TForm1&) { store->exec("ALTER TABLE produto_estoque RENAME COLUMN qtd TO quantidade"); },
         "quantidade"},
    };

    product(1, "7890001", 4);
    product(2, "7890002", 6);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store = StoreDb::create(QStringLiteral("faults"));
        store->exec("INSERT INTO produto_estoque (produto, registro, tamanho, cor, quantidade) VALUES "
                    "('7890001', 'r', 't', 'c', 1)");
        const auto before = stock();
        h.form.reset();
        h.fakes.errors->shown.clear();
        TForm1& f = start();

        c.fault(f);
        tick(f);
        ASSERT_EQ(h.fakes.errors->shown.size(), 1);
        const QString shown = h.fakes.errors->shown[0];
        EXPECT_TRUE(shown.startsWith(c.stage == Watch ? kWatchError : kPushError)) << shown.toStdString();
        EXPECT_TRUE(shown.contains(c.fragment)) << shown.toStdString();
        expectNoSecret(shown, secrets());
        expectNoSecret(f.Memo_log.Text, secrets());
        EXPECT_TRUE(f.Timer1.isActive());
        EXPECT_EQ(f.FTimeRemaining, 300);

        c.repair(f);
        EXPECT_EQ(stock(), before);  // nothing written by the failing tick
        h.fakes.errors->shown.clear();
        tick(f);
        EXPECT_TRUE(h.fakes.errors->shown.isEmpty()) << h.fakes.errors->shown.join('\n').toStdString();
        EXPECT_EQ(stock(), (std::map<QString, StockRow>{{"7890001", pushed(4)}, {"7890002", pushed(6)}}));
        EXPECT_TRUE(f.Timer1.isActive());
        f.Timer1.stop();
    }
}

// The connection lost while the push writes its fourth product: the rows written before it stay
// committed, the row in flight goes back with the killed statement (or, when only the program gave
// up waiting, the server finishes it whole), nothing after it is written, and the next tick
// completes the rest without a second row for any product.
TEST_F(StoreFaults, ConnectionLostInTheMiddleOfAPush) {
    enum Loss { Killed, Silent };
    struct Case {
        const char* name;
        Loss loss;
        bool inFlightUpdates;  // the fourth write updates a row the store had (else it inserts one)
    };
    const Case cases[] = {
        {"killed while inserting", Killed, false},
        {"killed while updating", Killed, true},
        {"server stops answering while inserting", Silent, false},
    };
    for (int i = 1; i <= 6; ++i) product(i, QStringLiteral("B%1").arg(i), 10 + i);
    const QStringList order = erpOrder();
    ASSERT_EQ(order.size(), 6);
    auto quantityOf = [](const QString& barcode) { return 10 + barcode.mid(1).toInt(); };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store = StoreDb::create(QStringLiteral("drop"));
        // The store already has the second product and, for an update in flight, the fourth.
        QStringList had{order[1]};
        if (c.inFlightUpdates) had << order[3];
        for (const QString& b : had) {
            store->exec(QStringLiteral("INSERT INTO produto_estoque (produto, registro, tamanho, cor, quantidade) "
                                       "VALUES ('%1', 'r', 't', 'c', 0)").arg(b));
        }
        const auto before = stock();

        // The fourth write of a connection waits, inside its statement, for a lock the test holds.
        const QString lock = "vx_drop_" + store->user();
        for (const char* event : {"INSERT", "UPDATE"}) {
            store->exec(QStringLiteral("CREATE TRIGGER hold_%1 AFTER %1 ON produto_estoque FOR EACH ROW BEGIN "
                                       "SET @vx_writes = COALESCE(@vx_writes, 0) + 1; "
                                       "IF @vx_writes = 4 THEN DO GET_LOCK('%2', 20); END IF; END")
                            .arg(QLatin1String(event), lock));
        }
        ASSERT_EQ(store->scalar(QStringLiteral("SELECT GET_LOCK('%1', 0)").arg(lock)).toInt(), 1);

        h.form.reset();
        h.fakes.errors->shown.clear();
        TForm1& f = start(c.loss == Silent ? 1 : 30);

        // Kills the program's connection from another one once its write waits for the lock.
        std::atomic<bool> killed{false};
        std::thread killer;
        if (c.loss == Killed) {
            killer = std::thread([lock, &killed] {
                mysql_thread_init();
                const MysqlServer s = MysqlServer::fromEnv();
                MYSQL* m = mysql_init(nullptr);
                if (m && mysql_real_connect(m, s.host.toUtf8().constData(), s.user.toUtf8().constData(),
                                            s.password.toUtf8().constData(), nullptr, s.port, nullptr, 0)) {
                    // Found by its statement: inside the trigger the list shows the trigger's definer as
                    // the connection's user.
                    const QByteArray waiting = "SELECT ID FROM information_schema.PROCESSLIST "
                                               "WHERE STATE = 'User lock' AND INFO LIKE '%" + lock.toUtf8() + "%'";
                    const QDeadlineTimer deadline(20000);
                    while (!killed && !deadline.hasExpired()) {
                        QByteArray id;
                        if (mysql_query(m, waiting.constData()) == 0) {
                            if (MYSQL_RES* r = mysql_store_result(m)) {
                                if (MYSQL_ROW row = mysql_fetch_row(r)) id = row[0];
                                mysql_free_result(r);
                            }
                        }
                        if (!id.isEmpty() && mysql_query(m, ("KILL CONNECTION " + id).constData()) == 0) killed = true;
                        else QThread::msleep(20);
                    }
                }
                if (m) mysql_close(m);
                mysql_thread_end();
            });
        }

        tick(f);
        if (killer.joinable()) killer.join();
        store->scalar(QStringLiteral("SELECT RELEASE_LOCK('%1')").arg(lock));
        if (c.loss == Killed) {
            ASSERT_TRUE(killed);
        }
        // The server side of the lost connection has finished with its statement.
        ASSERT_TRUE(eventually([&] { return store->connectionCount() == 0; }));

        ASSERT_EQ(h.fakes.errors->shown.size(), 1);
        const QString shown = h.fakes.errors->shown[0];
        EXPECT_TRUE(shown.startsWith(kPushError)) << shown.toStdString();
        EXPECT_TRUE(shown.contains("Lost connection")) << shown.toStdString();
        expectNoSecret(shown, secrets());
        EXPECT_TRUE(f.Timer1.isActive());
        EXPECT_EQ(f.FTimeRemaining, 300);

        const auto after = stock();
        for (int k = 0; k < order.size(); ++k) {
            SCOPED_TRACE(order[k].toStdString());
            const auto was = before.find(order[k]);
            const auto now = after.find(order[k]);
            const bool wasThere = was != before.end(), isThere = now != after.end();
            if (k < 3) {
                ASSERT_TRUE(isThere);
                EXPECT_EQ(now->second, pushed(quantityOf(order[k])));
            } else if (k == 3 && c.loss == Silent) {
                // The server went on with the statement the program gave up on: whole, either way.
                if (isThere) EXPECT_TRUE(now->second == pushed(quantityOf(order[k])) || (wasThere && now->second == was->second));
                else EXPECT_FALSE(wasThere);
            } else {
                // Rolled back with the killed statement, or never sent.
                ASSERT_EQ(isThere, wasThere);
                if (isThere) {
                    EXPECT_EQ(now->second, was->second);
                }
            }
        }

        store->exec("DROP TRIGGER hold_INSERT");
        store->exec("DROP TRIGGER hold_UPDATE");
        h.fakes.errors->shown.clear();
        tick(f);
        EXPECT_TRUE(h.fakes.errors->shown.isEmpty()) << h.fakes.errors->shown.join('\n').toStdString();
        std::map<QString, StockRow> all;
        for (const QString& b : order) all[b] = pushed(quantityOf(b));
        EXPECT_EQ(stock(), all);
        f.Timer1.stop();
    }
}

// The one-shot command prints what the scheduler would show: the credentials stay out of its
// output as well.
TEST_F(StoreFaults, StoreOnceCommandKeepsTheCredentialsOutOfItsOutput) {
    store->exec(QStringLiteral("GRANT ALL ON `%1_gone`.* TO '%2'@'%'").arg(store->database(), store->user()));
    struct Case {
        const char* name;
        QString base, senha;
        const char* fragment;
    };
    const Case cases[] = {
        {"wrong password", store->database(), "x" + store->password(), "Access denied for user '***'"},
        {"unknown database", store->database() + "_gone", store->password(), "Unknown database '***'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir settings, runtime, config;
        velorix::testing::FormHarness scratch;
        credentials(scratch.build(), store->user(), c.base, c.senha);
        QFile banco(settings.filePath("Banco.ini")), app(settings.filePath("app.ini"));
        ASSERT_TRUE(banco.open(QIODevice::WriteOnly) && app.open(QIODevice::WriteOnly));
        banco.write(erp().bancoIni().toUtf8());
        app.write("[config]\n" + serverKey());
        banco.close();
        app.close();

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        p.setProcessEnvironment(env);
        p.start(VELORIX_EXE, {"--store-once", "--dir", settings.path()});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QString err = QString::fromUtf8(p.readAllStandardError());
        if (err.startsWith("Offline")) GTEST_SKIP() << "no network interface up: the command does not contact the store";
        EXPECT_EQ(p.exitCode(), 1);
        EXPECT_TRUE(err.contains(kWatchError + "Access denied") || err.contains(kWatchError + "Unknown database")) << err.toStdString();
        EXPECT_TRUE(err.contains(c.fragment)) << err.toStdString();
        expectNoSecret(out + err, secrets());
    }
}

// The mask takes a credential where it stands on its own, whatever its case, and leaves the words
// around it (a table named after the user, a short name inside other words) as they are.
TEST(StoreCredentials, MaskedWhereTheyStandOnTheirOwn) {
    StoreConnection con;
    con.setParam(StoreParam::User_Name, "loja");
    con.setParam(StoreParam::Database, "loja_base");
    const std::pair<QString, QString> cases[] = {
        {"Access denied for user 'loja'@'10.0.0.2' (using password: YES)",
         "Access denied for user '***'@'10.0.0.2' (using password: YES)"},
        {"Table 'loja_base.pedido_loja' doesn't exist", "Table '***.pedido_loja' doesn't exist"},
        {"Access denied for user 'LOJA'@'%' to database 'Loja_Base'", "Access denied for user '***'@'%' to database '***'"},
        {"Unknown column 'lojas' in 'WHERE'", "Unknown column 'lojas' in 'WHERE'"},
        // The password the connection carries when the ERP has none is masked as well.
        {QStringLiteral("senha %1.").arg(StoreConnection::BuiltInPassword), "senha ***."},
    };
    for (const auto& [message, masked] : cases) EXPECT_EQ(con.redacted(message), masked) << message.toStdString();

    con.setParam(StoreParam::User_Name, "a");
    con.setParam(StoreParam::Password, "p(a$s)");
    EXPECT_EQ(con.redacted("Access denied for user 'a'@'h' (using password: YES) p(a$s)"),
              "Access denied for user '***'@'h' (using password: YES) ***");
}

}  // namespace
