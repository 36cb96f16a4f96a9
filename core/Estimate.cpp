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
// Sizes within this factor of the peak take part in the median.
constexpr double peakBand = 1.25;

} // namespace

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
    std::vector<double> histogram(std::size_t(cells), 0.0);
    for (double v : logs)
        histogram[std::size_t(std::clamp(int((v - first) / cellWidth), 0, cells - 1))] += 1.0;

    const int reach = int(std::ceil(3 * smoothingSigma / cellWidth));
    std::vector<double> kernel(std::size_t(2 * reach + 1));
    for (int k = -reach; k <= reach; ++k) {
        const double d = k * cellWidth / smoothingSigma;
        kernel[std::size_t(k + reach)] = std::exp(-0.5 * d * d);
    }
    int best = 0;
    double bestValue = -1.0;
    for (int c = 0; c < cells; ++c) {
        double v = 0.0;
        for (int k = -reach; k <= reach; ++k)
            if (c + k >= 0 && c + k < cells)
                v += kernel[std::size_t(k + reach)] * histogram[std::size_t(c + k)];
        // Strictly greater: of two equal hills the smaller size wins, as in
        // the window's automatic threshold.
        if (v > bestValue) {
            bestValue = v;
            best = c;
        }
    }
    const double peak = std::exp(first + (best + 0.5) * cellWidth);
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
