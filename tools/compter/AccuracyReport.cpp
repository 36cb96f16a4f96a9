// ornival-precision: runs the batch counter over the shipped flocks and sets
// each count, by the window's rule and by the estimate, against the flock's
// true number of birds.
#include "BatchCount.h"

#include "core/OrnivalError.h"
#include "files/BmpFile.h"
#include "files/SampleSetFile.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Flock {
    QString photo;
    int truth = -1;  // -1: no truth file
};

// The truth file beside a photo: same name, ".txt"; its first line is the
// number of birds.
int readTruth(const QString& photo)
{
    const QFileInfo info(photo);
    try {
        const QStringList lines = splitLines(readWholeFile(info.dir().filePath(info.completeBaseName() + ".txt")));
        bool ok = false;
        const int n = lines.value(0).trimmed().toInt(&ok);
        return ok && n >= 0 ? n : -1;
    } catch (const OrnivalError&) {
        return -1;
    }
}

QString percent(std::int64_t counted, int truth)
{
    if (truth <= 0)
        return QStringLiteral("-");
    return QString::asprintf("%+.1f", 100.0 * double(counted - truth) / double(truth));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() > 1 || (args.size() == 1 && args[0].startsWith('-'))) {
        std::fputs("Utilisation : ornival-precision [DOSSIER_DATA]\n"
                   "Compte chaque troupeau livré (DOSSIER_DATA/*.jpg avec les échantillons d'usine\n"
                   "DOSSIER_DATA/ornival0.ini, DOSSIER_DATA/flocks/*/*.jpg avec le ornival.ini de leur dossier)\n"
                   "par la règle de la fenêtre et par l'estimation, et donne l'écart de chacun au vrai nombre\n"
                   "d'oiseaux (fichier .txt de même nom).\n",
                   stderr);
        return 2;
    }
    const QDir data(QFileInfo(args.value(0, QStringLiteral("data"))).absoluteFilePath());
    // The default flock with the factory set, then each extra flock with the
    // sample set shipped in its folder (the factory set when it has none).
    std::vector<std::pair<QStringList, QString>> batches;
    auto photosIn = [](const QDir& folder) {
        QStringList photos;
        for (const QString& name : folder.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
            photos << folder.filePath(name);
        return photos;
    };
    const QString factorySet = data.filePath(QStringLiteral("ornival0.ini"));
    batches.emplace_back(photosIn(data), factorySet);
    const QDir flocks(data.filePath(QStringLiteral("flocks")));
    for (const QString& name : flocks.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir folder(flocks.filePath(name));
        const QString own = folder.filePath(QStringLiteral("ornival.ini"));
        batches.emplace_back(photosIn(folder), QFileInfo::exists(own) ? own : factorySet);
    }
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<PhotoResult> results;
    for (const auto& [photos, samplesPath] : batches) {
        if (photos.isEmpty())
            continue;
        SampleSet samples;
        try {
            samples = readSampleSetFile(samplesPath);
        } catch (const OrnivalError& error) {
            std::fprintf(stderr, "ornival-precision : %s\n", error.text().toUtf8().constData());
            return 2;
        }
        // One count gives both rules: the estimate works on the same groups.
        countPhotos(planJobs(photos, {}, false), samples, CountOptions{}, threads,
                    [&](const PhotoResult& r) { results.push_back(r); });
    }
    if (results.empty()) {
        std::fprintf(stderr, "ornival-precision : aucun troupeau dans %s\n", qPrintable(data.path()));
        return 2;
    }

    // Widths counted in characters, not bytes: the texts carry accents.
    auto line = [](const QStringList& cells) {
        static const int widths[] = {-34, 6, 8, 8, 11, 8, 12};
        QString text;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const int w = widths[std::min<qsizetype>(i, 6)];
            text += (w < 0 ? cells[i].leftJustified(-w) : cells[i].rightJustified(w)) + QLatin1Char(' ');
        }
        std::printf("%s\n", text.trimmed().toUtf8().constData());
    };
    line({QStringLiteral("troupeau"), QStringLiteral("vrai"), QStringLiteral("fenêtre"), QStringLiteral("écart %"),
          QStringLiteral("estimation"), QStringLiteral("écart %"), QStringLiteral("taille type")});
    bool failed = false;
    int withinFive = 0, judged = 0;
    for (const PhotoResult& r : results) {
        const int truth = readTruth(r.file);
        const QString name = data.relativeFilePath(QFileInfo(r.file).absoluteFilePath());
        if (!r.counted || truth < 0) {
            failed = true;
            line({name, r.counted ? QStringLiteral("pas de fichier de vérité") : r.error});
            continue;
        }
        ++judged;
        if (std::abs(r.estimate.total - truth) * 100 <= 5 * truth)
            ++withinFive;
        line({name, QString::number(truth), QString::number(r.total), percent(r.total, truth),
              QString::number(r.estimate.total), percent(r.estimate.total, truth),
              QString::number(r.estimate.typicalSize)});
    }
    std::printf("estimation à 5 %% près : %d troupeau(x) sur %d\n", withinFive, judged);
    return failed ? 1 : 0;
}
