#pragma once
// What every HTTP request of the program shares on top of libcurl.

#include <cstddef>

namespace velorix::curlsupport {

// Initialises libcurl once per process, before the first handle.
void globalInit();

// CURLOPT_WRITEFUNCTION: appends the answer's bytes to the QByteArray given as user data.
size_t appendBody(char* ptr, size_t size, size_t n, void* user);

// CURLOPT_HEADERFUNCTION: keeps the status line of the last answer (a redirect chain and a
// 100 Continue each bring their own) in the QByteArray given as user data.
size_t collectStatusLine(char* ptr, size_t size, size_t n, void* user);

}  // namespace velorix::curlsupport
