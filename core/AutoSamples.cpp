#include "AutoSamples.h"

#include "Estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// At most about this many pixels are looked at: a larger photo is read on a
// grid of every k-th pixel of every k-th row.
constexpr double sampledPixels = 2.0e6;
// The smoothest share of the blocks shows the sky's noise.
constexpr double skyBlockShare = 0.4;
// A candidate stands this many times the noise's 90th percentile (and at
// least leastBirdDistance) apart from the sky behind it.
constexpr double spreadFactor = 2.5;
constexpr int leastBirdDistance = 40;
// A core pixel of a side is more than this share as far from the sky behind
// it as the side's clearest tenth.
constexpr double coreShare = 0.6;
// Each side must hold this share of the core pixels to get a sample.
constexpr double fairShare = 0.08;
// Fewer candidates than this share of the pixels (and than a small bird)
// means a blank sky.
constexpr double leastCandidateShare = 0.0002;
constexpr std::size_t leastCandidates = 12;
// A patch of candidates larger than this many typical birds is a stretch of
// ground, a crack or a cloud edge, not a clump of birds.
constexpr double largestClump = 8.0;

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

// The per-channel median of `colours` (reordered).
Pixel medianColour(std::vector<Pixel>& colours)
{
    Pixel m{};
    const auto middle = std::ptrdiff_t(colours.size() / 2);
    for (int Pixel::*channel : {&Pixel::b, &Pixel::g, &Pixel::r}) {
        std::nth_element(colours.begin(), colours.begin() + middle, colours.end(),
                         [channel](const Pixel& a, const Pixel& b) { return a.*channel < b.*channel; });
        m.*channel = colours[std::size_t(middle)].*channel;
    }
    return m;
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
    auto at = [&](int x, int y) -> const Pixel& { return grid[std::size_t(y) * std::size_t(w) + std::size_t(x)]; };

    // Blocks: their mean colour, their smoothness and their median colour.
    const int side = std::clamp(std::min(w, h) / 50, 6, 24);
    const int bw = (w + side - 1) / side;
    const int bh = (h + side - 1) / side;
    struct Block {
        double b = 0, g = 0, r = 0;
        double spread = 0;
        Pixel median{};
        Pixel background{};
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };
    std::vector<Block> blocks(std::size_t(bw) * std::size_t(bh));
    std::vector<Pixel> colours;
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            Block& k = blocks[std::size_t(by) * std::size_t(bw) + std::size_t(bx)];
            k.x0 = bx * side;
            k.y0 = by * side;
            k.x1 = std::min(w, k.x0 + side);
            k.y1 = std::min(h, k.y0 + side);
            colours.clear();
            for (int y = k.y0; y < k.y1; ++y)
                for (int x = k.x0; x < k.x1; ++x) {
                    const Pixel& p = at(x, y);
                    k.b += p.b;
                    k.g += p.g;
                    k.r += p.r;
                    colours.push_back(p);
                }
            const double n = double(colours.size());
            k.b /= n;
            k.g /= n;
            k.r /= n;
            for (const Pixel& p : colours)
                k.spread += std::abs(p.b - k.b) + std::abs(p.g - k.g) + std::abs(p.r - k.r);
            k.spread /= n;
            k.median = medianColour(colours);
        }
    }
    // The sky behind each block: the median of the medians of the block and
    // its eight neighbours, so a bird filling a block does not hide itself,
    // while a gradient or a cloud is followed.
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            colours.clear();
            for (int ny = std::max(0, by - 1); ny <= std::min(bh - 1, by + 1); ++ny)
                for (int nx = std::max(0, bx - 1); nx <= std::min(bw - 1, bx + 1); ++nx)
                    colours.push_back(blocks[std::size_t(ny) * std::size_t(bw) + std::size_t(nx)].median);
            blocks[std::size_t(by) * std::size_t(bw) + std::size_t(bx)].background = medianColour(colours);
        }
    auto background = [&](int x, int y) -> const Pixel& {
        return blocks[std::size_t(y / side) * std::size_t(bw) + std::size_t(x / side)].background;
    };

    std::vector<const Block*> smooth;
    for (const Block& k : blocks)
        smooth.push_back(&k);
    std::sort(smooth.begin(), smooth.end(), [](const Block* a, const Block* b) { return a->spread < b->spread; });
    smooth.resize(std::max<std::size_t>(1, std::size_t(double(smooth.size()) * skyBlockShare)));

    // Sky samples: the sky behind the blocks at 10, 50 and 90 % of its order
    // by brightness, so a gradient, clouds or a lighter stretch of ground are
    // covered.
    std::vector<Pixel> skyColours;
    for (const Block& k : blocks)
        skyColours.push_back(k.background);
    std::sort(skyColours.begin(), skyColours.end(),
              [](const Pixel& a, const Pixel& b) { return a.brightness() < b.brightness(); });
    const double skyAt[3] = {0.1, 0.5, 0.9};
    for (int i = 0; i < 3; ++i) {
        const Pixel& p = skyColours[std::min(skyColours.size() - 1, std::size_t(skyAt[i] * double(skyColours.size())))];
        chosen.sky[std::size_t(i)] = triple(p.b, p.g, p.r);
    }

    auto skyDistance = [&](const Pixel& p) {
        int best = 1000;
        for (const ColorTriple& t : chosen.sky)
            best = std::min(best, distance(p, {t.rgbtBlue, t.rgbtGreen, t.rgbtRed}));
        return best;
    };

    // The sky's own spread around the sky behind it: noise and JPEG blocks.
    std::vector<int> skyDistances;
    for (const Block* k : smooth)
        for (int y = k->y0; y < k->y1; ++y)
            for (int x = k->x0; x < k->x1; ++x)
                skyDistances.push_back(distance(at(x, y), k->background));
    const auto at90 = skyDistances.begin() + std::ptrdiff_t(skyDistances.size() * 9 / 10);
    std::nth_element(skyDistances.begin(), at90, skyDistances.end());
    const int noiseCut = int(std::lround(spreadFactor * *at90));
    const int cut = std::max(leastBirdDistance, noiseCut);
    // The sky's spread around its samples (noise, gradient, clouds), at least
    // the noise's.
    std::vector<int> fromSamples;
    for (const Block* k : smooth)
        for (int y = k->y0; y < k->y1; ++y)
            for (int x = k->x0; x < k->x1; ++x)
                fromSamples.push_back(skyDistance(at(x, y)));
    const auto samples90 = fromSamples.begin() + std::ptrdiff_t(fromSamples.size() * 9 / 10);
    std::nth_element(fromSamples.begin(), samples90, fromSamples.end());
    const int skySpread = std::max(*samples90, noiseCut);

    // Candidates: pixels standing apart from the sky behind them.
    std::vector<std::uint8_t> candidate(grid.size(), 0);
    std::size_t candidates = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (distance(at(x, y), background(x, y)) > cut) {
                candidate[std::size_t(y) * std::size_t(w) + std::size_t(x)] = 1;
                ++candidates;
            }

    // Their 8-connected patches, each candidate's flag cleared as a patch takes
    // it; only the patches of the size of a bird or a small clump of birds give
    // bird samples.
    std::vector<std::vector<std::size_t>> patches;
    std::vector<std::size_t> work;
    for (std::size_t start = 0; start < grid.size(); ++start) {
        if (!candidate[start])
            continue;
        patches.emplace_back();
        std::vector<std::size_t>& patch = patches.back();
        candidate[start] = 0;
        work.assign(1, start);
        while (!work.empty()) {
            const std::size_t i = work.back();
            work.pop_back();
            patch.push_back(i);
            const int x = int(i % std::size_t(w));
            const int y = int(i / std::size_t(w));
            for (int ny = std::max(0, y - 1); ny <= std::min(h - 1, y + 1); ++ny)
                for (int nx = std::max(0, x - 1); nx <= std::min(w - 1, x + 1); ++nx) {
                    const std::size_t j = std::size_t(ny) * std::size_t(w) + std::size_t(nx);
                    if (candidate[j]) {
                        candidate[j] = 0;
                        work.push_back(j);
                    }
                }
        }
    }
    std::vector<std::int32_t> sizes;
    for (const auto& patch : patches)
        if (patch.size() >= 3)
            sizes.push_back(std::int32_t(patch.size()));
    const std::int32_t typical = typicalGroupSize(sizes);
    const double smallest = std::max(3.0, minimumShareOfTypical * typical);
    const double largest = largestClump * typical;

    // The core of those patches, darker or lighter than the sky behind them:
    // the pixels more than coreShare as far from that sky as the side's
    // clearest tenth and 1.5 times the cut, and more than twice the sky's
    // spread from every sky sample (the separation cuts halfway between a
    // bird and a sky sample, so a bird sample nearer the sky would class its
    // ripples as birds); not the blurred rims of the birds, not the ripples.
    struct Far {
        Pixel p;
        int d;
    };
    std::vector<Far> sides[2];  // darker, lighter
    for (const auto& patch : patches) {
        if (double(patch.size()) < smallest || double(patch.size()) > largest)
            continue;
        for (std::size_t i : patch) {
            const Pixel& p = grid[i];
            const Pixel& s = background(int(i % std::size_t(w)), int(i / std::size_t(w)));
            sides[p.brightness() < s.brightness() ? 0 : 1].push_back({p, distance(p, s)});
        }
    }
    std::vector<Pixel> kept[2];
    for (int k = 0; k < 2; ++k) {
        std::vector<Far>& side = sides[k];
        if (side.empty())
            continue;
        const auto at90 = side.begin() + std::ptrdiff_t(side.size() * 9 / 10);
        std::nth_element(side.begin(), at90, side.end(), [](const Far& a, const Far& b) { return a.d < b.d; });
        const int least = std::max(3 * cut / 2, int(coreShare * at90->d));
        for (const Far& f : side)
            if (f.d > least && skyDistance(f.p) > 2 * skySpread)
                kept[k].push_back(f.p);
    }
    std::vector<Pixel>& dark = kept[0];
    std::vector<Pixel>& light = kept[1];
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
    const bool darkLarger = dark.size() >= light.size();
    const std::vector<Pixel>& larger = darkLarger ? dark : light;
    const std::vector<Pixel>& smaller = darkLarger ? light : dark;
    if (double(smaller.size()) < fairShare * double(clearest))
        chosen.birds = {sliceColour(larger, 0.25), sliceColour(larger, 0.5), sliceColour(larger, 0.75)};
    else
        chosen.birds = {sliceColour(larger, 0.3), sliceColour(larger, 0.7), sliceColour(smaller, 0.5)};
    return chosen;
}
