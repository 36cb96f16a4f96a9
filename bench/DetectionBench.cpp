// DetectGroups (block copy, scan, fills) on four masks against OpenCV's
// connected components with statistics, 8-connectivity, one thread.
#include "BenchSupport.h"

#include "core/Groups.h"

#include <benchmark/benchmark.h>

#ifdef ORNIVAL_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

// Components of 3 cells or more in the mask as OpenCV sees it; -1 without OpenCV.
int openCvGroups(const Document& doc)
{
#ifdef ORNIVAL_HAVE_OPENCV
    const cv::Mat mask(doc.photoHeight, doc.photoWidth, CV_8U, const_cast<std::uint8_t*>(doc.groupMaskCopy.data()),
                       std::size_t(doc.maskColumns));
    cv::Mat labels, stats, centroids;
    const int n = cv::connectedComponentsWithStats(mask == 255, labels, stats, centroids, 8, CV_32S);
    int groups = 0;
    for (int i = 1; i < n; ++i)
        groups += stats.at<int>(i, cv::CC_STAT_AREA) > 2;
    return groups;
#else
    (void)doc;
    return -1;
#endif
}

void BM_DetectGroups(benchmark::State& state, const bench::MaskKind& kind)
{
    Document doc = bench::maskDocument(kind.make());
    DetectGroups(doc);
    const int expected = openCvGroups(doc);
    if (expected >= 0 && expected != doc.groupCount) {
        state.SkipWithError("DetectGroups and OpenCV find different groups");
        return;
    }
    for (auto _ : state) {
        DetectGroups(doc);
        doc.log.clear();
        benchmark::DoNotOptimize(doc.groupCount);
    }
    state.counters["groups"] = doc.groupCount;
}

#ifdef ORNIVAL_HAVE_OPENCV
void BM_OpenCv(benchmark::State& state, const bench::MaskKind& kind, int algorithm)
{
    cv::setNumThreads(1);
    const Document doc = bench::maskDocument(kind.make());
    // The same cells: 255 is a bird cell, 0 not (the masks hold no other value).
    const cv::Mat mask(doc.photoHeight, doc.photoWidth, CV_8U, const_cast<std::uint8_t*>(doc.groupMaskCopy.data()),
                       std::size_t(doc.maskColumns));
    cv::Mat labels, stats, centroids;
    int n = 0;
    for (auto _ : state) {
        n = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S, algorithm);
        benchmark::DoNotOptimize(labels.data);
        benchmark::DoNotOptimize(stats.data);
    }
    state.counters["components"] = n - 1;
}
#endif

[[maybe_unused]] const bool registered = [] {
    for (const bench::MaskKind& kind : bench::maskKinds()) {
        benchmark::RegisterBenchmark((std::string("Detect/") + kind.name + "/DetectGroups").c_str(), BM_DetectGroups,
                                     kind)
            ->Unit(benchmark::kMicrosecond);
#ifdef ORNIVAL_HAVE_OPENCV
        benchmark::RegisterBenchmark((std::string("Detect/") + kind.name + "/OpenCV").c_str(), BM_OpenCv, kind,
                                     int(cv::CCL_DEFAULT))
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("Detect/") + kind.name + "/OpenCV-BBDT").c_str(), BM_OpenCv, kind,
                                     int(cv::CCL_BBDT))
            ->Unit(benchmark::kMicrosecond);
#endif
    }
    return true;
}();

} // namespace
