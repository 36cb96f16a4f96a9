// Runs the benchmarks with Google Benchmark's own options, keeps the time of
// every repetition, then prints each figure beside its baseline of the same run
// as a ratio (medians of the repetitions) and one summary line.
#include "BenchSupport.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    RecordingReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (run.run_type == Run::RT_Iteration)
                bench::recordIteration(run.run_name.str(), seconds);
            else if (run.aggregate_name == "median")
                bench::recordMedian(run.run_name.str(), seconds);
            // Counters too, as NAME#COUNTER (the median's are the medians of the repetitions).
            for (const auto& [counter, value] : run.counters) {
                const std::string name = run.run_name.str() + "#" + counter;
                if (run.run_type == Run::RT_Iteration)
                    bench::recordIteration(name, value.value);
                else if (run.aggregate_name == "median")
                    bench::recordMedian(name, value.value);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

struct Target {
    std::string label;
    std::string subject;
    std::string baseline;  // empty: the subject against a fixed time
    double baselineSeconds;
    double limit;
};

std::vector<Target> targets()
{
    std::vector<Target> list{
        {"separation", "Separation/separateRow", "Separation/reference", 0, 0.15},
    };
    // Scattered groups must be far quicker than the library; the comb (one run
    // per tooth and row) and the noise (runs of one or two cells) less so.
    for (const bench::MaskKind& kind : bench::maskKinds()) {
        const std::string prefix = std::string("Detect/") + kind.name;
        const bool scattered = std::string(kind.name) == "flock" || std::string(kind.name) == "denseFlock";
        list.push_back({std::string("detect-") + kind.name, prefix + "/DetectGroups", prefix + "/OpenCV", 0,
                        scattered ? 0.25 : 0.35});
    }
    list.push_back({"BuildMask", "BuildMask/BuildMask", "BuildMask/memcpy", 0, 3.0});
    list.push_back({"jpeg", "Jpeg/decodeJpegFile", "Jpeg/libjpeg", 0, 1.05});
    // However thin its scans, a file decodes in not much more than a common
    // progressive photo of its size (itself near 3 times a baseline one), and
    // one past the work bound is refused within twice a baseline decode.
    list.push_back({"jpeg-thin-scans", "JpegWork/thin scans at the bound", "JpegWork/progressive", 0, 1.5});
    list.push_back({"jpeg-refused", "JpegWork/thin scans past the bound", "JpegWork/baseline", 0, 2.0});
    // "Well under a 60 Hz frame": at most half of one.
    list.push_back({"count/frame", "Count/countBirds", "", 1.0 / 60, 0.5});
    for (const char* size : {"0.48MP", "12MP", "48MP"}) {
        const std::string prefix = std::string("Photo/") + size;
        list.push_back({std::string("photo-") + size, prefix + "/countPhoto", prefix + "/floor", 0, 1.6});
    }
    // The kernel's share of a photo's CPU time, as a fraction.
    for (const char* size : {"0.48MP", "12MP", "48MP"})
        list.push_back({std::string("kernel-") + size, std::string("Photo/") + size + "/countPhoto#kernel%", "",
                        100, 0.10});
    list.push_back({"annotation", "Photo/0.48MP/countPhoto+annotation", "Photo/0.48MP/countPhoto", 0, 2.0});
    return list;
}

void printSummary()
{
    std::printf("\nRatios (medians of the repetitions, CPU time, same run):\n");
    std::string line = "SUMMARY:";
    int met = 0, missed = 0;
    for (const Target& t : targets()) {
        const double subject = bench::medianSeconds(t.subject);
        const double baseline = t.baseline.empty() ? t.baselineSeconds : bench::medianSeconds(t.baseline);
        if (!bench::measured(t.subject) || baseline <= 0 || (subject <= 0 && t.baseline.size())) {
            std::printf("  %-18s not measured (%s)\n", t.label.c_str(),
                        subject <= 0 ? t.subject.c_str() : t.baseline.c_str());
            line += " " + t.label + " n/a;";
            continue;
        }
        const double ratio = subject / baseline;
        const bool ok = ratio <= t.limit;
        (ok ? met : missed)++;
        if (t.label.rfind("kernel-", 0) == 0)
            std::printf("  %-18s %9.1f %% of the CPU time               (target <= %.0f %%: %s)\n", t.label.c_str(),
                        subject, 100 * t.limit, ok ? "met" : "MISSED");
        else
            std::printf("  %-18s %9.1f us / %9.1f us = %6.3f  (target <= %.2f: %s)\n", t.label.c_str(),
                        subject * 1e6, baseline * 1e6, ratio, t.limit, ok ? "met" : "MISSED");
        char piece[96];
        std::snprintf(piece, sizeof piece, " %s %.3f %s;", t.label.c_str(), ratio, ok ? "ok" : "MISSED");
        line += piece;
    }
    const double whole = bench::medianSeconds("Count/countBirds");
    if (whole > 0) {
        std::printf("\nShare of each stage in countBirds (%.1f us):\n", whole * 1e6);
        double stages = 0;
        for (const char* stage : {"DetectGroups", "ClassifyGroups", "DrawSizeCurve", "overlay"}) {
            const double t = bench::medianSeconds(std::string("Count/") + stage);
            stages += t;
            std::printf("  %-16s %9.1f us  %5.1f %%\n", stage, t * 1e6, 100 * t / whole);
        }
        std::printf("  %-16s %9.1f us  %5.1f %%\n", "rest", (whole - stages) * 1e6, 100 * (whole - stages) / whole);
    }
    std::printf("\nDetection against OpenCV's BBDT variant (same run):\n");
    for (const bench::MaskKind& kind : bench::maskKinds()) {
        const std::string prefix = std::string("Detect/") + kind.name;
        const double subject = bench::medianSeconds(prefix + "/DetectGroups");
        const double bbdt = bench::medianSeconds(prefix + "/OpenCV-BBDT");
        if (subject > 0 && bbdt > 0)
            std::printf("  %-12s %9.1f us / %9.1f us = %6.3f\n", kind.name, subject * 1e6, bbdt * 1e6, subject / bbdt);
    }
    const double reference = bench::medianSeconds("Separation/reference");
    if (reference > 0) {
        std::printf("\nAgainst the plain distance loop (%.1f us):\n", reference * 1e6);
        for (const char* name : {"sse2", "avx2", "separateBirds"}) {
            const double t = bench::medianSeconds(std::string("Separation/") + name);
            if (t > 0)
                std::printf("  %-16s %9.1f us  %6.3f\n", name, t * 1e6, t / reference);
        }
    }
    std::printf("\n%s %d met, %d missed\n", line.c_str(), met, missed);
}

} // namespace

int main(int argc, char** argv)
{
    // Text is drawn on pictures during the count.
    QGuiApplication app(argc, argv);
#ifndef ORNIVAL_HAVE_OPENCV
    std::printf("OpenCV is not installed: the detection baselines are skipped\n");
#endif
    // --write-masks=FOLDER saves the four detection masks as PNG files, to look at.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--write-masks=", 0) == 0) {
            const QString folder = QString::fromLocal8Bit(arg.substr(14).c_str());
            for (const bench::MaskKind& kind : bench::maskKinds())
                kind.make().save(folder + QLatin1Char('/') + QLatin1String(kind.name) + QStringLiteral(".png"));
            return 0;
        }
    }
    // --write-photos=FOLDER makes the flock photos of the batch benchmark there.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--write-photos=", 0) == 0) {
            const QString folder = QString::fromLocal8Bit(arg.substr(15).c_str());
            for (const QSize size : {QSize(800, 600), QSize(4000, 3000), QSize(8000, 6000)})
                std::printf("%s\n", qPrintable(bench::flockPhoto(size.width(), size.height(), folder)));
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printSummary();
    return 0;
}
