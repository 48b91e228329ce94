#pragma once

#include "tools/panel/Certificate.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace velorix::panel {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// How the panel answers one path. Everything but the status and body is optional.
struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "text/html; charset=UTF-8";
    HeaderList headers;        // extra headers, repeatable (several Set-Cookie)
    std::string location;      // sent as Location when not empty
    std::chrono::milliseconds delay{0};
    bool neverAnswer = false;  // hold the connection until stop()

    static Answer redirect(int status, std::string location);
};

struct RecordedRequest {
    std::string method;
    std::string path;    // as on the request line, before '?', not percent-decoded
    std::string query;   // after '?', raw; empty when none
    std::string version; // "HTTP/1.1"
    HeaderList headers;  // names as received; order is httplib's (sorted by name)
    std::string body;    // raw bytes
    std::chrono::system_clock::time_point arrival;

    // First value of a header, name compared without case; empty when absent.
    std::string header(std::string_view name) const;
    size_t headerCount(std::string_view name) const;
};

struct PanelOptions {
    int port = 0;  // 0 picks a free port
    bool https = true;
    // When both are set, this PEM pair is used; otherwise a certificate is generated from
    // `certificate` and, when certOut is set, written there for clients to trust as a CA file.
    std::string certFile;
    std::string keyFile;
    CertificateOptions certificate;
    std::string certOut;
    // When set, each request is also written there as NNNN.json and NNNN.body.
    std::string storeDir;
    // Called on the server's threads for each request as it arrives, before it is answered.
    std::function<void(const RecordedRequest &)> onRequest;
};

// A stand-in for the web panel on 127.0.0.1. Form uploads (paths ending in app.php, app1.php,
// app2.php) are accepted with "1", other POSTs with "OK", other methods get 405; per-path answers
// override that.
class PanelServer {
public:
    explicit PanelServer(PanelOptions options = {});
    ~PanelServer();
    PanelServer(const PanelServer &) = delete;
    PanelServer &operator=(const PanelServer &) = delete;

    // Binds and starts listening on its own thread. Throws std::runtime_error on failure.
    void start();
    // Releases held requests, closes the listener and joins its thread. Safe to call twice.
    void stop();
    bool isRunning() const;

    int port() const;
    std::string baseUrl() const;                   // "https://127.0.0.1:<port>"
    std::string url(std::string_view path) const;  // baseUrl() + path
    const std::string &certificatePem() const;     // empty for plain HTTP

    // Exact path match (as on the request line, before any query), any method.
    void setAnswer(const std::string &path, Answer answer);
    void clearAnswer(const std::string &path);
    void clearAnswers();

    std::vector<RecordedRequest> requests() const;
    void clear();
    // True once at least n requests have arrived (counted since the last clear()).
    bool waitForRequests(size_t n, std::chrono::milliseconds timeout) const;

private:
    void handle(const httplib::Request &req, httplib::Response &res);
    RecordedRequest record(const httplib::Request &req);
    void store(const RecordedRequest &request);
    Answer answerFor(const RecordedRequest &request, const std::string &decodedPath) const;

    PanelOptions options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = -1;
    std::string certPem_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    std::map<std::string, Answer> answers_;
    std::vector<RecordedRequest> requests_;

    std::mutex storeMutex_;
    unsigned storeNext_ = 1;
};

} // namespace velorix::panel
