// ornival-precision: counts flocks whose true number of birds is known and
// sets each count, by the window's rule and by the estimate, against it.
#include "BatchCount.h"

#include "core/Count.h"
#include "core/OrnivalError.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const char* const usage =
    "Utilisation : ornival-precision [--taille-mini N|auto] [--echantillons auto|DOSSIER] [DOSSIER]\n"
    "Compte chaque troupeau de DOSSIER par la règle de la fenêtre (seuil auto) et par l'estimation,\n"
    "et donne l'écart de chacun au vrai nombre d'oiseaux, avec la taille mini et la taille type.\n"
    "- Un DOSSIER qui a un truth.csv (une ligne fichier,oiseaux par photo) donne ses photos,\n"
    "  chacune avec le fichier d'échantillons NOM.ini de même nom, pris dans le DOSSIER\n"
    "  d'--echantillons ou, sans lui, à côté de la photo.\n"
    "- Sinon c'est le dossier des troupeaux livrés : DOSSIER/*.jpg avec les échantillons d'usine\n"
    "  DOSSIER/ornival0.ini, DOSSIER/flocks/*/*.jpg avec le ornival.ini de leur dossier, le vrai\n"
    "  nombre dans le fichier .txt de même nom. Par défaut DOSSIER est le dossier data du dossier\n"
    "  courant ou, s'il n'y en a pas, les fichiers installés (PREFIX/share/ornival).\n"
    "\n"
    "Options :\n"
    "  --taille-mini N|auto     taille mini d'un groupe, comme le champ « Taille mini » de la\n"
    "                           fenêtre (par défaut 3)\n"
    "  --echantillons auto      échantillons choisis dans chaque photo elle-même\n"
    "  --echantillons DOSSIER   dossier des NOM.ini d'un dossier à truth.csv\n"
    "  -h, --help               affiche cette aide\n"
    "\n"
    "Code de retour : 0 si chaque troupeau est compté, 1 si un troupeau n'a pu être compté\n"
    "ou n'a pas de fichier de vérité, 2 s'il n'y a aucun troupeau, pas d'échantillons ou une\n"
    "ligne de commande fausse.\n";

QString percent(std::int64_t counted, int truth)
{
    if (truth <= 0)
        return QStringLiteral("-");
    return QString::asprintf("%+.1f", 100.0 * double(counted - truth) / double(truth));
}

int fail(const QString& text)
{
    std::fprintf(stderr, "ornival-precision : %s\n", text.toUtf8().constData());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    CountOptions options;
    QString samplesFolder;
    QString folderArgument;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == QLatin1String("--taille-mini") || a == QLatin1String("--echantillons")) && i + 1 < args.size()) {
            const QString v = args[++i];
            if (a == QLatin1String("--echantillons")) {
                options.automaticSamples = v == QLatin1String("auto");
                samplesFolder = options.automaticSamples ? QString() : v;
                continue;
            }
            try {
                minimumSizeFromText(v);
            } catch (const OrnivalError& error) {
                return fail(QStringLiteral("--taille-mini : %1").arg(error.text()));
            }
            options.minimumSizeText = v;
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(usage, stdout);
            return 0;
        } else if (!a.startsWith(QLatin1Char('-')) && folderArgument.isEmpty()) {
            folderArgument = a;
        } else {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    // Without a folder: the source tree's data/, else the installed files
    // beside PREFIX/bin.
    QString folder = folderArgument.isEmpty() ? QStringLiteral("data") : folderArgument;
    if (folderArgument.isEmpty() && !QFileInfo(folder).isDir())
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/ornival");
    const QDir data(QFileInfo(folder).absoluteFilePath());

    std::vector<ShippedFlock> flocks;
    try {
        flocks = readPhotoFolder(data.path(), samplesFolder.isEmpty() ? data.path() : samplesFolder);
    } catch (const OrnivalError& error) {
        return fail(error.text());
    }
    const bool photoFolder = !flocks.empty();
    if (!photoFolder)
        flocks = findShippedFlocks(data.path());
    if (flocks.empty())
        return fail(QStringLiteral("aucun troupeau dans %1").arg(data.path()));

    // One count gives both rules: the estimate works on the same groups.
    std::vector<PhotoResult> results;
    for (const ShippedFlock& flock : flocks) {
        SampleSet samples;
        if (!options.automaticSamples) {
            try {
                samples = readSampleSetFile(flock.samples);
            } catch (const OrnivalError& error) {
                return fail(error.text());
            }
        }
        results.push_back(countPhoto(planJobs({flock.photo}, {}, false).front(), samples, options));
    }

    // The flock's name to the left, then the figures to the right of their
    // columns; widths counted in characters, not bytes: the texts carry accents.
    auto line = [](const QStringList& cells) {
        static const int widths[] = {34, 6, 8, 8, 11, 8, 12, 12};
        QString text = cells[0].leftJustified(widths[0]);
        for (qsizetype i = 1; i < cells.size(); ++i)
            text += QLatin1Char(' ') + cells[i].rightJustified(widths[std::min<qsizetype>(i, 7)]);
        std::printf("%s\n", text.trimmed().toUtf8().constData());
    };
    std::printf("taille mini : %s ; échantillons : %s\n", qPrintable(options.minimumSizeText),
                options.automaticSamples ? "auto"
                : photoFolder            ? qPrintable(QStringLiteral("NOM.ini de %1")
                                                          .arg(samplesFolder.isEmpty() ? data.path() : samplesFolder))
                                         : "ceux de chaque dossier");
    line({QStringLiteral("troupeau"), QStringLiteral("vrai"), QStringLiteral("fenêtre"), QStringLiteral("écart %"),
          QStringLiteral("estimation"), QStringLiteral("écart %"), QStringLiteral("taille mini"),
          QStringLiteral("taille type")});
    bool failed = false;
    int withinFive = 0, judged = 0;
    std::int64_t allTruth = 0, allWindow = 0, allEstimate = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const PhotoResult& r = results[i];
        const int truth = flocks[i].truth >= 0 ? flocks[i].truth : readTruth(r.file);
        const QString name = data.relativeFilePath(QFileInfo(r.file).absoluteFilePath());
        if (!r.counted || truth < 0) {
            failed = true;
            line({name, r.counted ? QStringLiteral("pas de fichier de vérité") : r.error});
            continue;
        }
        ++judged;
        if (std::abs(r.estimate.total - truth) * 100 <= 5 * truth)
            ++withinFive;
        allTruth += truth;
        allWindow += r.total;
        allEstimate += r.estimate.total;
        line({name, QString::number(truth), QString::number(r.total), percent(r.total, truth),
              QString::number(r.estimate.total), percent(r.estimate.total, truth), QString::number(r.minGroupSize),
              QString::number(r.estimate.typicalSize)});
    }
    line({QStringLiteral("en tout"), QString::number(allTruth), QString::number(allWindow),
          percent(allWindow, int(allTruth)), QString::number(allEstimate), percent(allEstimate, int(allTruth))});
    std::printf("estimation à 5 %% près : %d troupeau(x) sur %d\n", withinFive, judged);
    return failed ? 1 : 0;
}
