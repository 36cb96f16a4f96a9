#include "CompterTestSupport.h"

#include "files/BmpFile.h"
#include "compter/BatchCount.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTemporaryDir>

#include <cstdlib>
#include <map>

using namespace toolstest;

namespace {

// Every file under `root` with a digest of its bytes, to show what a run wrote.
std::map<QString, QByteArray> snapshot(const QString& root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[path] = QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256);
    }
    return files;
}

void expectRowMatchesWindow(const QStringList& row, const WindowCount& w)
{
    ASSERT_EQ(row.size(), ColumnCount);
    ASSERT_TRUE(w.loaded);
    EXPECT_EQ(row[Width].toInt(), w.width);
    EXPECT_EQ(row[Height].toInt(), w.height);
    EXPECT_EQ(row[Groups].toInt(), w.groupCount);
    EXPECT_EQ(row[Threshold].toInt(), w.twoBirdThreshold);
    EXPECT_EQ(row[Rule], "seuil");
    const int bins[] = {0, 1, 2, 3, 4, 6};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(row[Bin0 + i].toInt(), w.binCounts[std::size_t(bins[i])]) << "bin " << bins[i];
    EXPECT_EQ(row[Total], w.totalText);
    EXPECT_EQ(row[Error], "");
}

} // namespace

TEST(Compter, CsvOfTheShippedFlocksIsWhatTheWindowCounts)
{
    const std::vector<ShippedFlock> flocks = shippedFlockSets();
    ASSERT_GE(flocks.size(), 5u) << "the shipped flocks are missing";
    for (const auto& [photo, samples, knownTruth] : flocks) {
        SCOPED_TRACE(photo.toStdString());
        const CompterRun run = runCompter({"--echantillons", samples, "--jobs", "2", photo});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(run.out).section('\n', 0, 0), csvHeader());
        const std::vector<QStringList> rows = csvRows(run.out);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][File], photo);
        expectRowMatchesWindow(rows[0], countAsTheWindow(photo, samples));
    }
}

// The estimate gives each clump its number of birds: on every shipped flock,
// with the sample set shipped beside it, it lands within 5 % of the truth
// (10 % on the realistic ones).
TEST(Compter, EstimateOfEveryShippedFlockIsWithinFivePercentOfItsTruth)
{
    const std::vector<ShippedFlock> flocks = shippedFlockSets();
    ASSERT_GE(flocks.size(), 5u) << "the shipped flocks are missing";
    for (const auto& [photo, samples, knownTruth] : flocks) {
        SCOPED_TRACE(photo.toStdString());
        const int truth = readTruth(photo);
        ASSERT_GT(truth, 0);
        const CompterRun run = runCompter({"--echantillons", samples, "--estimer", photo});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const std::vector<QStringList> rows = csvRows(run.out);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][Rule], "estimation");
        const int counted = rows[0][Total].toInt();
        // The realistic flocks (two-tone gulls, white gulls on a dark sea,
        // noise, blur, JPEG of quality 60 to 65) are held to 10 %.
        const int percent = photo.contains(QLatin1String("goelands")) || photo.contains(QLatin1String("mouettes")) ? 10 : 5;
        EXPECT_LE(std::abs(counted - truth) * 100, percent * truth) << "truth " << truth << ", estimated " << counted;
    }
}

TEST(Compter, AnyNumberOfJobsGivesTheOutputOfOneJob)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("s.ini"), syntheticSamples());
    QStringList photos = shippedFlocks();
    for (int i = 0; i < 6; ++i) {
        const QString p = dir.filePath(QStringLiteral("f%1.jpg").arg(i));
        writeFile(p, syntheticFlock(200 + 100 * i, 150 + 80 * i, 5 + 20 * i));
        photos << p;
    }
    photos << dir.filePath("absent.jpg");
    for (const char* rule : {"--seuil=auto", "--estimer"}) {
        SCOPED_TRACE(rule);
        const QStringList args = QStringList{"--echantillons", dir.filePath("s.ini"), rule} + photos + photos;
        const CompterRun one = runCompter(QStringList{"--jobs", "1"} + args);
        EXPECT_EQ(one.exitCode, 1);
        EXPECT_EQ(csvRows(one.out).size(), std::size_t(2 * photos.size()));
        for (const char* jobs : {"2", "3", "7"})
            for (int repeat = 0; repeat < 3; ++repeat) {
                const CompterRun many = runCompter(QStringList{"--jobs", jobs} + args);
                EXPECT_EQ(many.exitCode, 1);
                EXPECT_EQ(many.out, one.out) << jobs << " jobs";
            }
    }
}

TEST(Compter, DamagedPhotosGiveErrorRowsAndTheOthersAreStillCounted)
{
    QTemporaryDir dir;
    QDir d(dir.path());
    d.mkdir("photos");
    writeFile(d.filePath("s.ini"), syntheticSamples());
    const QByteArray good = syntheticFlock(400, 300, 30);
    writeFile(d.filePath("photos/1 bon.jpg"), good);
    writeFile(d.filePath("photos/2 vide.jpg"), "");
    writeFile(d.filePath("photos/3 texte.jpg"), "Ceci n'est pas une photo.\n");
    writeFile(d.filePath("photos/4 tronque.jpg"), good.left(good.size() / 2));
    d.mkdir("photos/5 dossier.jpg");
    writeFile(d.filePath("photos/6 bon.jpg"), good);
    // Too wide for the batch counter's limit, however small the file.
    writeFile(d.filePath("photos/7 large.jpg"), syntheticFlock(batchMaxPhotoSide + 1, 16, 0));
    const auto before = snapshot(dir.path());

    const CompterRun run = runCompter({"--echantillons", d.filePath("s.ini"), d.filePath("photos"), d.filePath("manque.jpg")});
    EXPECT_EQ(run.exitCode, 1);
    const std::vector<QStringList> rows = csvRows(run.out);
    ASSERT_EQ(rows.size(), 8u) << run.out.toStdString();
    struct Expected {
        const char* file;
        QString error;  // a prefix; empty for a counted photo
    } expected[] = {
        {"photos/1 bon.jpg", ""},
        {"photos/2 vide.jpg", "Erreur JPEG #"},
        {"photos/3 texte.jpg", "Erreur JPEG #"},
        {"photos/4 tronque.jpg", "Erreur JPEG #"},
        {"photos/5 dossier.jpg", "Impossible d'ouvrir le fichier " + d.filePath("photos/5 dossier.jpg")},
        {"photos/6 bon.jpg", ""},
        {"photos/7 large.jpg", "Photo trop grande : 10001 x 16 pixels (10000 x 10000 au plus)"},
        {"manque.jpg", "Impossible d'ouvrir le fichier " + d.filePath("manque.jpg")},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].file);
        const QStringList& row = rows[i];
        ASSERT_EQ(row.size(), ColumnCount);
        EXPECT_EQ(row[File], d.filePath(expected[i].file));
        if (expected[i].error.isEmpty()) {
            EXPECT_EQ(row[Error], "");
            EXPECT_EQ(row[Groups], "30");
            EXPECT_EQ(row[Width], "400");
        } else {
            EXPECT_TRUE(row[Error].startsWith(expected[i].error)) << row[Error].toStdString();
            for (int c = Width; c < Error; ++c)
                EXPECT_EQ(row[c], "") << "column " << c;
        }
    }
    // Nothing was written, nothing changed.
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(Compter, ALargePhotoIsCountedAtFullSize)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("s.ini"), syntheticSamples());
    std::vector<DrawnBird> birds;
    writeFile(dir.filePath("grande.jpg"), syntheticFlock(2000, 1500, 1500, &birds));
    ASSERT_EQ(birds.size(), 1500u);
    const CompterRun run = runCompter({"--echantillons", dir.filePath("s.ini"), "--annoter", dir.filePath("png"),
                                dir.filePath("grande.jpg")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::vector<QStringList> rows = csvRows(run.out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][Width], "2000");
    EXPECT_EQ(rows[0][Height], "1500");
    EXPECT_EQ(rows[0][Groups], "1500");
    // The birds lie beyond 800 x 600 too: the mask is the photo's size.
    expectRowMatchesWindow(rows[0], countAsTheWindow(dir.filePath("grande.jpg"), dir.filePath("s.ini"), "auto",
                                                     JpegLimits{batchMaxPhotoSide, batchMaxPhotoSide}));
    const QImage png(dir.filePath("png/grande.png"));
    EXPECT_EQ(png.size(), QSize(2000, 1500));
}

TEST(Compter, WorkBitmapsAndPicturesAreWrittenBesideAndNeverOverAPhoto)
{
    QTemporaryDir dir;
    QDir d(dir.path());
    writeFile(d.filePath("s.ini"), syntheticSamples());
    // Two touching birds make one big group: framed as two birds.
    std::vector<DrawnBird> birds;
    const QByteArray flock = syntheticFlock(400, 300, 20, &birds);
    writeFile(d.filePath("vol.jpeg"), flock);
    writeFile(d.filePath("piege.bmp"), flock);  // a JPG whose working bitmap would be itself
    const QByteArray trapBytes = readFile(d.filePath("piege.bmp"));

    const CompterRun run = runCompter({"--echantillons", d.filePath("s.ini"), "--bmp", "--annoter", d.filePath("preuves"),
                                "--seuil", "150", d.filePath("vol.jpeg"), d.filePath("piege.bmp")});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const std::vector<QStringList> rows = csvRows(run.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][Error], "");
    // The refused output is named in the row, and the photo is still counted.
    EXPECT_EQ(rows[1][Error], d.filePath("piege.bmp") + " est le nom d'une des photos : rien n'y est écrit");
    EXPECT_EQ(rows[1][Groups], rows[0][Groups]);
    EXPECT_EQ(readFile(d.filePath("piege.bmp")), trapBytes);

    // The window's name rule: the last four characters give way to ".bmp".
    const QImage work = readBmpFile(d.filePath("vol..bmp"));
    ASSERT_FALSE(work.isNull());
    EXPECT_EQ(work.size(), QSize(400, 300));
    for (const DrawnBird& b : birds) {
        EXPECT_EQ(qRed(work.pixel(b.x, b.y)), 0) << b.x << "," << b.y;
        EXPECT_EQ(qRed(work.pixel(b.x, b.y - b.ry - 3)), 255);
    }
    const QImage evidence(d.filePath("preuves/vol.png"));
    ASSERT_EQ(evidence.size(), QSize(400, 300));
    // No black overlay: a bird keeps its own (dark, but not black) colour.
    const QColor centre = evidence.pixelColor(birds[5].x, birds[5].y);
    EXPECT_GT(centre.red() + centre.green() + centre.blue(), 30);
    EXPECT_TRUE(QFile::exists(d.filePath("preuves/piege.png")));
}

// The evidence picture: every counted group framed in the colour of its
// number of birds, the specks dropped as too small tinted, the total and the
// legend drawn on white.
TEST(Compter, GroupsAreFramedInTheColourOfTheirBirdsWithALegend)
{
    QTemporaryDir dir;
    QDir d(dir.path());
    writeFile(d.filePath("s.ini"), syntheticSamples());
    std::vector<DrawnBird> birds;
    QImage flock = QImage::fromData(syntheticFlock(400, 300, 20, &birds)).convertToFormat(QImage::Format_RGB32);
    // A speck of 2 x 2 pixels in a free corner: below a minimum of 10.
    const QRgb speck = flock.pixel(birds[0].x, birds[0].y);
    for (int y = 150; y < 152; ++y)
        for (int x = 380; x < 382; ++x)
            flock.setPixel(x, y, speck);
    ASSERT_TRUE(flock.save(d.filePath("vol.jpg"), "JPG", 100));
    struct Case {
        const char* threshold;
        QRgb frame;  // the colour of a group of one bird, or of two
        const char* total;
    } cases[] = {{"0", qRgb(255, 255, 0), "40"}, {"100000", qRgb(0, 208, 0), "20"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.threshold);
        const CompterRun run = runCompter({"--echantillons", d.filePath("s.ini"), "--annoter", d.filePath("p"),
                                           "--seuil", c.threshold, "--taille-mini", "10", d.filePath("vol.jpg")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const std::vector<QStringList> rows = csvRows(run.out);
        EXPECT_EQ(rows[0][Total], c.total);
        EXPECT_EQ(rows[0][MinSize], "10");
        const QImage evidence = QImage(d.filePath("p/vol.png")).convertToFormat(QImage::Format_RGB32);
        for (const DrawnBird& b : birds) {
            int framed = 0;
            for (int y = b.y - b.ry - 3; y <= b.y + b.ry + 3; ++y)
                for (int x = b.x - b.rx - 3; x <= b.x + b.rx + 3; ++x)
                    framed += evidence.pixel(x, y) == c.frame ? 1 : 0;
            EXPECT_GE(framed, 2 * (b.rx + b.ry)) << "frame round " << b.x << "," << b.y;
        }
        // The speck is tinted, not framed: its pixels are no longer the bird's colour.
        EXPECT_NE(evidence.pixel(380, 150), speck);
        EXPECT_NE(evidence.pixel(378, 148), c.frame);
        // The total in the top-left corner and the legend in the bottom-left
        // are black text on white.
        for (const QRect box : {QRect(4, 4, 76, 16), QRect(4, 240, 150, 56)}) {
            int black = 0, white = 0;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x) {
                    black += evidence.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
                    white += evidence.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
                }
            EXPECT_GT(black, 20);
            EXPECT_GT(white, black);
        }
    }
}

TEST(Compter, BadCommandLinesAndSampleSetsStopBeforeAnyPhoto)
{
    QTemporaryDir dir;
    QDir d(dir.path());
    writeFile(d.filePath("vol.jpg"), syntheticFlock(200, 150, 4));
    writeFile(d.filePath("s.ini"), syntheticSamples());
    const auto before = snapshot(dir.path());
    struct Case {
        QStringList args;
        QString message;
    } cases[] = {
        {{"--jobs", "0", "vol.jpg"}, "--jobs : '0' n'est pas un nombre de tâches de 1 à 256"},
        {{"--seuil", "beaucoup", "--csv", "t.csv", "vol.jpg"},
         "--seuil : 'beaucoup' n'est pas une valeur entière correcte (auto ou un nombre entier)"},
        {{"--csv", "t.csv", "vol.jpg"}, "Impossible d'ouvrir le fichier ornival.ini"},
        {{"--echantillons", "s.ini", "--csv", "vol.jpg", "vol.jpg"}, "--csv : vol.jpg est une des photos"},
        {{"--inconnue", "vol.jpg"}, "Option inconnue : --inconnue (voir --help)"},
        {{}, "Aucune photo à compter (voir --help)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CompterRun run = runCompter(c.args, dir.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(QString::fromUtf8(run.err).contains("ornival-compter : " + c.message)) << run.err.toStdString();
        EXPECT_EQ(snapshot(dir.path()), before);
    }
    const CompterRun help = runCompter({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Utilisation : ornival-compter"));
    EXPECT_TRUE(help.out.contains("--estimer"));
}

TEST(Compter, TheTableGoesIntoTheCsvFileWithTheRuleNamed)
{
    QTemporaryDir dir;
    QDir d(dir.path());
    writeFile(d.filePath("s.ini"), syntheticSamples());
    writeFile(d.filePath("vol.jpg"), syntheticFlock(300, 200, 10));
    const CompterRun run = runCompter({"--echantillons", "s.ini", "--estimer", "--csv", "t.csv", "vol.jpg"}, dir.path());
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty());
    const std::vector<QStringList> rows = csvRows(readFile(d.filePath("t.csv")));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][Rule], "estimation");
    EXPECT_EQ(rows[0][Threshold], "");
    EXPECT_GT(rows[0][TypicalSize].toInt(), 100);
    EXPECT_EQ(rows[0][Bin1], "10");
    EXPECT_EQ(rows[0][Total], "10");
}
