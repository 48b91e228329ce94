#pragma once
// The request of the detail uploads: a fresh connection per upload, a JSON body POSTed, redirects
// followed, the web panel's certificate verified, success exactly on a final 2xx status.

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace velorix {

struct DetailRequestOptions {
    // TLS 1.0 to 1.2 instead of 1.2 only (the best-seller upload).
    bool olderTls = false;
    long connectTimeoutMs = 30000;
    // The longest wait without a byte moving either way; the transfer as a whole may take longer.
    long readTimeoutMs = 300000;
    // The whole request, however steadily bytes keep trickling in: a panel that drips its answer
    // one byte at a time never trips the read time-out and would hold the cycle for ever.
    long totalTimeoutMs = 1800000;
    // PEM bundle trusted instead of the system store; empty: system store.
    QString caFile;
};

// A failed request. For an answer with a non-2xx status, `what()` is its status line and
// `statusFailure()` is true; otherwise `what()` is the transport's message.
class DetailRequestError : public std::runtime_error {
public:
    DetailRequestError(const std::string& message, bool statusFailure, QString body = {})
        : std::runtime_error(message), statusFailure_(statusFailure), body_(std::move(body)) {}
    bool statusFailure() const { return statusFailure_; }
    // The body of a non-2xx answer, decoded as text.
    const QString& body() const { return body_; }

private:
    bool statusFailure_;
    QString body_;
};

// POSTs `body` as "application/json; charset=utf-8" to `url` and returns the final answer's
// body as text. Throws DetailRequestError.
QString PostJson(const QString& url, const QByteArray& body, const DetailRequestOptions& options);

}  // namespace velorix
