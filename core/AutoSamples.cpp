#include "AutoSamples.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// At most about this many pixels are looked at: a larger photo is read on a
// grid of every k-th pixel of every k-th row.
constexpr double sampledPixels = 2.0e6;
constexpr double skyBlockShare = 0.4;
constexpr double spreadFactor = 2.5;
constexpr int leastBirdDistance = 40;
// Each side must hold this share of the clearest candidates to get a sample.
constexpr double fairShare = 0.08;
// Fewer candidates than this share of the pixels (and than a small bird)
// means a blank sky.
constexpr double leastCandidateShare = 0.0002;
constexpr std::size_t leastCandidates = 12;

struct Pixel {
    int b, g, r;
    int brightness() const { return b + g + r; }
};

ColorTriple triple(double b, double g, double r)
{
    auto byte = [](double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
    ColorTriple t;
    t.rgbtBlue = byte(b);
    t.rgbtGreen = byte(g);
    t.rgbtRed = byte(r);
    return t;
}

// The mean colour of the pixels lying within +-5 % of `at` (0..1) in the
// order by brightness; `pixels` must be sorted by brightness.
ColorTriple sliceColour(const std::vector<Pixel>& pixels, double at)
{
    const std::size_t n = pixels.size();
    const std::size_t half = std::max<std::size_t>(1, n / 20);
    const std::size_t centre = std::min(n - 1, std::size_t(at * double(n)));
    const std::size_t from = centre > half ? centre - half : 0;
    const std::size_t to = std::min(n, centre + half + 1);
    double b = 0, g = 0, r = 0;
    for (std::size_t i = from; i < to; ++i) {
        b += pixels[i].b;
        g += pixels[i].g;
        r += pixels[i].r;
    }
    const double count = double(to - from);
    return triple(b / count, g / count, r / count);
}

int distance(const Pixel& p, const Pixel& q)
{
    return std::abs(p.b - q.b) + std::abs(p.g - q.g) + std::abs(p.r - q.r);
}

} // namespace

ChosenSamples chooseSamples(const QImage& source)
{
    ChosenSamples chosen;
    if (source.isNull() || source.width() == 0 || source.height() == 0)
        return chosen;
    const QImage photo = source.format() == QImage::Format_BGR888 ? source
                                                                   : source.convertToFormat(QImage::Format_BGR888);
    const int step = std::max(1, int(std::lround(std::sqrt(double(photo.width()) * photo.height() / sampledPixels))));
    const int w = (photo.width() + step - 1) / step;
    const int h = (photo.height() + step - 1) / step;
    std::vector<Pixel> grid(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = photo.constScanLine(y * step);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = row + 3 * std::size_t(x * step);
            grid[std::size_t(y) * std::size_t(w) + std::size_t(x)] = {p[0], p[1], p[2]};
        }
    }

    // Blocks and their smoothness.
    const int side = std::clamp(std::min(w, h) / 50, 6, 24);
    struct Block {
        double b, g, r;
        double spread;
        int x0, y0, x1, y1;
    };
    std::vector<Block> blocks;
    for (int y0 = 0; y0 < h; y0 += side) {
        for (int x0 = 0; x0 < w; x0 += side) {
            Block k{0, 0, 0, 0, x0, y0, std::min(w, x0 + side), std::min(h, y0 + side)};
            const double n = double(k.x1 - k.x0) * double(k.y1 - k.y0);
            for (int y = k.y0; y < k.y1; ++y)
                for (int x = k.x0; x < k.x1; ++x) {
                    const Pixel& p = grid[std::size_t(y) * std::size_t(w) + std::size_t(x)];
                    k.b += p.b;
                    k.g += p.g;
                    k.r += p.r;
                }
            k.b /= n;
            k.g /= n;
            k.r /= n;
            for (int y = k.y0; y < k.y1; ++y)
                for (int x = k.x0; x < k.x1; ++x) {
                    const Pixel& p = grid[std::size_t(y) * std::size_t(w) + std::size_t(x)];
                    k.spread += std::abs(p.b - k.b) + std::abs(p.g - k.g) + std::abs(p.r - k.r);
                }
            k.spread /= n;
            blocks.push_back(k);
        }
    }
    std::sort(blocks.begin(), blocks.end(), [](const Block& a, const Block& b) { return a.spread < b.spread; });
    blocks.resize(std::max<std::size_t>(1, std::size_t(double(blocks.size()) * skyBlockShare)));

    // Sky samples: the smooth blocks at 10, 50 and 90 % of their brightness.
    std::vector<Pixel> skyColours;
    for (const Block& k : blocks)
        skyColours.push_back({int(std::lround(k.b)), int(std::lround(k.g)), int(std::lround(k.r))});
    std::sort(skyColours.begin(), skyColours.end(),
              [](const Pixel& a, const Pixel& b) { return a.brightness() < b.brightness(); });
    const double skyAt[3] = {0.1, 0.5, 0.9};
    std::array<Pixel, 3> sky{};
    for (int i = 0; i < 3; ++i) {
        const Pixel& p = skyColours[std::min(skyColours.size() - 1, std::size_t(skyAt[i] * double(skyColours.size())))];
        sky[std::size_t(i)] = p;
        chosen.sky[std::size_t(i)] = triple(p.b, p.g, p.r);
    }
    auto nearestSky = [&](const Pixel& p) {
        int best = 0;
        for (int i = 1; i < 3; ++i)
            if (distance(p, sky[std::size_t(i)]) < distance(p, sky[std::size_t(best)]))
                best = i;
        return best;
    };

    // The sky's own spread around its samples: noise, gradient, JPEG blocks.
    std::vector<int> skyDistances;
    for (const Block& k : blocks)
        for (int y = k.y0; y < k.y1; ++y)
            for (int x = k.x0; x < k.x1; ++x) {
                const Pixel& p = grid[std::size_t(y) * std::size_t(w) + std::size_t(x)];
                skyDistances.push_back(distance(p, sky[std::size_t(nearestSky(p))]));
            }
    const auto at90 = skyDistances.begin() + std::ptrdiff_t(skyDistances.size() * 9 / 10);
    std::nth_element(skyDistances.begin(), at90, skyDistances.end());
    const int cut = std::max(leastBirdDistance, int(std::lround(spreadFactor * *at90)));

    std::size_t candidates = 0;
    std::vector<Pixel> dark, light;
    for (const Pixel& p : grid) {
        const Pixel& s = sky[std::size_t(nearestSky(p))];
        const int d = distance(p, s);
        if (d <= cut)
            continue;
        ++candidates;
        if (2 * d > 3 * cut)
            (p.brightness() < s.brightness() ? dark : light).push_back(p);
    }
    const std::size_t clearest = dark.size() + light.size();
    if (candidates < leastCandidates || double(candidates) < leastCandidateShare * double(grid.size())
        || clearest == 0) {
        chosen.birds = chosen.sky;
        return chosen;
    }
    chosen.split = true;
    auto byBrightness = [](const Pixel& a, const Pixel& b) { return a.brightness() < b.brightness(); };
    std::sort(dark.begin(), dark.end(), byBrightness);
    std::sort(light.begin(), light.end(), byBrightness);
    const bool bothSides = double(std::min(dark.size(), light.size())) >= fairShare * double(clearest);
    if (!bothSides) {
        const std::vector<Pixel>& side = dark.size() >= light.size() ? dark : light;
        chosen.birds = {sliceColour(side, 0.25), sliceColour(side, 0.5), sliceColour(side, 0.75)};
    } else {
        const bool darkLarger = dark.size() >= light.size();
        const std::vector<Pixel>& larger = darkLarger ? dark : light;
        const std::vector<Pixel>& smaller = darkLarger ? light : dark;
        chosen.birds = {sliceColour(larger, 0.3), sliceColour(larger, 0.7), sliceColour(smaller, 0.5)};
    }
    return chosen;
}
