#include "core/Estimate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

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

struct TypicalCase {
    const char* name;
    int singles;
    int pairs;
    int specks;  // small fragments: wing tips cut off, JPEG noise
    double typical;
};

void PrintTo(const TypicalCase& c, std::ostream* os)
{
    *os << c.name;
}

class TypicalSize : public ::testing::TestWithParam<TypicalCase> {};

TEST_P(TypicalSize, IsTheSingleBirdsSizeDespitePairsAndSpecks)
{
    const TypicalCase& c = GetParam();
    std::vector<std::int32_t> sizes = singleBirds(c.singles, c.typical, 0.15, 7);
    const std::vector<std::int32_t> halves = singleBirds(2 * c.pairs, c.typical, 0.15, 11);
    for (int i = 0; i < c.pairs; ++i)
        sizes.push_back(halves[std::size_t(2 * i)] + halves[std::size_t(2 * i + 1)]);
    for (int i = 0; i < c.specks; ++i)
        sizes.push_back(3 + i % 6);
    const std::int32_t typical = typicalGroupSize(sizes);
    EXPECT_NEAR(typical, c.typical, 0.12 * c.typical);
}

INSTANTIATE_TEST_SUITE_P(Flocks, TypicalSize,
                         ::testing::Values(TypicalCase{"singles", 80, 0, 0, 200},
                                           TypicalCase{"many_pairs", 60, 40, 0, 200},
                                           TypicalCase{"specks", 50, 10, 30, 120},
                                           TypicalCase{"small_birds", 100, 15, 0, 18},
                                           TypicalCase{"large_birds", 40, 10, 5, 3000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Estimate, ClumpsOfThreeFourAndFiveOrMoreLandInBinsThreeFourAndSix)
{
    std::vector<std::int32_t> sizes = singleBirds(60, 200, 0.15, 3);
    const std::int32_t typical = typicalGroupSize(sizes);
    ASSERT_NEAR(typical, 200, 15);
    // Clumps whose pixels are their birds' within 10 %: overlap makes a clump
    // smaller than its birds, their spread larger.
    struct Clump {
        int birds;
        double factor;
        int bin;
    } clumps[] = {{2, 1.1, 2}, {3, 0.9, 3}, {3, 1.1, 3}, {4, 0.92, 4}, {4, 1.08, 4},
                  {5, 0.92, 6}, {5, 1.08, 6}, {6, 1.0, 6}, {9, 0.95, 6}};
    for (const Clump& c : clumps)
        sizes.push_back(std::int32_t(std::lround(c.birds * typical * c.factor)));
    const BirdEstimate e = estimateBirds(sizes);
    EXPECT_EQ(e.typicalSize, typical) << "the few clumps do not move the typical size";
    ASSERT_EQ(e.birdsPerGroup.size(), sizes.size());
    std::array<std::int32_t, 7> bins{};
    std::int64_t total = 0;
    for (std::size_t i = 0; i < std::size(clumps); ++i) {
        SCOPED_TRACE(testing::Message() << clumps[i].birds << " birds x " << clumps[i].factor);
        const std::int32_t birds = e.birdsPerGroup[60 + i];
        EXPECT_EQ(birds, clumps[i].birds);
        EXPECT_EQ(estimateBin(birds), clumps[i].bin);
        ++bins[std::size_t(clumps[i].bin)];
        total += clumps[i].birds;
    }
    // Every lone bird counts one, whatever its size within the flock's spread.
    bins[1] += 60;
    EXPECT_EQ(e.binCounts, bins);
    // The total adds the birds of each group: nine for the clump of nine,
    // where bin 6 alone would say six.
    EXPECT_EQ(e.total, total + 60);
}

TEST(Estimate, BirdsInGroupRoundsHalvesToEven)
{
    struct Case {
        std::int32_t size, typical, birds;
    } cases[] = {{100, 100, 1}, {149, 100, 1}, {150, 100, 2}, {250, 100, 2}, {251, 100, 3},
                 {350, 100, 4}, {49, 100, 0},  {50, 100, 0},  {51, 100, 1},  {100, 0, 0},
                 {0, 100, 0},   {-5, 100, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " / " << c.typical);
        EXPECT_EQ(birdsInGroup(c.size, c.typical), c.birds);
    }
}

TEST(Estimate, SpecksFarBelowABirdGoToBinZeroAndCountNothing)
{
    std::vector<std::int32_t> sizes = singleBirds(30, 150, 0.1, 9);
    sizes.insert(sizes.end(), {3, 4, 5, 10, 40});
    const BirdEstimate e = estimateBirds(sizes);
    EXPECT_EQ(e.binCounts[0], 5);
    EXPECT_EQ(e.binCounts[1], 30);
    EXPECT_EQ(e.total, 30);
}

TEST(Estimate, NoGroupsGiveNoTypicalSizeAndNothingCounted)
{
    const BirdEstimate e = estimateBirds({});
    EXPECT_EQ(e.typicalSize, 0);
    EXPECT_EQ(e.total, 0);
    EXPECT_EQ(e.binCounts, (std::array<std::int32_t, 7>{}));
    EXPECT_TRUE(e.birdsPerGroup.empty());
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
    EXPECT_EQ(typicalGroupSize(std::vector<std::int32_t>{57}), 57);
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

} // namespace
