#ifndef FUZZ_CHECK_H
#define FUZZ_CHECK_H

#include <QString>

#include <cstdio>
#include <cstdlib>

// A property that must hold for every input: a violation stops the fuzzer
// with the input saved, like a crash.
#define FUZZ_REQUIRE(cond)                                                                         \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

inline QString fuzz_text(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
}

#endif
