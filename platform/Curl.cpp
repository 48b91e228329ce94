#include "platform/Curl.h"

#include <QByteArray>
#include <curl/curl.h>

namespace velorix::curlsupport {

void globalInit() {
    static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
    (void)done;
}

size_t appendBody(char* ptr, size_t size, size_t n, void* user) {
    auto* answer = static_cast<QByteArray*>(user);
    if (size * n > kMaxAnswerBytes - static_cast<size_t>(answer->size())) return 0;
    answer->append(ptr, static_cast<qsizetype>(size * n));
    return size * n;
}

size_t collectStatusLine(char* ptr, size_t size, size_t n, void* user) {
    const QByteArray line(ptr, static_cast<qsizetype>(size * n));
    if (line.startsWith("HTTP/")) *static_cast<QByteArray*>(user) = line.trimmed();
    return size * n;
}

}  // namespace velorix::curlsupport
