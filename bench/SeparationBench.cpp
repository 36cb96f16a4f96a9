// The separation's distance pass against a plain scalar loop, and BuildMask
// against a plain copy of the working bitmap's bytes.
#include "BenchSupport.h"

#include "core/Groups.h"
#include "core/Separation.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The rule written plainly: three bird and three sky distances per pixel, a
// tie is sky.
void referenceRow(const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
                  const std::array<ColorTriple, 3>& sky, std::uint8_t* bird)
{
    for (int x = 0; x < count; ++x) {
        const int b = bgr[3 * x], g = bgr[3 * x + 1], r = bgr[3 * x + 2];
        int birdDistance = 1000;
        int skyDistance = 1000;
        for (std::size_t i = 0; i < 3; ++i) {
            const ColorTriple& s = birds[i];
            birdDistance = std::min(birdDistance,
                                    std::abs(r - s.rgbtRed) + std::abs(g - s.rgbtGreen) + std::abs(b - s.rgbtBlue));
            const ColorTriple& t = sky[i];
            skyDistance = std::min(skyDistance,
                                   std::abs(r - t.rgbtRed) + std::abs(g - t.rgbtGreen) + std::abs(b - t.rgbtBlue));
        }
        bird[x] = birdDistance < skyDistance ? 1 : 0;
    }
}

using RowFunction = void (*)(const std::uint8_t*, int, const std::array<ColorTriple, 3>&,
                             const std::array<ColorTriple, 3>&, std::uint8_t*);

void classifyPhoto(const Document& doc, RowFunction row, std::vector<std::uint8_t>& out)
{
    const QImage& photo = doc.photoJpeg;
    const int width = photo.width();
    for (int y = 0; y < photo.height(); ++y)
        row(photo.constScanLine(y), width, doc.pixo, doc.pixno, out.data() + std::size_t(y) * std::size_t(width));
}

void separationPass(benchmark::State& state, RowFunction row)
{
    const Document doc = bench::defaultFlock(false);
    std::vector<std::uint8_t> out(std::size_t(doc.photoWidth) * std::size_t(doc.photoHeight));
    std::vector<std::uint8_t> expected(out.size());
    classifyPhoto(doc, referenceRow, expected);
    classifyPhoto(doc, row, out);
    if (out != expected) {
        state.SkipWithError("the pass differs from the plain loop");
        return;
    }
    for (auto _ : state) {
        classifyPhoto(doc, row, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(out.size()));
}

void BM_SeparationReference(benchmark::State& state)
{
    separationPass(state, referenceRow);
}

void BM_SeparationRow(benchmark::State& state)
{
    separationPass(state, separateRow);
}

template <RowKernel kernel>
void kernelRow(const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
               const std::array<ColorTriple, 3>& sky, std::uint8_t* bird)
{
    separateRowWith(kernel, bgr, count, birds, sky, bird);
}

template <RowKernel kernel>
void BM_SeparationKernel(benchmark::State& state)
{
    std::uint8_t probe[3] = {}, out[1];
    if (!separateRowWith(kernel, probe, 1, {}, {}, out)) {
        state.SkipWithError("this processor or build has no such kernel");
        return;
    }
    separationPass(state, kernelRow<kernel>);
}

// The whole button: display redrawn, pixels classed, display blackened,
// working bitmap written, group mask built.
void BM_SeparateBirds(benchmark::State& state)
{
    Document doc = bench::defaultFlock(false);
    for (auto _ : state) {
        separateBirds(doc, [] {});
        benchmark::DoNotOptimize(doc.groupMaskCopy.data());
    }
}

Document buildMaskDocument()
{
    Document doc = bench::defaultFlock(true);
    return doc;
}

void BM_BuildMask(benchmark::State& state)
{
    Document doc = buildMaskDocument();
    for (auto _ : state) {
        BuildMask(doc, doc.photoWidth, doc.photoHeight);
        benchmark::DoNotOptimize(doc.groupMaskCopy.data());
        benchmark::ClobberMemory();
    }
}

void BM_BuildMaskCopyBaseline(benchmark::State& state)
{
    const Document doc = buildMaskDocument();
    const QImage& bitmap = doc.workBitmap;
    const std::size_t bytes = std::size_t(bitmap.sizeInBytes());
    std::vector<std::uint8_t> out(bytes);
    for (auto _ : state) {
        std::memcpy(out.data(), bitmap.constBits(), bytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes));
}

} // namespace

BENCHMARK(BM_SeparationReference)->Name("Separation/reference")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeparationRow)->Name("Separation/separateRow")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeparationKernel<RowKernel::sse2>)->Name("Separation/sse2")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeparationKernel<RowKernel::avx2>)->Name("Separation/avx2")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeparateBirds)->Name("Separation/separateBirds")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildMask)->Name("BuildMask/BuildMask")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildMaskCopyBaseline)->Name("BuildMask/memcpy")->Unit(benchmark::kMicrosecond);
