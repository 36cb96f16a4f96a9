#include "core/Estimate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// One bird's group size: an area, so a length spread of +-15 % becomes about
// +-30 % in pixels.
std::vector<std::int32_t> singleBirds(int count, double typical, double lengthSpread, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> factor(1.0 - lengthSpread, 1.0 + lengthSpread);
    std::vector<std::int32_t> sizes;
    for (int i = 0; i < count; ++i) {
        const double f = factor(random);
        sizes.push_back(std::int32_t(std::lround(typical * f * f)));
    }
    return sizes;
}

} // namespace

TEST(Estimate, TypicalSizeIsTheSingleBirdsDespitePairsAndSpecks)
{
    struct Case {
        const char* name;
        int singles, pairs, specks;  // specks: wing tips cut off, JPEG noise
        double typical;
    } cases[] = {{"singles", 80, 0, 0, 200}, {"many pairs", 60, 40, 0, 200}, {"specks", 50, 10, 30, 120},
                 {"small birds", 100, 15, 0, 18}, {"large birds", 40, 10, 5, 3000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::int32_t> sizes = singleBirds(c.singles, c.typical, 0.15, 7);
        const std::vector<std::int32_t> halves = singleBirds(2 * c.pairs, c.typical, 0.15, 11);
        for (int i = 0; i < c.pairs; ++i)
            sizes.push_back(halves[std::size_t(2 * i)] + halves[std::size_t(2 * i + 1)]);
        for (int i = 0; i < c.specks; ++i)
            sizes.push_back(3 + i % 6);
        EXPECT_NEAR(typicalGroupSize(sizes), c.typical, 0.12 * c.typical);
    }
    // One group is its own size; none gives 0.
    EXPECT_EQ(typicalGroupSize(std::vector<std::int32_t>{57}), 57);
    const BirdEstimate none = estimateBirds({});
    EXPECT_EQ(none.typicalSize, 0);
    EXPECT_EQ(none.total, 0);
    EXPECT_EQ(none.binCounts, (std::array<std::int32_t, 7>{}));
}

// Groups weigh their pixels: hundreds of specks cannot outvote fifty birds,
// and a few lone birds beside many pairs (or small birds beside large ones)
// do not pull the typical size down.
TEST(Estimate, TypicalSizeWeighsPixelsNotGroups)
{
    struct Case {
        const char* name;
        int birds, birdSize, specks, speckSize, pairs;
        double typical;
    } cases[] = {
        {"300 specks, 50 birds", 50, 120, 300, 6, 0, 120},
        {"600 specks of 15, 60 birds", 60, 200, 600, 15, 0, 200},
        {"few lone birds beside pairs", 10, 150, 0, 0, 60, 300},
        {"few small birds beside large", 60, 150, 40, 40, 0, 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::int32_t> sizes = singleBirds(c.birds, c.birdSize, 0.15, 5);
        const std::vector<std::int32_t> halves = singleBirds(2 * c.pairs, c.birdSize, 0.15, 6);
        for (int i = 0; i < c.pairs; ++i)
            sizes.push_back(halves[std::size_t(2 * i)] + halves[std::size_t(2 * i + 1)]);
        const std::vector<std::int32_t> specks = singleBirds(c.specks, c.speckSize, 0.3, 8);
        sizes.insert(sizes.end(), specks.begin(), specks.end());
        EXPECT_NEAR(typicalGroupSize(sizes), c.typical, 0.12 * c.typical);
    }
}

// The automatic minimum: 0.4 of the typical size, never below 3; specks below
// it go, the smallest lone birds stay.
TEST(Estimate, AutomaticMinimumIsAShareOfTheTypicalSizeAndAtLeastThree)
{
    for (const std::int32_t typical : {3, 5, 7, 8, 9, 10, 100, 1000}) {
        SCOPED_TRACE(typical);
        const std::vector<std::int32_t> sizes(20, typical);
        EXPECT_EQ(automaticMinimumSize(sizes), std::max(3, int(std::lround(minimumShareOfTypical * typical))));
    }
    EXPECT_EQ(automaticMinimumSize(std::vector<std::int32_t>{}), 3);
    std::vector<std::int32_t> sizes = singleBirds(50, 100, 0.15, 4);
    const std::int32_t smallestBird = *std::min_element(sizes.begin(), sizes.end());
    for (int i = 0; i < 400; ++i)
        sizes.push_back(3 + i % 10);
    const std::int32_t minimum = automaticMinimumSize(sizes);
    EXPECT_GT(minimum, 12);
    EXPECT_LE(minimum, smallestBird);
}

TEST(Estimate, ClumpsCountTheirBirdsAndSpecksNothing)
{
    std::vector<std::int32_t> sizes = singleBirds(60, 200, 0.15, 3);
    sizes.insert(sizes.end(), {3, 4, 5, 10, 40});  // specks
    const std::int32_t typical = typicalGroupSize(sizes);
    ASSERT_NEAR(typical, 200, 15);
    // Clumps whose pixels are their birds' within 10 % (overlap makes a clump
    // smaller than its birds, their spread larger).
    const std::pair<int, double> clumps[] = {{2, 1.1}, {3, 0.9}, {3, 1.1}, {4, 0.92}, {4, 1.08},
                                             {5, 0.92}, {5, 1.08}, {6, 1.0}, {9, 0.95}};
    for (const auto& [birds, factor] : clumps)
        sizes.push_back(std::int32_t(std::lround(birds * typical * factor)));
    const BirdEstimate e = estimateBirds(sizes);
    EXPECT_EQ(e.typicalSize, typical) << "the few clumps do not move the typical size";
    ASSERT_EQ(e.birdsPerGroup.size(), sizes.size());
    for (std::size_t i = 0; i < std::size(clumps); ++i)
        EXPECT_EQ(e.birdsPerGroup[65 + i], clumps[i].first) << i;
    // Lone birds count one whatever their size within the flock's spread; the
    // total adds the birds of each group: nine for the clump of nine, where
    // bin 6 alone would say six.
    EXPECT_EQ(e.binCounts, (std::array<std::int32_t, 7>{5, 60, 1, 2, 2, 0, 4}));
    EXPECT_EQ(e.total, 60 + 2 + 6 + 8 + 10 + 6 + 9);
}

TEST(Estimate, BirdsInGroupRoundHalvesToEvenAndFiveOrMoreGoToBinSix)
{
    const std::array<std::int32_t, 3> cases[] = {{100, 100, 1}, {149, 100, 1}, {150, 100, 2}, {250, 100, 2},
                                                 {251, 100, 3}, {350, 100, 4}, {49, 100, 0},  {50, 100, 0},
                                                 {51, 100, 1},  {3, 1, 3},     {100, 0, 0},   {1, 100, 0},
                                                 {0, 100, 0},   {-5, 100, 0}};
    for (const auto& [size, typical, birds] : cases)
        EXPECT_EQ(birdsInGroup(size, typical), birds) << size << " / " << typical;
    const std::pair<int, int> bins[] = {{-1, 0}, {0, 0}, {1, 1}, {4, 4}, {5, 6}, {9, 6}};
    for (const auto& [birds, bin] : bins)
        EXPECT_EQ(estimateBin(birds), bin) << birds;
}
