// The window's handler path on a large flock, offscreen: "Séparer les
// oiseaux", "Compter les oiseaux", the repaint of the photo that follows each,
// and a zoom or scroll step of the photo view. Each figure is printed as a ratio
// to its budget (150 ms for a handler or its repaint, a 60 Hz frame for a zoom
// or scroll step) and beside a plain copy of the photo's bytes timed in the
// same run, which tells how busy the machine was.
//   ornival_window_bench [--photo=FILE] [Google Benchmark options]
//   ornival_window_bench --one-use=FILE   (one whole use, for a peak-memory measure)
#include "files/PhotoFile.h"
#include "tools/Flocks.h"
#include "ui/Main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

QString photoPath;
QString workFolder;

// The window, shown, with the photo loaded through "Charger un fichier jpg"
// and the sample set of its folder. One window serves every benchmark (Google
// Benchmark calls each one several times), brought back to the whole photo.
std::unique_ptr<Tornvl> window;

Tornvl* openWindow()
{
    if (!window) {
        QDir::setCurrent(workFolder);
        window = std::make_unique<Tornvl>();
        window->show();
        // The window is exposed only once its events are handled; until then a
        // repaint draws nothing.
        for (int i = 0; i < 10 && !window->windowHandle()->isExposed(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        window->photoChooser = [](QWidget*) { return photoPath; };
        window->ChargerClick();
    }
    window->Image1->showWholePhoto();
    window->Image1->repaint();
    return window.get();
}

void BM_Separation(benchmark::State& state)
{
    Tornvl* w = openWindow();
    for (auto _ : state)
        w->creer_bmpClick();
    state.counters["Mpixels"] = w->doc.photoWidth * double(w->doc.photoHeight) / 1e6;
}

void BM_SeparationRepaint(benchmark::State& state)
{
    Tornvl* w = openWindow();
    for (auto _ : state) {
        state.PauseTiming();
        w->creer_bmpClick();
        state.ResumeTiming();
        w->Image1->repaint();
    }
}

void BM_Count(benchmark::State& state)
{
    Tornvl* w = openWindow();
    w->creer_bmpClick();
    for (auto _ : state) {
        state.PauseTiming();
        w->doc.log.clear();
        w->refresh();
        state.ResumeTiming();
        w->OrnivalClick();
    }
    state.counters["groups"] = w->doc.groupCount;
}

void BM_CountRepaint(benchmark::State& state)
{
    Tornvl* w = openWindow();
    w->creer_bmpClick();
    for (auto _ : state) {
        state.PauseTiming();
        w->OrnivalClick();
        state.ResumeTiming();
        w->Image1->repaint();
    }
}

// Steps between fit and about 150 %, each followed by its repaint.
void BM_ZoomStep(benchmark::State& state)
{
    Tornvl* w = openWindow();
    w->creer_bmpClick();
    w->OrnivalClick();
    w->Image1->repaint();  // the halved copies exist from here on
    const QPoint at(400, 300);
    int step = 0;
    for (auto _ : state) {
        const bool in = (step++ / 8) % 2 == 0;
        w->Image1->zoomAbout(in ? 1.25 : 0.8, at);
        w->Image1->repaint();
    }
}

void BM_ScrollStep(benchmark::State& state)
{
    Tornvl* w = openWindow();
    w->creer_bmpClick();
    w->OrnivalClick();
    w->Image1->zoomAbout(1.0 / w->Image1->viewport().zoom(), {});
    w->Image1->repaint();
    int step = 0;
    for (auto _ : state) {
        const int d = (step++ / 20) % 2 == 0 ? 40 : -40;
        w->Image1->scrollBy({d, d});
        w->Image1->repaint();
    }
}

// The baseline: one plain copy of the displayed photo's bytes.
void BM_PhotoCopy(benchmark::State& state)
{
    Tornvl* w = openWindow();
    const QImage& photo = w->doc.displayedPhoto;
    std::vector<uchar> copy(std::size_t(photo.sizeInBytes()));
    for (auto _ : state) {
        std::memcpy(copy.data(), photo.constBits(), copy.size());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_PhotoCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Separation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SeparationRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Count)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollStep)->Unit(benchmark::kMillisecond);

class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (run.run_type == Run::RT_Iteration && !medians.count(run.run_name.function_name))
                single[run.run_name.function_name] = seconds;
            else if (run.aggregate_name == "median")
                medians[run.run_name.function_name] = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double seconds(const std::string& name) const
    {
        const auto m = medians.find(name);
        if (m != medians.end())
            return m->second;
        const auto s = single.find(name);
        return s == single.end() ? 0 : s->second;
    }
    std::map<std::string, double> medians, single;
};

// One whole use: load, separate, count, repaint, zoom in and scroll.
int oneUse()
{
    Tornvl* w = openWindow();
    w->creer_bmpClick();
    w->Image1->repaint();
    w->OrnivalClick();
    w->Image1->repaint();
    for (int i = 0; i < 12; ++i) {
        w->Image1->zoomAbout(1.25, {400, 300});
        w->Image1->repaint();
    }
    w->Image1->scrollBy({500, 500});
    w->Image1->repaint();
    std::printf("%d x %d, %d groups, %s birds\n", w->doc.photoWidth, w->doc.photoHeight, w->doc.groupCount,
                qPrintable(w->doc.totalText));
    return w->doc.workflowStep == 3 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QTemporaryDir folder;
    workFolder = folder.path();
    bool once = false;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--photo=", 8) == 0) {
            photoPath = QFileInfo(QString::fromLocal8Bit(argv[i] + 8)).absoluteFilePath();
        } else if (std::strncmp(argv[i], "--one-use=", 10) == 0) {
            photoPath = QFileInfo(QString::fromLocal8Bit(argv[i] + 10)).absoluteFilePath();
            once = true;
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (photoPath.isEmpty()) {
        // A 24-Mpixel flock made by the project's own tool.
        std::fprintf(stderr, "making a 6000 x 4000 flock...\n");
        if (!makeLargeFlock(QDir(workFolder), 6000, 4000))
            return 1;
        photoPath = QDir(workFolder).filePath(QStringLiteral("grand vol.jpg"));
    }
    // The photo's own sample set when it has one, the factory set otherwise.
    const QDir photoFolder = QFileInfo(photoPath).dir();
    for (const char* name : {"ornival.ini", "blocs_couleurs.bmp"}) {
        QFile::remove(QDir(workFolder).filePath(name));
        QFile::copy(photoFolder.filePath(name), QDir(workFolder).filePath(name));
    }
    QFile::copy(QStringLiteral(ORNIVAL_SOURCE_DIR "/data/fleche.bmp"), QDir(workFolder).filePath("fleche.bmp"));
    if (once) {
        const int status = oneUse();
        window.reset();
        return status;
    }

    int count = int(rest.size());
    benchmark::Initialize(&count, rest.data());
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    window.reset();  // before the application goes

    const double copy = reporter.seconds("BM_PhotoCopy");
    struct Figure {
        const char* name;
        double budget;
    };
    const Figure figures[] = {{"BM_Separation", 0.150}, {"BM_SeparationRepaint", 0.150}, {"BM_Count", 0.150},
                              {"BM_CountRepaint", 0.150}, {"BM_ZoomStep", 1.0 / 60}, {"BM_ScrollStep", 1.0 / 60}};
    std::printf("\n%-22s %10s %10s %10s %14s\n", "figure", "ms", "budget ms", "ratio", "x photo copy");
    bool met = true;
    for (const Figure& f : figures) {
        const double s = reporter.seconds(f.name);
        met = met && s > 0 && s <= f.budget;  // a figure not measured is no figure met
        std::printf("%-22s %10.2f %10.2f %10.3f %14.2f\n", f.name, 1e3 * s, 1e3 * f.budget, s / f.budget,
                    copy > 0 ? s / copy : 0.0);
    }
    std::printf("photo copy (baseline): %.2f ms\nSUMMARY: %s\n", 1e3 * copy, met ? "every budget met" : "a budget is missed");
    return 0;
}
