// R250Random: the shift-register random generator (Kirkpatrick and Stoll) that gives every
// material reference name of an .im file its random hexadecimal part.
//
// 250 words of 32 bits and a position n; each draw replaces word n by itself XOR word
// (n - 147) mod 250, returns it and advances n cyclically. Seeding fills the words from a
// multiplicative congruential seed generator (16807 · s mod (2^32 - 1), in 64-bit integers)
// shuffled through a 100-entry table, then forces 32 linearly independent words so that the
// register never degenerates. Seeding costs a few hundred steps; a draw is O(1).
#pragma once

#include <cstdint>

class R250Random {
public:
    static constexpr int kWordCount = 250;

    // Seeds from `seed` at once (the converter passes the millisecond timer).
    explicit R250Random(uint32_t seed) { Seed(seed); }

    void Seed(uint32_t seed);
    uint32_t Next();

    // The state, for tests.
    uint32_t Word(int i) const { return m_words[i]; }
    int Position() const { return m_position; }

private:
    uint32_t m_words[kWordCount] = {};
    int m_position = 0;
};
