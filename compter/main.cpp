// ornival-compter: counts the birds of many photos into one CSV table.
#include "BatchCount.h"

#include "core/OrnivalError.h"

#include <QDir>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>
#include <thread>

#include <unistd.h>


namespace {

void printError(const QString& text)
{
    std::fprintf(stderr, "ornival-compter : %s\n", text.toUtf8().constData());
}

} // namespace

int main(int argc, char** argv)
{
    keepReleasedMemoryForReuse();
    // The annotated pictures and the core's own pictures carry text, which
    // needs a GUI application's fonts; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    CommandLine cl;
    if (const auto error = parseCommandLine(app.arguments().mid(1), cl)) {
        printError(*error);
        return 2;
    }
    if (cl.help) {
        std::fputs(helpText().toUtf8().constData(), stdout);
        return 0;
    }

    SampleSet samples;
    try {
        if (!cl.options.automaticSamples)
            samples = readSampleSetFile(cl.sampleSetPath);
    } catch (const OrnivalError& error) {
        printError(error.text());
        return 2;
    }

    const std::vector<PhotoJob> jobs = planJobs(cl.inputs, cl.annotationFolder, cl.options.writeWorkBitmap);
    if (!cl.csvPath.isEmpty() && isOneOfThePhotos(cl.csvPath, jobs)) {
        printError(QStringLiteral("--csv : %1 est une des photos, elle ne sera pas écrasée").arg(cl.csvPath));
        return 2;
    }
    if (!cl.annotationFolder.isEmpty() && !QDir().mkpath(cl.annotationFolder)) {
        printError(QStringLiteral("Impossible de créer le dossier %1").arg(cl.annotationFolder));
        return 2;
    }

    // The table goes to its file only once complete: a failed run leaves an
    // earlier table of the same name whole.
    QSaveFile csvFile(cl.csvPath);
    if (!cl.csvPath.isEmpty() && !csvFile.open(QIODevice::WriteOnly)) {
        printError(QStringLiteral("Impossible de créer le fichier %1").arg(cl.csvPath));
        return 2;
    }
    auto write = [&](const QString& line) {
        const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
        if (cl.csvPath.isEmpty()) {
            std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
            std::fflush(stdout);
        } else {
            csvFile.write(bytes);
        }
    };

    write(csvHeader());
    bool anyFailed = false;
    const bool progress = isatty(STDERR_FILENO) == 1;
    const int threads = cl.threads > 0 ? cl.threads : int(std::max(1u, std::thread::hardware_concurrency()));
    countPhotos(
        jobs, samples, cl.options, threads,
        [&](const PhotoResult& result) {
            anyFailed = anyFailed || !result.error.isEmpty();
            write(csvRow(result));
        },
        [&](std::size_t done, std::size_t all) {
            if (progress)
                std::fprintf(stderr, "\r%zu / %zu photos comptées", done, all);
        });
    if (progress)
        std::fputs("\n", stderr);

    if (!cl.csvPath.isEmpty() && !csvFile.commit()) {
        printError(QStringLiteral("Impossible de créer le fichier %1").arg(cl.csvPath));
        return 2;
    }
    return anyFailed ? 1 : 0;
}
