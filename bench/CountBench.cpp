// The whole count of the default flock after its separation, and each of its
// stages alone on the same document.
#include "BenchSupport.h"

#include "core/Classification.h"
#include "core/Count.h"
#include "core/Groups.h"
#include "core/Overlay.h"
#include "core/SizeCurve.h"

#include <benchmark/benchmark.h>

namespace {

Document countedFlock()
{
    Document doc = bench::defaultFlock(true);
    countBirds(doc, QStringLiteral("auto"));
    doc.log.clear();
    return doc;
}

void BM_CountBirds(benchmark::State& state)
{
    Document doc = bench::defaultFlock(true);
    for (auto _ : state) {
        countBirds(doc, QStringLiteral("auto"));
        doc.log.clear();
        benchmark::DoNotOptimize(doc.groupCount);
    }
    state.counters["groups"] = doc.groupCount;
}

void BM_CountDetect(benchmark::State& state)
{
    Document doc = countedFlock();
    for (auto _ : state) {
        DetectGroups(doc);
        doc.log.clear();
    }
}

void BM_CountClassify(benchmark::State& state)
{
    Document doc = countedFlock();
    for (auto _ : state) {
        ClassifyGroups(doc, true);
        benchmark::DoNotOptimize(doc.binCounts);
    }
}

void BM_CountCurve(benchmark::State& state)
{
    Document doc = countedFlock();
    for (auto _ : state) {
        doc.curveSmoothed = false;
        DrawSizeCurve(doc);
        benchmark::DoNotOptimize(doc.curvePicture.constBits());
    }
}

void BM_CountOverlay(benchmark::State& state)
{
    Document doc = countedFlock();
    for (auto _ : state) {
        doc.blackShown = false;
        toggleBlackOverlayWithFrames(doc);
        benchmark::DoNotOptimize(doc.displayedPhoto.constBits());
    }
}

} // namespace

BENCHMARK(BM_CountBirds)->Name("Count/countBirds")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountDetect)->Name("Count/DetectGroups")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountClassify)->Name("Count/ClassifyGroups")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountCurve)->Name("Count/DrawSizeCurve")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountOverlay)->Name("Count/overlay")->Unit(benchmark::kMicrosecond);
