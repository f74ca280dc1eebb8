// The R250 generator and its seeding procedure.
#include "MeshAnimConverter/mesh/R250Random.h"

namespace {

constexpr int kLag = 147;
constexpr int kTableSize = 100;

// The seed generator: s <- 16807 · s mod (2^32 - 1), computed in 64-bit integers.
class SeedGenerator {
public:
    explicit SeedGenerator(uint32_t seed) : m_state(seed) {}
    uint32_t Draw() {
        m_state = (16807ull * m_state) % 0xFFFFFFFFull;
        return static_cast<uint32_t>(m_state);
    }
    uint64_t State() const { return m_state; }

private:
    uint64_t m_state;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

void R250Random::Seed(uint32_t seed) {
    SeedGenerator generator(seed);

    uint32_t table[kTableSize];
    for (uint32_t& entry : table) {
        entry = generator.Draw();
    }
    generator.Draw();

    // shuffle: the current seed value picks a table entry, which is then replaced
    for (uint32_t& word : m_words) {
        const uint64_t pick = (generator.State() * 99u) >> 32;
        word = table[pick];
        table[pick] = generator.Draw();
    }

    for (uint32_t& word : m_words) {
        if (generator.Draw() > 0x40000000u) {
            word |= 0x80000000u;
        }
    }

    // 32 linearly independent words: word 3 + 7k keeps bits 0 .. 31 - k with bit 31 - k set
    for (int k = 0; k < 32; ++k) {
        const uint32_t bit = 0x80000000u >> k;
        uint32_t& word = m_words[3 + 7 * k];
        word = (word & (bit | (bit - 1u))) | bit;
    }

    m_position = 0;
}

uint32_t R250Random::Next() {
    const int other = (m_position + kWordCount - kLag) % kWordCount;
    m_words[m_position] ^= m_words[other];
    const uint32_t value = m_words[m_position];
    m_position = (m_position + 1) % kWordCount;
    return value;
}
