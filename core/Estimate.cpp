#include "Estimate.h"

#include "Rounding.h"

#include <algorithm>
#include <cmath>

namespace {

// Histogram cells of 2 % of a size, smoothed with a Gaussian of 8 %: the
// spread of one flock's single birds (about +-15 % in length, +-30 % in area)
// makes one broad hill, while pairs sit a factor of two (69 % on this scale)
// further right and stay apart.
constexpr double cellWidth = 0.02;
constexpr double smoothingSigma = 0.08;
// The peak of the number of groups is looked for within this factor of the
// peak of pixels; sizes within the second factor of it take part in the
// median: the lone birds' sizes (0.7 to 1.3 of the typical one) and not their
// pairs'.
constexpr double modeBand = 1.25;
constexpr double peakBand = 1.4;
// A hill within this distance (on the logarithmic scale) of half the tallest
// one's size, holding at least this share of its height, is taken as the lone
// birds of which the tallest hill holds the pairs.
constexpr double halfHillBand = 0.15;
constexpr double halfHillShare = 0.4;

} // namespace

// The automatic minimum size as a share of the typical one-bird size: the
// smallest lone bird of a flock is about 0.7 of it (15 % shorter), a wing tip
// cut off by the separation or a speck of noise much less.
const double minimumShareOfTypical = 0.4;

std::int32_t typicalGroupSize(std::span<const std::int32_t> sizes)
{
    std::vector<double> logs;
    logs.reserve(sizes.size());
    for (std::int32_t s : sizes)
        if (s > 0)
            logs.push_back(std::log(double(s)));
    if (logs.empty())
        return 0;
    const auto [lo, hi] = std::minmax_element(logs.begin(), logs.end());
    const double first = *lo - 4 * smoothingSigma;
    const int cells = int((*hi - first + 4 * smoothingSigma) / cellWidth) + 1;
    // Each group weighs its size: the histogram of pixels, not of groups, so
    // that hundreds of specks of a few pixels weigh less than fifty birds.
    // A size stands for the sizes from s - 0.5 to s + 0.5: spread over those
    // cells, the many specks of exactly 3, 4 or 5 pixels make no sharp spike.
    std::vector<double> pixels(std::size_t(cells), 0.0);
    std::vector<double> groups(std::size_t(cells), 0.0);
    // The histogram reaches 4 sigmas past the largest size: only the lower end clamps.
    auto cellOf = [&](double v) { return std::max(int((v - first) / cellWidth), 0); };
    for (double v : logs) {
        const double s = std::exp(v);
        const int from = cellOf(std::log(std::max(s - 0.5, 0.5)));
        const int to = cellOf(std::log(s + 0.5));
        const double share = 1.0 / double(to - from + 1);
        for (int c = from; c <= to; ++c) {
            pixels[std::size_t(c)] += s * share;
            groups[std::size_t(c)] += share;
        }
    }

    const int reach = int(std::ceil(3 * smoothingSigma / cellWidth));
    std::vector<double> kernel(std::size_t(2 * reach + 1));
    for (int k = -reach; k <= reach; ++k) {
        const double d = k * cellWidth / smoothingSigma;
        kernel[std::size_t(k + reach)] = std::exp(-0.5 * d * d);
    }
    auto smooth = [&](const std::vector<double>& histogram) {
        std::vector<double> out(std::size_t(cells), 0.0);
        for (int c = 0; c < cells; ++c)
            for (int k = -reach; k <= reach; ++k)
                if (c + k >= 0 && c + k < cells)
                    out[std::size_t(c)] += kernel[std::size_t(k + reach)] * histogram[std::size_t(c + k)];
        return out;
    };
    const std::vector<double> smoothed = smooth(pixels);
    // Strictly greater: of two equal hills the smaller size wins, as in the
    // window's automatic threshold.
    int best = 0;
    for (int c = 1; c < cells; ++c)
        if (smoothed[std::size_t(c)] > smoothed[std::size_t(best)])
            best = c;
    // Pairs weigh twice their number: when the tallest hill has a hill of
    // half its size beside it holding a fair share of its pixels, that one is
    // the lone birds and the tallest their pairs.
    const int half = best - int(std::lround(std::log(2.0) / cellWidth));
    const int band = int(std::lround(halfHillBand / cellWidth));
    // The band lies left of best; when it is empty cell 0, 4 sigmas below the
    // smallest size, holds nothing and is no hill.
    int lower = std::max(0, half - band);
    for (int c = lower; c <= half + band; ++c)
        if (smoothed[std::size_t(c)] > smoothed[std::size_t(lower)])
            lower = c;
    if (smoothed[std::size_t(lower)] >= halfHillShare * smoothed[std::size_t(best)])
        best = lower;

    // Weighing by size leans the hill towards its larger birds: within the
    // hill found, the peak is that of the number of groups.
    const std::vector<double> counted = smooth(groups);
    const int hill = int(std::lround(std::log(modeBand) / cellWidth));
    int mode = best;
    for (int c = std::max(0, best - hill); c <= std::min(cells - 1, best + hill); ++c)
        if (counted[std::size_t(c)] > counted[std::size_t(mode)])
            mode = c;
    const double peak = std::exp(first + (mode + 0.5) * cellWidth);
    std::vector<std::int32_t> near;
    for (std::int32_t s : sizes)
        if (s > 0 && s >= peak / peakBand && s <= peak * peakBand)
            near.push_back(s);
    if (near.empty())
        return std::max<std::int32_t>(1, roundHalfEven(peak));
    const auto middle = near.begin() + std::ptrdiff_t(near.size() / 2);
    std::nth_element(near.begin(), middle, near.end());
    return *middle;
}

std::int32_t automaticMinimumSize(std::span<const std::int32_t> sizes)
{
    const std::int32_t typical = typicalGroupSize(sizes);
    return std::max<std::int32_t>(3, roundHalfEven(minimumShareOfTypical * typical));
}

std::int32_t birdsInGroup(std::int32_t size, std::int32_t typical)
{
    if (typical <= 0 || size <= 0)
        return 0;
    return roundHalfEven(double(size) / double(typical));
}

int estimateBin(std::int32_t birds)
{
    return birds >= 5 ? 6 : std::max(birds, 0);
}

BirdEstimate estimateBirds(std::span<const std::int32_t> sizes)
{
    BirdEstimate e;
    e.typicalSize = typicalGroupSize(sizes);
    e.birdsPerGroup.reserve(sizes.size());
    for (std::int32_t s : sizes) {
        const std::int32_t birds = birdsInGroup(s, e.typicalSize);
        e.birdsPerGroup.push_back(birds);
        ++e.binCounts[std::size_t(estimateBin(birds))];
        e.total += birds;
    }
    return e;
}
