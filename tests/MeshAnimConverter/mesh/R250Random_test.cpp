// The R250 generator: seeding and draws against values worked out from the written procedure.
#include "MeshAnimConverter/mesh/R250Random.h"

#include <gtest/gtest.h>

namespace {

struct DrawCase {
    uint32_t seed;
    uint32_t first[4];
    uint32_t draw300;
};

TEST(R250Random, DrawsFollowTheSeedingProcedure) {
    const DrawCase cases[] = {
        {1u, {0x066c4c65u, 0x541acd87u, 0x3ae2acaeu, 0x5ce0e251u}, 0x5ef250b4u},
        {12345u, {0x1e93fae0u, 0x1bd2c96du, 0x7a06cd70u, 0x6251dc50u}, 0xbce2d0c3u},
        // a zero seed keeps the seed generator at 0: only the forced bits remain
        {0u, {0u, 0u, 0u, 0x80000000u}, 0x00010000u},
        // 2^32 - 1 is 0 modulo the seed generator's modulus
        {0xFFFFFFFFu, {0u, 0u, 0u, 0x80000000u}, 0x00010000u},
    };
    for (const DrawCase& c : cases) {
        R250Random random(c.seed);
        for (uint32_t expected : c.first) {
            EXPECT_EQ(random.Next(), expected) << "seed " << c.seed;
        }
        for (int i = 4; i < 299; ++i) {
            random.Next();
        }
        EXPECT_EQ(random.Next(), c.draw300) << "seed " << c.seed;
    }
}

TEST(R250Random, SeedingForcesTheIndependentWords) {
    R250Random random(777u);
    EXPECT_EQ(random.Position(), 0);
    for (int k = 0; k < 32; ++k) {
        const uint32_t word = random.Word(3 + 7 * k);
        const uint32_t bit = 0x80000000u >> k;
        EXPECT_NE(word & bit, 0u) << k;
        EXPECT_EQ(word & ~(bit | (bit - 1u)), 0u) << k;
    }
}

TEST(R250Random, FirstWordsOfSeedOne) {
    R250Random random(1u);
    EXPECT_EQ(random.Word(0), 0x97371b47u);
    EXPECT_EQ(random.Word(1), 0x8d465430u);
    EXPECT_EQ(random.Word(2), 0xa1b839b5u);
    EXPECT_EQ(random.Word(3), 0x800041a7u);
    EXPECT_EQ(random.Word(4), 0xc00a1677u);
}

TEST(R250Random, ReseedingRepeatsTheSequence) {
    R250Random a(99u);
    const uint32_t first = a.Next();
    a.Next();
    a.Seed(99u);
    EXPECT_EQ(a.Next(), first);
}

}  // namespace
