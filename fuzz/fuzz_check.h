#pragma once
// A check that stays on in a fuzzing build: a wrong result is a finding too.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__);                 \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
