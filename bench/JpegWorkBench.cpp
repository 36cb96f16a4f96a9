// The work bound of the JPEG decoder: a 2048 x 2048 photo whose sound,
// arithmetic-coded scans each hold little data but cover many blocks, as many
// as the bound allows and past it, against a baseline photo of the same size.
#include "core/OrnivalError.h"
#include "files/PhotoFile.h"
#include "tools/JpegMaking.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int side = 2048;

// The DC of all components, then luma coefficients 1 to lumaBands each in one
// scan per bit from the eleventh down to the last (bitsPerBand scans), then
// both chroma components whole. On 4:2:0 the luma has 4 of the picture's 6
// blocks, so 13 one-scan bands read every block 1 + 13 x 4/6 + 2/6 = 10 times.
std::vector<jpeg_scan_info> thinScans(int lumaBands, int bitsPerBand)
{
    std::vector<jpeg_scan_info> scans{scanOf({0, 1, 2}, 0, 0, 0, 0)};
    for (int k = 1; k <= lumaBands; ++k)
        for (int bit = bitsPerBand - 1; bit >= 0; --bit)
            scans.push_back(scanOf({0}, k, k, bit == bitsPerBand - 1 ? 0 : bit + 1, bit));
    scans.push_back(scanOf({1}, 1, 63, 0, 0));
    scans.push_back(scanOf({2}, 1, 63, 0, 0));
    return scans;
}

enum class Coding { Baseline, Progressive, ArithmeticScans };

QByteArray encode(Coding coding, std::vector<jpeg_scan_info> scans = {})
{
    auto setUp = [&](jpeg_compress_struct& cinfo) {
        if (coding == Coding::Progressive)
            jpeg_simple_progression(&cinfo);
        if (coding == Coding::ArithmeticScans) {
            cinfo.arith_code = TRUE;
            cinfo.scan_info = scans.data();
            cinfo.num_scans = int(scans.size());
        }
    };
    // Sky with soft gradients and a fixed grain, like a photo of a flock.
    std::uint32_t grain = 12345;
    auto fill = [&](int y, unsigned char* row) {
        for (int x = 0; x < side; ++x) {
            grain = grain * 1103515245u + 12345u;
            const int g = int((grain >> 16) & 15);
            row[std::size_t(3 * x)] = (unsigned char)(90 + x / 32 + g);
            row[std::size_t(3 * x + 1)] = (unsigned char)(140 + y / 32 + g);
            row[std::size_t(3 * x + 2)] = (unsigned char)(200 + g);
        }
    };
    return compressJpeg(side, side, 3, JCS_RGB, setUp, fill);
}

void decode(benchmark::State& state, const QByteArray& bytes, bool refused)
{
    const JpegLimits limits{side, side};
    for (auto _ : state) {
        try {
            const QImage photo = decodeJpeg(bytes, limits);
            benchmark::DoNotOptimize(photo.constBits());
            if (refused)
                state.SkipWithError("the file past the bound was decoded");
        } catch (const OrnivalError&) {
            if (!refused)
                state.SkipWithError("the file within the bound was refused");
        }
    }
}

void BM_Baseline(benchmark::State& state)
{
    static const QByteArray bytes = encode(Coding::Baseline);
    decode(state, bytes, false);
}

// The ten scans of a common progressive photo, for comparison.
void BM_Progressive(benchmark::State& state)
{
    static const QByteArray bytes = encode(Coding::Progressive);
    decode(state, bytes, false);
}

void BM_ThinScansWithinBound(benchmark::State& state)
{
    static const QByteArray bytes = encode(Coding::ArithmeticScans, thinScans(13, 1));
    decode(state, bytes, false);
}

// 63 x 11 luma scans, 696 in all: fully decoded before the bound.
void BM_ThinScansPastBound(benchmark::State& state)
{
    static const QByteArray bytes = encode(Coding::ArithmeticScans, thinScans(63, 11));
    decode(state, bytes, true);
}

} // namespace

BENCHMARK(BM_Baseline)->Name("JpegWork/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Progressive)->Name("JpegWork/progressive")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThinScansWithinBound)->Name("JpegWork/thin scans at the bound")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThinScansPastBound)->Name("JpegWork/thin scans past the bound")->Unit(benchmark::kMillisecond);
