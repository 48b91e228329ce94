#include "tools/panel/PanelServer.h"

#include <httplib.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <stdexcept>

namespace velorix::panel {
namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// httplib adds these to the request's headers itself; they never came over the wire.
bool isHttplibPseudoHeader(const std::string &name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
           name == "LOCAL_PORT";
}

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20 || u == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", u);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string isoTime(std::chrono::system_clock::time_point t) {
    const auto secs = std::chrono::system_clock::to_time_t(t);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    return buf;
}

unsigned nextFreeNumber(const std::filesystem::path &dir) {
    unsigned highest = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!endsWith(name, ".json") || name.size() <= 5) continue;
        const std::string digits = name.substr(0, name.size() - 5);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        try {
            highest = std::max(highest, static_cast<unsigned>(std::stoul(digits)));
        } catch (const std::exception &) {
        }
    }
    return highest + 1;
}

std::unique_ptr<httplib::Server> makeTlsServer(const std::string &certPem, const std::string &keyPem) {
    BIO *certBio = BIO_new_mem_buf(certPem.data(), static_cast<int>(certPem.size()));
    BIO *keyBio = BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size()));
    X509 *cert = certBio ? PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr) : nullptr;
    EVP_PKEY *key = keyBio ? PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr) : nullptr;
    std::unique_ptr<httplib::Server> server;
    if (cert && key) server = std::make_unique<httplib::SSLServer>(cert, key);  // takes its own references
    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(certBio);
    BIO_free(keyBio);
    if (!server) throw std::runtime_error("panel: cannot load the generated certificate");
    return server;
}

} // namespace

Answer Answer::redirect(int status, std::string location) {
    Answer a;
    a.status = status;
    a.location = std::move(location);
    return a;
}

std::string RecordedRequest::header(std::string_view name) const {
    for (const auto &[key, value] : headers)
        if (equalsNoCase(key, name)) return value;
    return {};
}

size_t RecordedRequest::headerCount(std::string_view name) const {
    return static_cast<size_t>(std::count_if(headers.begin(), headers.end(),
                                             [&](const auto &h) { return equalsNoCase(h.first, name); }));
}

PanelServer::PanelServer(PanelOptions options) : options_(std::move(options)) {}

PanelServer::~PanelServer() { stop(); }

void PanelServer::start() {
    if (server_) throw std::runtime_error("panel: already started");

    // A client that gives up leaves a dead socket behind; writing the late answer to it must not
    // kill the process.
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<httplib::Server> server;
    if (options_.https) {
        const bool haveCert = !options_.certFile.empty();
        const bool haveKey = !options_.keyFile.empty();
        if (haveCert != haveKey) throw std::runtime_error("panel: a certificate needs both its file and its key");
        if (haveCert) {
            certPem_ = readWholeFile(options_.certFile);
            server = std::make_unique<httplib::SSLServer>(options_.certFile.c_str(), options_.keyFile.c_str());
        } else {
            const CertificatePair pair = makeSelfSignedCertificate(options_.certificate);
            certPem_ = pair.certPem;
            if (!options_.certOut.empty()) writeFileAtomically(options_.certOut, certPem_);
            server = makeTlsServer(pair.certPem, pair.keyPem);
        }
        if (!server->is_valid()) throw std::runtime_error("panel: the certificate or key is not usable");
    } else {
        certPem_.clear();
        server = std::make_unique<httplib::Server>();
    }

    if (!options_.storeDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options_.storeDir, ec);
        if (ec) throw std::runtime_error("panel: cannot create " + options_.storeDir + ": " + ec.message());
        std::lock_guard lock(storeMutex_);
        storeNext_ = nextFreeNumber(options_.storeDir);
    }

    // An idle kept-alive connection holds its worker until this runs out, and stop() waits for it.
    server->set_keep_alive_timeout(1);
    auto handler = [this](const httplib::Request &req, httplib::Response &res) { handle(req, res); };
    server->Get(".*", handler);
    // POST bodies are read here: when httplib reads them itself it refuses form bodies over
    // 8 KiB with 413, and the summary document is larger than that.
    server->Post(".*", [this](const httplib::Request &req, httplib::Response &res, const httplib::ContentReader &read) {
        httplib::Request full = req;
        read([&full](const char *data, size_t size) {
            full.body.append(data, size);
            return true;
        });
        handle(full, res);
    });
    server->Put(".*", handler);
    server->Patch(".*", handler);
    server->Delete(".*", handler);
    server->Options(".*", handler);

    int port = options_.port;
    if (port == 0) {
        port = server->bind_to_any_port("127.0.0.1");
        if (port < 0) throw std::runtime_error("panel: cannot bind to a free port on 127.0.0.1");
    } else if (!server->bind_to_port("127.0.0.1", port)) {
        throw std::runtime_error("panel: cannot bind to 127.0.0.1:" + std::to_string(port));
    }

    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    port_ = port;
    server_ = std::move(server);
    httplib::Server *raw = server_.get();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([raw, ended] {
        raw->listen_after_bind();
        *ended = true;
    });
    // httplib's stop() does nothing until the accept loop runs; wait for it so stop() never hangs.
    // The socket is already bound, so clients connecting meanwhile just queue.
    while (!raw->is_running() && !*ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!raw->is_running()) {
        thread_.join();
        server_.reset();
        throw std::runtime_error("panel: the listener did not start");
    }
}

void PanelServer::stop() {
    if (!server_) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
}

bool PanelServer::isRunning() const { return server_ && server_->is_running(); }

int PanelServer::port() const { return port_; }

std::string PanelServer::baseUrl() const {
    return std::string(options_.https ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

std::string PanelServer::url(std::string_view path) const { return baseUrl() + std::string(path); }

const std::string &PanelServer::certificatePem() const { return certPem_; }

void PanelServer::setAnswer(const std::string &path, Answer answer) {
    std::lock_guard lock(mutex_);
    answers_[path] = std::move(answer);
}

void PanelServer::clearAnswer(const std::string &path) {
    std::lock_guard lock(mutex_);
    answers_.erase(path);
}

void PanelServer::clearAnswers() {
    std::lock_guard lock(mutex_);
    answers_.clear();
}

std::vector<RecordedRequest> PanelServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void PanelServer::clear() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

bool PanelServer::waitForRequests(size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
}

RecordedRequest PanelServer::record(const httplib::Request &req) {
    RecordedRequest r;
    r.arrival = std::chrono::system_clock::now();
    r.method = req.method;
    r.version = req.version;
    const auto q = req.target.find('?');
    r.path = req.target.substr(0, q);
    if (q != std::string::npos) r.query = req.target.substr(q + 1);
    for (const auto &[name, value] : req.headers)
        if (!isHttplibPseudoHeader(name)) r.headers.emplace_back(name, value);
    r.body = req.body;

    store(r);
    if (options_.onRequest) options_.onRequest(r);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(r);
    }
    changed_.notify_all();
    return r;
}

void PanelServer::store(const RecordedRequest &r) {
    if (options_.storeDir.empty()) return;
    std::lock_guard lock(storeMutex_);
    char stem[32];
    std::snprintf(stem, sizeof stem, "%04u", storeNext_++);
    const std::filesystem::path dir(options_.storeDir);

    std::string json = "{\n  \"method\": " + jsonString(r.method) + ",\n  \"path\": " + jsonString(r.path) +
                       ",\n  \"query\": " + jsonString(r.query) + ",\n  \"version\": " + jsonString(r.version) +
                       ",\n  \"arrival\": " + jsonString(isoTime(r.arrival)) + ",\n  \"headers\": [";
    for (size_t i = 0; i < r.headers.size(); ++i)
        json += std::string(i ? "," : "") + "\n    [" + jsonString(r.headers[i].first) + ", " +
                jsonString(r.headers[i].second) + "]";
    json += "\n  ],\n  \"body_file\": " + jsonString(std::string(stem) + ".body") +
            ",\n  \"body_size\": " + std::to_string(r.body.size()) + "\n}\n";
    try {
        // Body first: a .json file means its request is complete on disk.
        writeFileAtomically((dir / (std::string(stem) + ".body")).string(), r.body);
        writeFileAtomically((dir / (std::string(stem) + ".json")).string(), json);
    } catch (const std::exception &e) {
        std::cerr << "velorix-panel: " << e.what() << '\n';
    }
}

Answer PanelServer::answerFor(const RecordedRequest &r, const std::string &decodedPath) const {
    {
        std::lock_guard lock(mutex_);
        auto it = answers_.find(r.path);
        if (it == answers_.end()) it = answers_.find(decodedPath);
        if (it != answers_.end()) return it->second;
    }
    Answer a;
    if (r.method != "POST") {
        a.status = 405;
        a.body = "Method Not Allowed";
        a.headers.emplace_back("Allow", "POST");
    } else if (endsWith(r.path, "app.php") || endsWith(r.path, "app1.php") || endsWith(r.path, "app2.php")) {
        a.body = "1";
    } else {
        a.body = "OK";
    }
    return a;
}

void PanelServer::handle(const httplib::Request &req, httplib::Response &res) {
    const RecordedRequest r = record(req);
    const Answer a = answerFor(r, req.path);

    if (a.neverAnswer || a.delay.count() > 0) {
        std::unique_lock lock(mutex_);
        if (a.neverAnswer) {
            changed_.wait(lock, [&] { return stopping_; });
        } else {
            changed_.wait_for(lock, a.delay, [&] { return stopping_; });
        }
        if (stopping_) {
            // Shutting down: whoever still listens gets a closing 503 instead of the answer.
            res.status = 503;
            res.set_header("Connection", "close");
            return;
        }
    }

    res.status = a.status;
    for (const auto &[name, value] : a.headers) res.headers.emplace(name, value);
    if (!a.location.empty()) res.set_header("Location", a.location);
    res.set_content(a.body, a.contentType.c_str());
}

} // namespace velorix::panel
