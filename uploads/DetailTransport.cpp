#include "uploads/DetailTransport.h"

#include "platform/Curl.h"
#include "summary/FormClient.h"

#include <algorithm>
#include <chrono>
#include <curl/curl.h>
#include <memory>
#include <string>

namespace velorix {

namespace {

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// The read time-out: the transfer ends when no byte has moved either way for that long.
struct IdleWatch {
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
    curl_off_t down = 0, up = 0;
    std::chrono::milliseconds limit;
    bool expired = false;
};

int watchIdle(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* w = static_cast<IdleWatch*>(user);
    const auto now = std::chrono::steady_clock::now();
    if (dlnow != w->down || ulnow != w->up) {
        w->down = dlnow;
        w->up = ulnow;
        w->last = now;
        return 0;
    }
    if (now - w->last >= w->limit) {
        w->expired = true;
        return 1;
    }
    return 0;
}

}  // namespace

QString PostJson(const QString& url, const QByteArray& body, const DetailRequestOptions& options) {
    curlsupport::globalInit();
    std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    CURL* curl = handle.get();
    if (!curl) throw DetailRequestError("HTTP client could not be created", false);

    std::unique_ptr<curl_slist, SlistDeleter> headers;
    auto addHeader = [&](const char* h) {
        curl_slist* l = curl_slist_append(headers.get(), h);
        if (!l) throw DetailRequestError("out of memory", false);
        headers.release();
        headers.reset(l);
    };
    addHeader("Content-Type: application/json; charset=utf-8");
    addHeader("User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
    // No "Expect: 100-continue" round trip for large bodies.
    addHeader("Expect:");

    const QByteArray urlBytes = url.toUtf8();
    const QByteArray ca = options.caFile.toLocal8Bit();
    QByteArray answer, statusLine;
    char errbuf[CURL_ERROR_SIZE] = {0};

    curl_easy_setopt(curl, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A list sent over https is never redirected to plain http, where anyone on the way reads it.
    const bool secure = url.trimmed().startsWith(QLatin1String("https:"), Qt::CaseInsensitive);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 15L);
    // A redirected upload is re-sent as a POST with its body: turning it into a bodiless GET
    // would report the list as delivered when it never arrived.
    curl_easy_setopt(curl, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
    IdleWatch idle;
    idle.limit = std::chrono::milliseconds(std::max(1L, options.readTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, watchIdle);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &idle);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_SSLVERSION,
                     options.olderTls ? long{CURL_SSLVERSION_TLSv1_0} | long{CURL_SSLVERSION_MAX_TLSv1_2}
                                      : long{CURL_SSLVERSION_TLSv1_2} | long{CURL_SSLVERSION_MAX_TLSv1_2});
    if (!options.caFile.isEmpty()) curl_easy_setopt(curl, CURLOPT_CAINFO, ca.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, curlsupport::appendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, curlsupport::collectStatusLine);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &statusLine);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);

    const CURLcode rc = curl_easy_perform(curl);
    if (idle.expired) {
        throw DetailRequestError("Read timed out (" + std::to_string(options.readTimeoutMs) + " ms without data)", false);
    }
    if (rc == CURLE_WRITE_ERROR) throw DetailRequestError(curlsupport::kAnswerTooLarge, false);
    if (rc != CURLE_OK) throw DetailRequestError(errbuf[0] ? errbuf : curl_easy_strerror(rc), false);

    char* ctype = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &ctype);
    QString text = DecodeBody(answer, ctype ? QByteArray(ctype) : QByteArray());
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        const QByteArray line = statusLine.isEmpty() ? "HTTP status " + QByteArray::number(status) : statusLine;
        throw DetailRequestError(line.toStdString(), true, std::move(text));
    }
    return text;
}

}  // namespace velorix
