// The web panel misbehaving in each way a network allows, met by the summary upload and the detail
// uploads inside a sync cycle, and by the company sign-up: the lines each one logs, whether the
// cycle goes on or stops, and that every wait ends within the request limits.
#include "ErpFixture.h"
#include "FormHarness.h"
#include "platform/Curl.h"
#include "summary/FormClient.h"
#include "tools/panel/PanelServer.h"
#include "uploads/DetailTransport.h"

#include <QByteArray>
#include <QFile>
#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace velorix;
using velorix::panel::Answer;
using velorix::panel::CertificateOptions;
using velorix::panel::PanelOptions;
using velorix::panel::PanelServer;
using velorix::testing::ErpFixture;

namespace {

const QString kCnpj = "12345678000199";
const QString kEmail = "loja@exemplo.com.br";
const QString kResumo = "{\"resumo\": \"documento-do-resumo\"}";
const QString kAgora = "14/03/2025 10:20:30";
const QString kQuando = "14/03/2025 - 10:20:30";

// Request limits of the tests, in place of the program's minutes; as in the program, the
// connection gives up before a silent answer does.
constexpr long kConnectMs = 500;
constexpr long kLimitMs = 700;
constexpr long kTotalMs = 1000;

// A TCP port on 127.0.0.1 where nothing listens any more.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// A listening socket on 127.0.0.1. Without accept() the kernel still completes the TCP handshake,
// so a client connects and then waits for a TLS handshake that never comes.
class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 16) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("listener: cannot listen on 127.0.0.1");
        port_ = ntohs(a.sin_port);
    }
    ~Listener() { ::close(fd_); }
    int fd() const { return fd_; }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Plain HTTP: reads a request, promises a large body and sends it one byte every 50 ms while the
// client stays, for five seconds at most: a client without a limit of its own on the whole
// request then sees the connection cut instead of its time-out, and the test fails in bounded time.
class Trickler {
public:
    Trickler() : thread_([this] { run(); }) {}
    ~Trickler() {
        stop_ = true;
        thread_.join();
    }
    int port() const { return listener_.port(); }

private:
    void run() {
        while (!stop_) {
            pollfd p{listener_.fd(), POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int c = ::accept(listener_.fd(), nullptr, nullptr);
            if (c < 0) continue;
            serve(c);
            ::close(c);
        }
    }

    void serve(int c) {
        std::string request;
        char buf[4096];
        while (!stop_ && request.find("\r\n\r\n") == std::string::npos) {
            pollfd p{c, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0) return;
            request.append(buf, size_t(n));
        }
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100000\r\n\r\n1";
        if (::send(c, head.data(), head.size(), MSG_NOSIGNAL) < 0) return;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!stop_ && std::chrono::steady_clock::now() < until) {
            // What is left of the request body is read and dropped; an orderly close ends it.
            pollfd p{c, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0 && ::recv(c, buf, sizeof buf, 0) <= 0) return;
            if (::send(c, " ", 1, MSG_NOSIGNAL) < 0) return;
        }
    }

    Listener listener_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// What listens at the faulty address.
enum class Server { Panel, Refused, NoTlsHandshake, Trickle };

// How one upload ends against the fault.
struct Outcome {
    bool delivered;
    QString message;  // part of the error message; the whole of it when `statusLine`
    bool statusLine = false;
    int tries = 1;    // requests that reach the faulty panel per upload (none past a failed handshake)
};

struct Fault {
    const char* name;
    Server server;
    CertificateOptions certificate;
    bool trusted;  // its certificate is in the "certificado_ca" bundle
    // The answer for a path, given its own full address; empty: the stand-in's usual answers.
    std::function<Answer(const std::string& self)> answer;
    std::string body;  // of a failing answer, when the best-seller upload logs it
    Outcome form;      // the summary upload and the sign-up
    Outcome detail;
};

CertificateOptions hosts(std::vector<std::string> names) {
    CertificateOptions o;
    o.hosts = std::move(names);
    return o;
}

CertificateOptions expired() {
    CertificateOptions o;
    o.validFrom = -std::chrono::hours(48);
    o.validUntil = -std::chrono::hours(24);
    return o;
}

Answer status500(const std::string&) {
    Answer a;
    a.status = 500;
    a.body = "1";  // a body the form uploads would accept, under a failing status
    return a;
}

// The stand-in's usual answer, late: "1" for the form uploads, "OK" for the detail uploads.
Answer delayed(const std::string& self, std::chrono::milliseconds d) {
    Answer a;
    a.body = self.ends_with("app.php") || self.ends_with("app2.php") ? "1" : "OK";
    a.delay = d;
    return a;
}

const Fault kFaults[] = {
    {"certificate trusted through certificado_ca", Server::Panel, {}, true, {}, {}, {true, {}}, {true, {}}},
    {"connection refused", Server::Refused, {}, true, {}, {}, {false, "Couldn't connect"}, {false, "Couldn't connect"}},
    {"status 500", Server::Panel, {}, true, status500, "1",
     {false, "HTTP/1.1 500 Internal Server Error", true}, {false, "HTTP/1.1 500 Internal Server Error", true}},
    // The form client follows no redirect: the first one is the answer. The detail uploads
    // follow up to 15 and then give up.
    {"redirect loop", Server::Panel, {}, true, [](const std::string& self) { return Answer::redirect(302, self); }, {},
     {false, "HTTP/1.1 302 Found", true}, {false, "Maximum (15) redirects followed", false, 16}},
    {"slow answer within the limits", Server::Panel, {}, true,
     [](const std::string& self) { return delayed(self, std::chrono::milliseconds(100)); }, {}, {true, {}}, {true, {}}},
    {"slow answer beyond the limits", Server::Panel, {}, true,
     [](const std::string& self) { return delayed(self, std::chrono::milliseconds(3000)); }, {},
     {false, "timed out"}, {false, "timed out"}},
    {"never answering", Server::Panel, {}, true,
     [](const std::string&) { Answer a; a.neverAnswer = true; return a; }, {},
     {false, "timed out"}, {false, "timed out"}},
    {"connection accepted, no TLS handshake", Server::NoTlsHandshake, {}, true, {}, {},
     {false, "connection time"}, {false, "connection time"}},
    {"answer trickling in", Server::Trickle, {}, true, {}, {}, {false, "timed out"}, {false, "timed out"}},
    {"certificate for another host", Server::Panel, hosts({"painel.exemplo.com.br"}), true, {}, {},
     {false, "subject name matches", false, 0}, {false, "subject name matches", false, 0}},
    {"expired certificate", Server::Panel, expired(), true, {}, {}, {false, "expired", false, 0},
     {false, "expired", false, 0}},
    {"self-signed certificate not trusted", Server::Panel, {}, false, {}, {},
     {false, "self-signed", false, 0}, {false, "self-signed", false, 0}},
};

// The faulty web panel of one case.
struct FaultyPanel {
    explicit FaultyPanel(const Fault& f) {
        switch (f.server) {
        case Server::Panel: {
            PanelOptions o;
            o.certificate = f.certificate;
            panel = std::make_unique<PanelServer>(o);
            panel->start();
            base = panel->baseUrl();
            break;
        }
        case Server::Refused: base = "https://127.0.0.1:" + std::to_string(closedPort()); break;
        case Server::NoTlsHandshake:
            silent = std::make_unique<Listener>();
            base = "https://127.0.0.1:" + std::to_string(silent->port());
            break;
        case Server::Trickle:
            trickler = std::make_unique<Trickler>();
            base = "http://127.0.0.1:" + std::to_string(trickler->port());
            break;
        }
    }
    void answer(const Fault& f, const std::string& path) {
        if (panel && f.answer) panel->setAnswer(path, f.answer(base + path));
    }
    size_t requestsTo(const std::string& path) const {
        size_t n = 0;
        if (panel)
            for (const auto& r : panel->requests()) n += r.path == path;
        return n;
    }

    std::unique_ptr<PanelServer> panel;
    std::unique_ptr<Listener> silent;
    std::unique_ptr<Trickler> trickler;
    std::string base;
};

enum class Target { Summary, Detail, SignUp };

const char* targetName(Target t) {
    return t == Target::Summary ? "summary upload" : t == Target::Detail ? "detail uploads" : "sign-up";
}

// The routines of a detail-mode cycle with "Qualidade" and "Vendas APP" ticked, in the order they
// run, over a database where four of them have something to post.
struct CycleRoutine {
    const char* file;     // empty: no rows, nothing posted
    QString line;         // no-rows line, or the success prefix
    QString failure;      // failure prefix
};

const CycleRoutine kCycle[] = {
    {"api_produto_mais.php", "PRODUTO MAIS ", "Erro: "},
    {"", "Nenhum Qualidade encontrado.", {}},
    {"api_compras.php", "COMPRAS ", ""},
    {"api_abertura_caixa.php", "CAIXA : ", "Erro CAIXA: "},
    {"", QStringLiteral("Lucro não encontrado."), {}},
    {"", "Tabela Forma fiscal vazia.", {}},
    {"", QStringLiteral("Tabela Forma não fiscal vazia."), {}},
    {"api_vendas.php", "VENDAS ", "CANCELADO "},
    {"", "Nenhum VENDA NFE encontrado.", {}},
};

std::string detailPath(const char* file) { return "/painel/" + kCnpj.toStdString() + "/" + file; }

class PanelFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        erp = ErpFixture::create("panelfaults");
        auto& e = *erp;
        e.insert("empresa", {{"codigo", 1}, {"cnpj", kCnpj}, {"fantasia", "Loja"}, {"razao", "Loja Ltda"},
                             {"responsavel_empresa", "Ana"}, {"email", "Contato@Loja.com.br"}});
        e.insert("produto", {{"codigo", 10}, {"descricao", "Cafe"}});
        e.insert("vendas_master", {{"codigo", 1}, {"data_emissao", QDate(2025, 3, 10)}, {"hora", QTime(9, 0)},
                                   {"situacao", "F"}, {"total", 10.0}, {"flag_nfce", "N"}});
        e.insert("vendas_detalhe", {{"fkvenda", 1}, {"id_produto", 10}, {"qtd", 1.0}, {"total", 10.0},
                                    {"pr_custo", 5.0}, {"situacao", "F"}});
        e.insert("compra", {{"id", 1}, {"nr_nota", 5001}, {"dtemissao", QDate(2025, 3, 5)}, {"status", "F"},
                            {"total", 250.0}});
    }
    static void TearDownTestSuite() { erp.reset(); }

    void SetUp() override {
        ASSERT_TRUE(erp);
        good.start();
        h.write("Banco.ini", erp->bancoIni().toUtf8());
        h.fakes.clock->set(QDateTime(QDate(2025, 3, 14), QTime(10, 20, 30)));
        h.make();
        ASSERT_TRUE(f().conexao().connected()) << f().Memo_log.Text.toStdString();
        QObject::connect(h.form.get(), &TForm1::logLine, [this](const QString& l) { lines << l; });
    }

    void TearDown() override {
        if (h.form) h.form->conexao().close();
    }

    TForm1& f() { return *h.form; }

    // Points the target's address at the faulty panel and the others at the good one, through
    // app.ini as the program reads it.
    void pointAt(Target t, const Fault& fault, const FaultyPanel& bad) {
        QByteArray bundle = QByteArray::fromStdString(good.certificatePem());
        if (fault.trusted && bad.panel) bundle += QByteArray::fromStdString(bad.panel->certificatePem());
        h.write("ca-bundle.pem", bundle);
        auto base = [&](Target which) {
            return QByteArray::fromStdString(which == t ? bad.base : good.baseUrl());
        };
        h.write("app.ini", "[config]\r\nemail=" + kEmail.toUtf8() + "\r\napi=" + base(Target::Summary) +
                               "/app.php\r\napi2=" + base(Target::SignUp) + "/app2.php\r\nnovoenvio=" +
                               base(Target::Detail) + "/painel\r\nQualidade=1\r\nVendasApp=1\r\ncertificado_ca=" +
                               h.path("ca-bundle.pem").toUtf8() + "\r\n");
        f().abreConfig();
        f().IdHTTP1().setTimeouts(kConnectMs, kLimitMs);
        f().detailConnectTimeoutMs = f().produtosMaisConnectTimeoutMs = kConnectMs;
        f().detailReadTimeoutMs = f().produtosMaisReadTimeoutMs = kLimitMs;
        f().detailTotalTimeoutMs = f().produtosMaisTotalTimeoutMs = kTotalMs;
        f().MaskInicio.Date = QDateTime(QDate(2025, 3, 1), QTime(0, 0));
        f().MaskFim.Date = QDateTime(QDate(2025, 3, 14), QTime(0, 0));
        f().Memo1.Text = kResumo;
        f().lbDatahora.Caption = "....";
        f().balloonText.clear();
        f().clearLog();
        good.clear();
        lines.clear();
    }

    // The transport's message must say what went wrong and carry nothing of the form's fields.
    void expectMessage(const QString& line, const QString& prefix, const Outcome& o, const std::string& body = {}) {
        SCOPED_TRACE(line.toStdString());
        if (o.statusLine) {
            EXPECT_EQ(line, prefix + o.message + (body.empty() ? QString() : " - " + QString::fromStdString(body)));
        } else {
            EXPECT_TRUE(line.startsWith(prefix));
            EXPECT_TRUE(line.mid(prefix.size()).contains(o.message, Qt::CaseInsensitive));
        }
        for (const QString& secret : {QStringLiteral("804917"), kEmail, QStringLiteral("loja%40"),
                                      QStringLiteral("documento-do-resumo"), QStringLiteral("contato@loja")})
            EXPECT_FALSE(line.contains(secret, Qt::CaseInsensitive)) << secret.toStdString();
    }

    static std::unique_ptr<ErpFixture> erp;
    velorix::testing::FormHarness h;
    PanelServer good;
    QStringList lines;  // every line logged, also those the cycle empties away
};

std::unique_ptr<ErpFixture> PanelFaults::erp;

TEST_F(PanelFaults, EachFaultEndsInItsLinesAndTheCycleGoesOnOrStops) {
    for (const Fault& fault : kFaults) {
        for (Target t : {Target::Summary, Target::Detail, Target::SignUp}) {
            SCOPED_TRACE(std::string(fault.name) + " / " + targetName(t));
            FaultyPanel bad(fault);
            for (const char* file : {"/app.php", "/app2.php"}) bad.answer(fault, file);
            for (const CycleRoutine& r : kCycle)
                if (*r.file) bad.answer(fault, detailPath(r.file));
            pointAt(t, fault, bad);

            if (t == Target::SignUp) {
                f().cxButton_enviar_empresaClick();
                const Outcome& o = fault.form;
                if (o.delivered) {
                    EXPECT_EQ(lines, (QStringList{"Empresa cadastrada com sucesso.", QStringLiteral("A senha padrão é 804917."),
                                                  QStringLiteral("O admin poderá alterar no painel web."), kQuando, ""}));
                } else {
                    ASSERT_EQ(lines.size(), 5) << lines.join('\n').toStdString();
                    EXPECT_EQ(lines[0], "Falha ao cadastrar a empresa - " + kAgora);
                    expectMessage(lines[1], "", o);
                    EXPECT_EQ(lines.mid(2), (QStringList{QStringLiteral("Empresa não pode ser cadastrada."), kQuando, ""}));
                }
                if (bad.panel) {
                    EXPECT_EQ(bad.requestsTo("/app2.php"), size_t(o.tries));
                }
                continue;
            }

            f().cxBtn_syncClick();
            if (t == Target::Summary && !fault.form.delivered) {
                // The cycle stops: nothing after the summary upload runs.
                ASSERT_EQ(lines.size(), 5) << lines.join('\n').toStdString();
                EXPECT_EQ(lines[0], "Falha ao atualizar JSON - " + kAgora);
                expectMessage(lines[1], "", fault.form);
                EXPECT_EQ(lines.mid(2), (QStringList{"Erro ao enviar os dados.", kQuando, ""}));
                EXPECT_EQ(f().Memo_log.lines(), lines);
                EXPECT_EQ(f().balloonText, "Erro ao enviar os dados.");
                EXPECT_EQ(f().lbDatahora.Caption, "....");
                EXPECT_TRUE(good.requests().empty());
                if (bad.panel) {
                    EXPECT_EQ(bad.requestsTo("/app.php"), size_t(fault.form.tries));
                }
                continue;
            }

            // The cycle runs to its end: every routine in turn, whatever the ones before it met.
            const Outcome& o = t == Target::Detail ? fault.detail : Outcome{true, {}};
            ASSERT_EQ(lines.size(), qsizetype(std::size(kCycle))) << lines.join('\n').toStdString();
            for (size_t i = 0; i < std::size(kCycle); ++i) {
                const CycleRoutine& r = kCycle[i];
                SCOPED_TRACE(*r.file ? r.file : "no rows");
                if (!*r.file) {
                    EXPECT_EQ(lines[i], r.line);
                } else if (o.delivered) {
                    EXPECT_EQ(lines[i], r.line + "OK");
                } else {
                    const bool bestSellerStatus = o.statusLine && r.failure == "Erro: ";
                    expectMessage(lines[i], bestSellerStatus ? "Erro HTTP: " : r.failure, o,
                                  bestSellerStatus ? fault.body : std::string());
                }
                if (*r.file && t == Target::Detail && bad.panel) {
                    EXPECT_EQ(bad.requestsTo(detailPath(r.file)), size_t(o.tries));
                }
            }
            EXPECT_TRUE(f().Memo_log.lines().isEmpty()) << f().Memo_log.Text.toStdString();
            EXPECT_EQ(f().balloonText, QStringLiteral("Nova sincronização :)"));
            EXPECT_EQ(f().lbDatahora.Caption, kAgora);
            // The summary reached its panel, and only what was good reached the good one.
            const size_t expectedAtGood = t == Target::Detail ? 1 : 4;
            EXPECT_EQ(good.requests().size(), expectedAtGood);
        }
    }
}

// A web panel that ends every kept-alive connection right after its answer, as busy servers do
// with idle ones between two cycles. The one long-lived client must get through every time, not
// only the first few: each dead connection it tried to reuse once counted against a small budget
// of retries kept for the whole life of the handle.
TEST(FormClientConnections, ConnectionsThePanelDropsNeverWearTheClientOut) {
    QTemporaryDir dir;
    const auto pair = velorix::panel::makeSelfSignedCertificate();
    const QString cert = dir.filePath("panel.pem"), key = dir.filePath("panel.key");
    for (const auto& [file, text] : {std::pair{cert, pair.certPem}, std::pair{key, pair.keyPem}}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray::fromStdString(text));
    }
    httplib::SSLServer server(cert.toLocal8Bit().constData(), key.toLocal8Bit().constData());
    ASSERT_TRUE(server.is_valid());
    server.set_keep_alive_timeout(0);
    int answered = 0;
    server.Post("/app.php", [&](const httplib::Request&, httplib::Response& res) {
        ++answered;
        res.set_content("1", "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread listening([&] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

    FormClient client;
    client.setCaFile(cert);
    client.setTimeouts(kLimitMs * 4, kLimitMs * 4);  // only a fault ends it early
    const QString url = "https://127.0.0.1:" + QString::number(port) + "/app.php";
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        try {
            EXPECT_EQ(client.post(url, {{"email", kEmail}, {"json", kResumo}}), "1");
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
    server.stop();
    listening.join();
    EXPECT_EQ(answered, 12);
}

}  // namespace

namespace {

bool writeFile(const QString& path, const std::string& text) {
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(text.data(), qint64(text.size())) == qint64(text.size());
}

// A panel that answers with far more than a word: both clients give up at the limit with a
// message saying so, instead of holding the whole answer in memory. Just under it still works.
TEST(PanelAnswers, PastTheSizeLimitAreRefusedWithTheirOwnMessage) {
    QTemporaryDir dir;
    PanelServer panel;
    panel.start();
    const QString ca = dir.filePath("panel.pem");
    ASSERT_TRUE(writeFile(ca, panel.certificatePem()));
    FormClient client;
    client.setCaFile(ca);
    DetailRequestOptions options;
    options.caFile = ca;

    for (const size_t size : {curlsupport::kMaxAnswerBytes, curlsupport::kMaxAnswerBytes + 1}) {
        SCOPED_TRACE(size);
        Answer big;
        big.body = std::string(size, 'x');
        panel.setAnswer("/app.php", big);
        panel.setAnswer("/lista.php", big);
        const bool fits = size <= curlsupport::kMaxAnswerBytes;
        try {
            EXPECT_EQ(client.post(QString::fromStdString(panel.url("/app.php")), {{"email", kEmail}}).size(),
                      qsizetype(size));
            EXPECT_TRUE(fits);
        } catch (const HttpError& e) {
            EXPECT_FALSE(fits);
            EXPECT_STREQ(e.what(), curlsupport::kAnswerTooLarge);
        }
        try {
            EXPECT_EQ(PostJson(QString::fromStdString(panel.url("/lista.php")), "[]", options).size(), qsizetype(size));
            EXPECT_TRUE(fits);
        } catch (const DetailRequestError& e) {
            EXPECT_FALSE(fits);
            EXPECT_STREQ(e.what(), curlsupport::kAnswerTooLarge);
        }
    }
}

// A panel over https that redirects an upload to plain http: the list is not sent in clear.
TEST(PanelAnswers, AnHttpsUploadIsNotRedirectedToPlainHttp) {
    QTemporaryDir dir;
    PanelServer panel;
    panel.start();
    PanelOptions plainOptions;
    plainOptions.https = false;
    PanelServer plain(plainOptions);
    plain.start();
    const QString ca = dir.filePath("panel.pem");
    ASSERT_TRUE(writeFile(ca, panel.certificatePem()));
    DetailRequestOptions options;
    options.caFile = ca;
    panel.setAnswer("/lista.php", Answer::redirect(302, plain.url("/lista.php")));
    EXPECT_THROW(PostJson(QString::fromStdString(panel.url("/lista.php")), "[1]", options), DetailRequestError);
    EXPECT_TRUE(plain.requests().empty());
    // Plain http to start with may go on to https.
    plain.setAnswer("/lista.php", Answer::redirect(302, panel.url("/novo.php")));
    EXPECT_EQ(PostJson(QString::fromStdString(plain.url("/lista.php")), "[1]", options), "OK");
    ASSERT_EQ(panel.requests().size(), 2u);
    EXPECT_EQ(panel.requests()[1].body, "[1]");
}

}  // namespace
