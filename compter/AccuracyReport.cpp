// ornival-precision: runs the batch counter over the shipped flocks and sets
// each count, by the window's rule and by the estimate, against the flock's
// true number of birds.
#include "BatchCount.h"

#include "core/OrnivalError.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

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
    const bool help = args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"));
    if (help || args.size() > 1 || (args.size() == 1 && args[0].startsWith('-'))) {
        std::fputs("Utilisation : ornival-precision [DOSSIER_DATA]\n"
                   "Compte chaque troupeau livré (DOSSIER_DATA/*.jpg avec les échantillons d'usine\n"
                   "DOSSIER_DATA/ornival0.ini, DOSSIER_DATA/flocks/*/*.jpg avec le ornival.ini de leur dossier)\n"
                   "par la règle de la fenêtre et par l'estimation, et donne l'écart de chacun au vrai nombre\n"
                   "d'oiseaux (fichier .txt de même nom). Par défaut DOSSIER_DATA est le dossier data du\n"
                   "dossier courant ou, s'il n'y en a pas, les fichiers installés (PREFIX/share/ornival).\n"
                   "\n"
                   "Options :\n"
                   "  -h, --help   affiche cette aide\n"
                   "\n"
                   "Code de retour : 0 si chaque troupeau est compté, 1 si un troupeau n'a pu être compté\n"
                   "ou n'a pas de fichier de vérité, 2 s'il n'y a aucun troupeau ou pas d'échantillons.\n",
                   help ? stdout : stderr);
        return help ? 0 : 2;
    }
    // Without a folder: the source tree's data/, else the installed files
    // beside PREFIX/bin.
    QString folder = args.value(0, QStringLiteral("data"));
    if (args.isEmpty() && !QFileInfo(folder).isDir())
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/ornival");
    const QDir data(QFileInfo(folder).absoluteFilePath());
    // One count gives both rules: the estimate works on the same groups.
    std::vector<PhotoResult> results;
    for (const ShippedFlock& flock : findShippedFlocks(data.path())) {
        SampleSet samples;
        try {
            samples = readSampleSetFile(flock.samples);
        } catch (const OrnivalError& error) {
            std::fprintf(stderr, "ornival-precision : %s\n", error.text().toUtf8().constData());
            return 2;
        }
        results.push_back(countPhoto(planJobs({flock.photo}, {}, false).front(), samples, CountOptions{}));
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
