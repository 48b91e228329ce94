#include "summary/FormClient.h"

#include "platform/Curl.h"
#include "summary/FormEncoding.h"

#include <QStringDecoder>
#include <curl/curl.h>

namespace velorix {

FormClient::FormClient() {
    curlsupport::globalInit();
    curl_ = curl_easy_init();
    // An empty cookie file turns the in-memory cookie engine on for the life of the handle.
    curl_easy_setopt(curl_, CURLOPT_COOKIEFILE, "");
}

FormClient::~FormClient() { curl_easy_cleanup(curl_); }

QString DecodeBody(const QByteArray& body, const QByteArray& contentType) {
    QByteArray charset;
    const QByteArray lower = contentType.toLower();
    const qsizetype at = lower.indexOf("charset=");
    if (at >= 0) {
        charset = contentType.mid(at + 8);
        const qsizetype semi = charset.indexOf(';');
        if (semi >= 0) charset.truncate(semi);
        charset = charset.trimmed();
        if (charset.startsWith('"')) charset = charset.mid(1, charset.size() - 2);
    }
    if (!charset.isEmpty()) {
        QStringDecoder dec(charset.constData());
        if (dec.isValid()) return dec.decode(body);
    }
    return QString::fromUtf8(body);
}

QString FormClient::post(const QString& url, const QList<std::pair<QString, QString>>& fields) {
    if (!curl_) throw HttpError("HTTP client could not be created");
    if (url.trimmed().isEmpty()) throw HttpError("URL is empty");

    const QByteArray body = FormBody(fields);
    const QByteArray urlBytes = url.toUtf8();
    QByteArray answer, statusLine;

    curl_slist* headers = nullptr;
    const QByteArray acceptH = "Accept: " + accept.toUtf8();
    const QByteArray agentH = "User-Agent: " + userAgent.toUtf8();
    headers = curl_slist_append(headers, acceptH.constData());
    headers = curl_slist_append(headers, agentH.constData());
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    headers = curl_slist_append(headers, "Expect:");

    curl_easy_setopt(curl_, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl_, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(curl_, CURLOPT_POST, 1L);
    curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 0L);
    // A new connection for every request (cycles are minutes apart; the panel drops idle ones
    // anyway). The handle keeps counting its silent retries over dead kept-alive connections
    // for its whole life, and after five of them a request failed at once with "Connection died"
    // although the panel was up. Resetting the handle instead leaks its cookie-file list.
    curl_easy_setopt(curl_, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl_, CURLOPT_PROXY, "");
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, connectMs_);
    curl_easy_setopt(curl_, CURLOPT_TIMEOUT_MS, totalMs_);
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl_, CURLOPT_SSLVERSION, CURL_SSLVERSION_TLSv1_2);
    const QByteArray ca = caFile_.toLocal8Bit();
    curl_easy_setopt(curl_, CURLOPT_CAINFO, caFile_.isEmpty() ? nullptr : ca.constData());
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, curlsupport::appendBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, curlsupport::collectStatusLine);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &statusLine);
    char errbuf[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, errbuf);

    const CURLcode rc = curl_easy_perform(curl_);
    curl_slist_free_all(headers);
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, nullptr);

    if (rc == CURLE_WRITE_ERROR) throw HttpError(curlsupport::kAnswerTooLarge);
    if (rc != CURLE_OK) {
        QString msg = QString::fromUtf8(errbuf[0] ? errbuf : curl_easy_strerror(rc));
        throw HttpError(msg.toStdString());
    }
    long status = 0;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        throw HttpError(statusLine.isEmpty() ? ("HTTP status " + QByteArray::number(status)).toStdString()
                                             : statusLine.toStdString());
    }
    char* ctype = nullptr;
    curl_easy_getinfo(curl_, CURLINFO_CONTENT_TYPE, &ctype);
    return DecodeBody(answer, ctype ? QByteArray(ctype) : QByteArray());
}

}  // namespace velorix
