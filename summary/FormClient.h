#pragma once
// The window's long-lived HTTP client of the two form uploads: one connection handle for the
// whole run, cookies kept in memory, redirects not followed, the server's certificate verified.

#include <QByteArray>
#include <QList>
#include <QString>
#include <stdexcept>
#include <utility>

typedef void CURL;

namespace velorix {

class HttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class FormClient {
public:
    FormClient();
    ~FormClient();
    FormClient(const FormClient&) = delete;
    FormClient& operator=(const FormClient&) = delete;

    // PEM bundle trusted instead of the system store (a web panel on a private CA); empty: system store.
    void setCaFile(const QString& path) { caFile_ = path; }
    const QString& caFile() const { return caFile_; }
    void setTimeouts(long connectMs, long totalMs) { connectMs_ = connectMs; totalMs_ = totalMs; }

    // Posts the form; returns the answer body decoded as text. Throws HttpError with a readable
    // message on any failure: transport, TLS, or a status other than 2xx (the status line).
    QString post(const QString& url, const QList<std::pair<QString, QString>>& fields);

    QString accept = "text/html, image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    QString userAgent = "Mozilla/4.0";

private:
    CURL* curl_ = nullptr;
    QString caFile_;
    long connectMs_ = 15000;
    long totalMs_ = 120000;
};

// The answer bytes as text, by the charset the Content-Type declares (UTF-8 when none).
QString DecodeBody(const QByteArray& body, const QByteArray& contentType);

}  // namespace velorix
