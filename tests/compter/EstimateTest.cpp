#include "core/Estimate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Group sizes of `count` birds whose length varies by +-`lengthSpread` around
// that of a bird of `typical` pixels (an area: +-15 % in length is about +-30 %
// in pixels); with `pairs`, each size is two such birds touching.
std::vector<std::int32_t> birds(int count, double typical, double lengthSpread, std::uint32_t seed, bool pairs = false)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> factor(1.0 - lengthSpread, 1.0 + lengthSpread);
    std::vector<std::int32_t> sizes;
    for (int i = 0; i < count; ++i) {
        double pixels = 0;
        for (int b = 0; b < (pairs ? 2 : 1); ++b) {
            const double f = factor(random);
            pixels += std::lround(typical * f * f);
        }
        sizes.push_back(std::int32_t(pixels));
    }
    return sizes;
}

} // namespace

// Lone birds beside pairs, specks (wing tips cut off, JPEG noise) and smaller
// birds: the typical size is the lone birds', groups weighing their pixels, so
// hundreds of specks cannot outvote fifty birds.
TEST(Estimate, TypicalSizeIsTheLoneBirdsDespitePairsAndSpecks)
{
    // Length spread of the birds; specks: how many, their size and spread.
    struct Case {
        const char* name;
        int singles, pairs;
        double typical, spread;
        int specks;
        double speckSize, speckSpread, expected;
    } cases[] = {{"singles", 80, 0, 200, 0.15, 0, 0, 0, 200},
                 {"many pairs", 60, 40, 200, 0.15, 0, 0, 0, 200},
                 {"pairs' hill the tallest, lone birds' of half their size still high", 60, 40, 200, 0.05, 0, 0, 0, 200},
                 {"specks of 3 to 8", 50, 10, 120, 0.15, 30, 5, 0.3, 120},
                 {"small birds", 100, 15, 18, 0.15, 0, 0, 0, 18},
                 {"large birds", 40, 10, 3000, 0.15, 5, 5, 0.3, 3000},
                 {"300 specks, 50 birds", 50, 0, 120, 0.15, 300, 6, 0.3, 120},
                 {"600 specks of 15, 60 birds", 60, 0, 200, 0.15, 600, 15, 0.3, 200},
                 {"few lone birds beside pairs", 10, 60, 150, 0.15, 0, 0, 0, 300},
                 {"few small birds beside large", 60, 0, 150, 0.15, 40, 40, 0.3, 150}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::int32_t> sizes = birds(c.singles, c.typical, c.spread, 7);
        for (const auto& more : {birds(c.pairs, c.typical, c.spread, 11, true), birds(c.specks, c.speckSize, c.speckSpread, 8)})
            sizes.insert(sizes.end(), more.begin(), more.end());
        EXPECT_NEAR(typicalGroupSize(sizes), c.expected, 0.12 * c.expected);
    }
    EXPECT_EQ(typicalGroupSize(std::vector<std::int32_t>{57}), 57);
    EXPECT_EQ(typicalGroupSize(std::vector<std::int32_t>{}), 0);
}

// The automatic minimum: 0.4 of the typical size, never below 3; specks below
// it go, the smallest lone birds stay.
TEST(Estimate, AutomaticMinimumIsAShareOfTheTypicalSizeAndAtLeastThree)
{
    const std::pair<std::int32_t, std::int32_t> rows[] = {{3, 3}, {7, 3}, {8, 3}, {9, 4}, {10, 4}, {100, 40}, {1000, 400}};
    for (const auto& [typical, minimum] : rows)
        EXPECT_EQ(automaticMinimumSize(std::vector<std::int32_t>(20, typical)), minimum) << typical;
    EXPECT_EQ(automaticMinimumSize(std::vector<std::int32_t>{}), 3);
    std::vector<std::int32_t> sizes = birds(50, 100, 0.15, 4);
    const std::int32_t smallestBird = *std::min_element(sizes.begin(), sizes.end());
    for (int i = 0; i < 400; ++i)
        sizes.push_back(3 + i % 10);
    EXPECT_GT(automaticMinimumSize(sizes), 12);
    EXPECT_LE(automaticMinimumSize(sizes), smallestBird);
}

TEST(Estimate, ClumpsCountTheirBirdsAndSpecksNothing)
{
    std::vector<std::int32_t> sizes = birds(60, 200, 0.15, 3);
    sizes.insert(sizes.end(), {3, 4, 5, 10, 40});  // specks
    const std::int32_t typical = typicalGroupSize(sizes);
    ASSERT_NEAR(typical, 200, 15);
    // Clumps whose pixels are their birds' within 10 % (overlap makes a clump
    // smaller than its birds, their spread larger).
    const std::pair<int, double> clumps[] = {{2, 1.1}, {3, 0.9}, {3, 1.1}, {4, 0.92}, {4, 1.08},
                                             {5, 0.92}, {5, 1.08}, {6, 1.0}, {9, 0.95}};
    for (const auto& [n, factor] : clumps)
        sizes.push_back(std::int32_t(std::lround(n * typical * factor)));
    const BirdEstimate e = estimateBirds(sizes);
    EXPECT_EQ(e.typicalSize, typical) << "the few clumps do not move the typical size";
    ASSERT_EQ(e.birdsPerGroup.size(), sizes.size());
    for (std::size_t i = 0; i < std::size(clumps); ++i)
        EXPECT_EQ(e.birdsPerGroup[65 + i], clumps[i].first) << i;
    // The total adds the birds of each group: nine for the clump of nine,
    // where bin 6 alone would say six.
    EXPECT_EQ(e.binCounts, (std::array<std::int32_t, 7>{5, 60, 1, 2, 2, 0, 4}));
    EXPECT_EQ(e.total, 60 + 2 + 6 + 8 + 10 + 6 + 9);
    EXPECT_EQ(estimateBirds({}).total, 0);
}

TEST(Estimate, BirdsInGroupRoundHalvesToEvenAndFiveOrMoreGoToBinSix)
{
    const std::array<std::int32_t, 3> cases[] = {{149, 100, 1}, {150, 100, 2}, {250, 100, 2}, {251, 100, 3},
                                                 {350, 100, 4}, {50, 100, 0},  {51, 100, 1},  {3, 1, 3},
                                                 {100, 0, 0},   {1, 100, 0},   {0, 100, 0},   {-5, 100, 0}};
    for (const auto& [size, typical, n] : cases)
        EXPECT_EQ(birdsInGroup(size, typical), n) << size << " / " << typical;
    const std::pair<int, int> bins[] = {{-1, 0}, {0, 0}, {1, 1}, {4, 4}, {5, 6}, {9, 6}};
    for (const auto& [n, bin] : bins)
        EXPECT_EQ(estimateBin(n), bin) << n;
}
