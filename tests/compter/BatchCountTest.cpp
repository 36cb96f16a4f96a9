#include "CompterTestSupport.h"

#include "core/OrnivalError.h"
#include "core/Separation.h"
#include "compter/BatchCount.h"

#include <QTemporaryDir>

using namespace toolstest;

namespace {

// A folder of photos of several sizes, one damaged, and the shipped flocks.
class MixedPhotos : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        writeFile(dir.filePath("samples.ini"), syntheticSamples());
        int i = 0;
        for (auto [w, h, birds] : {std::tuple{300, 200, 12}, std::tuple{640, 480, 60}, std::tuple{900, 700, 150},
                                   std::tuple{120, 90, 1}, std::tuple{800, 600, 90}}) {
            const QString name = dir.filePath(QStringLiteral("p%1.jpg").arg(i++));
            writeFile(name, syntheticFlock(w, h, birds));
            photos << name;
        }
        writeFile(dir.filePath("broken.jpg"), "not a photo");
        photos.insert(2, dir.filePath("broken.jpg"));
        photos << shippedFlocks();
    }
    QTemporaryDir dir;
    QStringList photos;
};

} // namespace

TEST_F(MixedPhotos, EveryPhotoCountsAsInTheWindowPathWithItsSizeLimitRaised)
{
    const SampleSet samples = readSampleSetFile(dir.filePath("samples.ini"));
    for (const QString& photo : photos) {
        SCOPED_TRACE(photo.toStdString());
        for (const QString& threshold : {QStringLiteral("auto"), QStringLiteral("150"), QStringLiteral("0")}) {
            CountOptions options;
            options.thresholdText = threshold;
            PhotoJob job;
            job.path = photo;
            const PhotoResult r = countPhoto(job, samples, options);
            if (photo.endsWith("broken.jpg")) {
                EXPECT_FALSE(r.counted);
                EXPECT_FALSE(r.error.isEmpty());
                continue;
            }
            const WindowCount w = countAsTheWindow(photo, dir.filePath("samples.ini"), threshold,
                                                   JpegLimits{batchMaxPhotoSide, batchMaxPhotoSide});
            ASSERT_TRUE(r.counted) << r.error.toStdString();
            EXPECT_EQ(r.error, QString());
            EXPECT_EQ(r.width, w.width);
            EXPECT_EQ(r.height, w.height);
            EXPECT_EQ(r.groupCount, w.groupCount);
            EXPECT_EQ(r.twoBirdThreshold, w.twoBirdThreshold);
            EXPECT_EQ(r.binCounts, w.binCounts);
            EXPECT_EQ(QString::number(r.total), w.totalText);
            EXPECT_EQ(r.groupSizes, w.groupSizes);
        }
    }
}

TEST(BatchCount, SampleSetFileIsReadLikeTheWindowReadsIt)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QByteArray bytes;
        ColorTriple firstBird, lastSky;
    } cases[] = {
        {"canonical", syntheticSamples(), {25, 20, 20}, {240, 180, 130}},
        {"lf_only", QByteArray(syntheticSamples()).replace("\r\n", "\n"), {25, 20, 20}, {240, 180, 130}},
        {"short", "header\n1,2,3\n", {3, 2, 1}, {0, 0, 0}},
        {"empty", "", {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.name);
        writeFile(path, c.bytes);
        const SampleSet s = readSampleSetFile(path);
        EXPECT_EQ(s.pixo[0], c.firstBird);
        EXPECT_EQ(s.pixno[2], c.lastSky);
    }
    // Missing, and 100 MB (sparse): refused before anything is read.
    QFile huge(dir.filePath("huge.ini"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(100LL << 20));
    huge.close();
    for (const char* name : {"none.ini", "huge.ini"}) {
        try {
            readSampleSetFile(dir.filePath(name));
            ADD_FAILURE() << name << " must be refused";
        } catch (const OrnivalError& error) {
            EXPECT_EQ(error.text(), "Impossible d'ouvrir le fichier " + dir.filePath(name));
        }
    }
}

TEST(BatchCount, FoldersGiveTheirPhotosInNameOrderAndEmptyFoldersAnErrorRow)
{
    QTemporaryDir dir;
    QDir d(dir.path());
    for (const char* name : {"b.JPG", "a.jpg", "c.jpeg", "notes.txt", "d.png"})
        writeFile(d.filePath(name), "x");
    d.mkdir("e.jpg");  // a folder named like a photo: kept, to fail in its row
    d.mkdir("empty");
    const std::vector<PhotoJob> jobs = planJobs({dir.path(), d.filePath("empty"), d.filePath("missing.jpg")}, {}, false);
    QStringList paths;
    for (const PhotoJob& j : jobs)
        paths << j.path;
    EXPECT_EQ(paths, QStringList({d.filePath("a.jpg"), d.filePath("b.JPG"), d.filePath("c.jpeg"), d.filePath("e.jpg"),
                                  d.filePath("empty"), d.filePath("missing.jpg")}));
    EXPECT_EQ(jobs[4].refusal, "Aucune photo JPG dans le dossier " + d.filePath("empty"));
    for (std::size_t i : {0u, 1u, 2u, 3u, 5u})
        EXPECT_TRUE(jobs[i].refusal.isEmpty());
    const PhotoResult folderRow = countPhoto(jobs[3], SampleSet{}, CountOptions{});
    EXPECT_EQ(folderRow.error, "Impossible d'ouvrir le fichier " + d.filePath("e.jpg"));
}

TEST(BatchCount, OutputNamesFollowTheRulesAndNeverNameAPhoto)
{
    QTemporaryDir dir;
    QDir d(dir.path());
    d.mkdir("x");
    d.mkdir("y");
    d.mkdir("out");
    // A JPG named .bmp and a JPG inside the annotation folder named .png.
    for (const char* name : {"x/vol.jpg", "y/vol.jpg", "photo.jpeg", "IMG.JPG", "trap.bmp", "out/trap2.png"})
        writeFile(d.filePath(name), "x");
    const std::vector<PhotoJob> jobs = planJobs({d.filePath("x/vol.jpg"), d.filePath("y/vol.jpg"), d.filePath("photo.jpeg"),
                                                 d.filePath("IMG.JPG"), d.filePath("trap.bmp"), d.filePath("trap2.jpg"),
                                                 d.filePath("out/trap2.png")},
                                                d.filePath("out"), true);
    ASSERT_EQ(jobs.size(), 7u);
    EXPECT_EQ(jobs[0].annotationPath, d.filePath("out/vol.png"));
    EXPECT_EQ(jobs[1].annotationPath, d.filePath("out/vol (2).png"));
    EXPECT_EQ(jobs[0].workBitmapPath, d.filePath("x/vol.bmp"));
    EXPECT_EQ(jobs[2].workBitmapPath, d.filePath("photo..bmp"));
    EXPECT_EQ(jobs[3].workBitmapPath, d.filePath("IMG.bmp"));
    // trap.bmp would be its own working bitmap; trap2.jpg's picture would be
    // out/trap2.png, which is a photo of the run; both outputs are refused.
    EXPECT_TRUE(jobs[4].workBitmapPath.isEmpty());
    ASSERT_EQ(jobs[4].outputRefusals.size(), 1);
    EXPECT_TRUE(jobs[4].outputRefusals[0].contains("trap.bmp"));
    EXPECT_TRUE(jobs[5].annotationPath.isEmpty());
    EXPECT_EQ(jobs[5].outputRefusals.size(), 1);
    EXPECT_TRUE(isOneOfThePhotos(d.filePath("x/../photo.jpeg"), jobs));
    EXPECT_FALSE(isOneOfThePhotos(d.filePath("table.csv"), jobs));
}

TEST(BatchCount, CsvFieldsAreQuotedOnlyWhenNeeded)
{
    struct Case {
        QString in, out;
    } cases[] = {{"vol.jpg", "vol.jpg"},
                 {"vol de cigognes.jpg", "vol de cigognes.jpg"},
                 {"a,b.jpg", "\"a,b.jpg\""},
                 {"dit \"x\"", "\"dit \"\"x\"\"\""},
                 {"ligne\nsuite", "\"ligne\nsuite\""},
                 {" blanc", "\" blanc\""},
                 {"", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        EXPECT_EQ(csvField(c.in), c.out);
        EXPECT_EQ(csvFields(csvField(c.in)), QStringList{c.in});
    }
}

TEST(BatchCount, CommandLinesAreCheckedBeforeAnyPhoto)
{
    struct Case {
        QStringList args;
        QString error;  // empty: accepted
    } cases[] = {
        {{"a.jpg"}, {}},
        {{"--seuil", "42", "--jobs", "3", "--estimer", "--bmp", "--annoter", "out", "--csv", "t.csv", "a.jpg"}, {}},
        {{"--seuil=-5", "--jobs=1", "--", "--odd.jpg"}, {}},
        {{"--help"}, {}},
        {{}, "Aucune photo à compter (voir --help)"},
        {{"--vite", "a.jpg"}, "Option inconnue : --vite (voir --help)"},
        {{"a.jpg", "--jobs"}, "L'option --jobs demande une valeur"},
        {{"--jobs", "0", "a.jpg"}, "--jobs : '0' n'est pas un nombre de tâches de 1 à 256"},
        {{"--jobs", "deux", "a.jpg"}, "--jobs : 'deux' n'est pas un nombre de tâches de 1 à 256"},
        {{"--seuil", "Auto", "a.jpg"},
         "--seuil : 'Auto' n'est pas une valeur entière correcte (auto ou un nombre entier)"},
        {{"--seuil", "12px", "a.jpg"},
         "--seuil : '12px' n'est pas une valeur entière correcte (auto ou un nombre entier)"},
        {{"--csv", "", "a.jpg"}, "L'option --csv demande une valeur"},
        {{"--bmp=oui", "a.jpg"}, "L'option --bmp ne prend pas de valeur"},
        {{"--taille-mini", "auto", "--taille-mini=3", "--echantillons", "auto", "a.jpg"}, {}},
        {{"--taille-mini", "0", "a.jpg"},
         "--taille-mini : '0' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto"},
        {{"--taille-mini", "-4", "a.jpg"},
         "--taille-mini : '-4' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto"},
        {{"--taille-mini", "abc", "a.jpg"}, "--taille-mini : 'abc' n'est pas une valeur entière correcte"},
        {{"--taille-mini", "99999999999", "a.jpg"},
         "--taille-mini : '99999999999' n'est pas une valeur entière correcte"},
        {{"a.jpg", "--taille-mini"}, "L'option --taille-mini demande une valeur"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        CommandLine cl;
        const auto error = parseCommandLine(c.args, cl);
        EXPECT_EQ(error.value_or(QString()), c.error);
    }
    CommandLine cl;
    ASSERT_FALSE(parseCommandLine({"--seuil=-5", "--jobs=1", "--", "--odd.jpg", "b.jpg"}, cl));
    EXPECT_EQ(cl.options.thresholdText, "-5");
    EXPECT_EQ(cl.threads, 1);
    EXPECT_EQ(cl.inputs, QStringList({"--odd.jpg", "b.jpg"}));
    EXPECT_EQ(cl.sampleSetPath, "ornival.ini");
    EXPECT_EQ(cl.options.minimumSizeText, "3");
    EXPECT_FALSE(cl.options.automaticSamples);
    ASSERT_FALSE(parseCommandLine({"--taille-mini=auto", "--echantillons=auto", "b.jpg"}, cl));
    EXPECT_EQ(cl.options.minimumSizeText, "auto");
    EXPECT_TRUE(cl.options.automaticSamples);
}

// Samples chosen from each photo: on the shipped flocks (sky, sea, greys,
// cut by the edges, two tones of storks) the estimate with the automatic
// minimum lands within 15 % of the truth, and the samples used are in the
// row. The two-tone gulls are left out: their white bodies are as light as
// the bottom of their sky, so only the wings are sampled.
TEST(BatchCount, AutomaticSamplesCountTheShippedFlocks)
{
    CountOptions options;
    options.automaticSamples = true;
    options.minimumSizeText = QStringLiteral("auto");
    options.rule = CountRule::Estimate;
    for (const ShippedFlock& flock : shippedFlockSets()) {
        if (flock.photo.contains(QLatin1String("goelands")))
            continue;
        SCOPED_TRACE(flock.photo.toStdString());
        const int truth = readTruth(flock.photo);
        const PhotoResult r = countPhoto(planJobs({flock.photo}, {}, false).front(), {}, options);
        ASSERT_TRUE(r.counted) << r.error.toStdString();
        EXPECT_LE(std::abs(r.estimate.total - truth) * 100, 15 * truth) << "estimated " << r.estimate.total;
        EXPECT_NE(colorDistance(r.samples.pixo[0], r.samples.pixno[1]), 0);
    }
}

// A blank sky (a gradient with noise, no bird) has no split: 0 birds, no
// error, the sky samples standing for the birds too.
TEST(BatchCount, AutomaticSamplesOfABlankSkyCountNoBird)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("ciel.jpg"), syntheticFlock(500, 400, 0));
    CountOptions options;
    options.automaticSamples = true;
    const PhotoResult r = countPhoto(planJobs({dir.filePath("ciel.jpg")}, {}, false).front(), {}, options);
    ASSERT_TRUE(r.counted);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.total, 0);
    EXPECT_EQ(r.groupCount, 0);
    EXPECT_EQ(r.samples.pixo, r.samples.pixno);
}
