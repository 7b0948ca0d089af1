#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken property stops the run at once, so the fuzzer keeps the input that
// broke it and the replay test fails.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);            \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size);
