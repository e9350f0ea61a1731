#pragma once
// What every fuzz target shares: a check that stays on in a fuzzing build (a
// wrong result is a finding too), and the input read a byte at a time.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__);                 \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// The fuzzer's bytes, taken one at a time; 0 once they are used up.
struct FuzzInput {
    const std::uint8_t* p;
    std::size_t n;
    bool empty() const { return n == 0; }
    std::uint8_t byte() {
        if (!n)
            return 0;
        --n;
        return *p++;
    }
};

// Up to `limit` - 1 of the fuzzer's bytes as one chunk of a line's input,
// its length the first byte taken.
template <class Bytes> Bytes TakeChunk(FuzzInput& in, int limit) {
    const int len = in.byte() % limit;
    Bytes chunk;
    for (int i = 0; i < len && !in.empty(); ++i)
        chunk.push_back(char(in.byte()));
    return chunk;
}
