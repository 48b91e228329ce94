#pragma once
// What every HTTP request of the program shares on top of libcurl.

#include <cstddef>

namespace velorix::curlsupport {

// Initialises libcurl once per process, before the first handle.
void globalInit();

// The panel answers with a word or a short page; an answer past this is refused (the transfer
// ends with CURLE_WRITE_ERROR) rather than growing until the program runs out of memory.
inline constexpr size_t kMaxAnswerBytes = 16u * 1024u * 1024u;
inline constexpr const char* kAnswerTooLarge = "The server's answer is larger than 16 MB";

// CURLOPT_WRITEFUNCTION: appends the answer's bytes to the QByteArray given as user data, up to
// kMaxAnswerBytes.
size_t appendBody(char* ptr, size_t size, size_t n, void* user);

// CURLOPT_HEADERFUNCTION: keeps the status line of the last answer (a redirect chain and a
// 100 Continue each bring their own) in the QByteArray given as user data.
size_t collectStatusLine(char* ptr, size_t size, size_t n, void* user);

}  // namespace velorix::curlsupport
