#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The estimate of the batch counter, beside the window's rule: every group
// stands for round(size / typical one-bird size) birds, so clumps of three,
// four, five or more birds are counted without hand work. The window's own
// count never uses it.

// The typical one-bird size, found robustly: the peak of the histogram of
// the sizes on a logarithmic scale, each group weighing its size in pixels
// (so hundreds of specks cannot outvote fifty birds), smoothed over about a
// tenth of a size, refined to the median of the sizes near that peak. When a
// hill of half the peak's size holds a fair share of its pixels, the peak is
// the pairs and that hill the lone birds. Birds of one flock vary by a
// proportion of their size, not by a fixed number of pixels, hence the
// logarithmic scale. 0 when there are no sizes.
std::int32_t typicalGroupSize(std::span<const std::int32_t> sizes);

// The minimum group size "auto": the smallest size a bird can have on this
// photo, minimumShareOfTypical of the typical one-bird size of these groups,
// rounded half to even, and never below 3.
extern const double minimumShareOfTypical;
std::int32_t automaticMinimumSize(std::span<const std::int32_t> sizes);

// round(size / typical), halves to the even neighbour; 0 for a group far
// smaller than a bird (a speck, a wing tip cut off), 0 when typical is 0.
std::int32_t birdsInGroup(std::int32_t size, std::int32_t typical);

// The bin of a group of `birds` birds: 0..4 as they are, 5 or more in bin 6.
int estimateBin(std::int32_t birds);

struct BirdEstimate {
    std::int32_t typicalSize = 0;
    // Groups per bin 0, 1, 2, 3, 4 and 6 (index 5 unused), as in the window.
    std::array<std::int32_t, 7> binCounts{};
    // Birds of every group added up: a group of seven birds counts seven,
    // where the window's bin 6 would count six.
    std::int64_t total = 0;
    std::vector<std::int32_t> birdsPerGroup;
};

BirdEstimate estimateBirds(std::span<const std::int32_t> sizes);
