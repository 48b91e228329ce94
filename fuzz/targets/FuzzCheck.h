#pragma once
// Shared by the fuzz targets and their replay in the test suite: a broken property aborts, which
// libFuzzer records as a crash and the replay test reports as a failure.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                   \
    do {                                                                                   \
        if (!(cond)) {                                                                     \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

// Each target file defines its entry under its own name, and the libFuzzer entry only in the
// fuzzing build (the replay test links all four into one binary).
#ifdef VELORIX_LIBFUZZER
#define VELORIX_FUZZ_ENTRY(fn) \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fn(data, size); }
#else
#define VELORIX_FUZZ_ENTRY(fn)
#endif

namespace velorix::fuzz {
int FuzzIniFile(const uint8_t* data, size_t size);
int FuzzCrypt(const uint8_t* data, size_t size);
int FuzzFormEncoding(const uint8_t* data, size_t size);
int FuzzJsonText(const uint8_t* data, size_t size);
}  // namespace velorix::fuzz
