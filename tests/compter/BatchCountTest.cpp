#include "CompterTestSupport.h"

#include "core/OrnivalError.h"
#include "core/Separation.h"

using namespace compterest;

namespace {

class BatchCount : public CompterTest {};

} // namespace

// Photos of several sizes, one damaged, and the shipped flocks: each counts as
// the window counts it, with its size limit raised.
TEST_F(BatchCount, EveryPhotoCountsAsInTheWindow)
{
    write("samples.ini", samples());
    QStringList photos;
    for (auto [w, h, birds] : {std::tuple{300, 200, 12}, std::tuple{900, 700, 150}, std::tuple{120, 90, 1}}) {
        photos << path(QStringLiteral("p%1.jpg").arg(w));
        write(photos.last(), flock(w, h, birds));
    }
    for (const ShippedFlock& f : shippedFlocks())
        photos << f.photo;
    const SampleSet set = readSampleSetFile(path("samples.ini"));
    for (const QString& photo : photos) {
        for (const QString threshold : {"auto", "150", "0"}) {
            SCOPED_TRACE((photo + " " + threshold).toStdString());
            CountOptions options;
            options.thresholdText = threshold;
            const PhotoResult r = countPhoto(PhotoJob{photo, {}, {}, {}, {}}, set, options);
            const WindowCount w = countAsTheWindow(photo, path("samples.ini"), threshold);
            ASSERT_TRUE(r.counted) << r.error.toStdString();
            EXPECT_EQ(r.error, QString());
            EXPECT_EQ(QSize(r.width, r.height), QSize(w.width, w.height));
            EXPECT_EQ(r.groupCount, w.groupCount);
            EXPECT_EQ(r.twoBirdThreshold, w.twoBirdThreshold);
            EXPECT_EQ(r.binCounts, w.binCounts);
            EXPECT_EQ(QString::number(r.total), w.totalText);
            EXPECT_EQ(r.groupSizes, w.groupSizes);
        }
    }
    write("broken.jpg", "not a photo");
    const PhotoResult broken = countPhoto(PhotoJob{path("broken.jpg"), {}, {}, {}, {}}, set, CountOptions{});
    EXPECT_FALSE(broken.counted);
    EXPECT_TRUE(broken.error.startsWith("Erreur JPEG #")) << broken.error.toStdString();
}

TEST_F(BatchCount, SampleSetFileIsReadLikeTheWindowReadsIt)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        ColorTriple firstBird, lastSky;
    } cases[] = {
        {"canonical", samples(), {25, 20, 20}, {240, 180, 130}},
        {"lf_only", QByteArray(samples()).replace("\r\n", "\n"), {25, 20, 20}, {240, 180, 130}},
        {"short", "header\n1,2,3\n", {3, 2, 1}, {0, 0, 0}},
        {"empty", "", {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.name, c.bytes);
        const SampleSet s = readSampleSetFile(path(c.name));
        EXPECT_EQ(s.pixo[0], c.firstBird);
        EXPECT_EQ(s.pixno[2], c.lastSky);
    }
    // Missing, and 100 MB (sparse): refused before anything is read.
    QFile huge(path("huge.ini"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(100LL << 20));
    huge.close();
    for (const char* name : {"none.ini", "huge.ini"}) {
        try {
            readSampleSetFile(path(name));
            ADD_FAILURE() << name << " must be refused";
        } catch (const OrnivalError& error) {
            EXPECT_EQ(error.text(), "Impossible d'ouvrir le fichier " + path(name));
        }
    }
}

TEST_F(BatchCount, FoldersGiveTheirPhotosInNameOrderAndEmptyFoldersAnErrorRow)
{
    for (const char* name : {"b.JPG", "a.jpg", "B.jpg", "c.jpeg", "notes.txt", "d.png"})
        write(name, "x");
    QDir(dir.path()).mkdir("e.jpg");  // a folder named like a photo: kept, to fail in its row
    QDir(dir.path()).mkdir("empty");
    const std::vector<PhotoJob> jobs = planJobs({dir.path(), path("empty"), path("missing.jpg")}, {}, false);
    QStringList paths;
    for (const PhotoJob& j : jobs)
        paths << j.path + (j.refusal.isEmpty() ? "" : " | " + j.refusal);
    EXPECT_EQ(paths, QStringList({path("a.jpg"), path("B.jpg"), path("b.JPG"), path("c.jpeg"), path("e.jpg"),
                                  path("empty") + " | Aucune photo JPG dans le dossier " + path("empty"),
                                  path("missing.jpg")}));
    EXPECT_EQ(countPhoto(jobs[4], SampleSet{}, CountOptions{}).error, "Impossible d'ouvrir le fichier " + path("e.jpg"));
}

TEST_F(BatchCount, OutputNamesFollowTheRulesAndNeverNameAPhoto)
{
    for (const char* name : {"x/vol.jpg", "y/vol.jpg", "photo.jpeg", "IMG.JPG", "trap.bmp", "out/trap2.png"})
        write(name, "x");
    const std::vector<PhotoJob> jobs = planJobs({path("x/vol.jpg"), path("y/vol.jpg"), path("photo.jpeg"), path("IMG.JPG"),
                                                 path("trap.bmp"), path("trap2.jpg"), path("out/trap2.png")},
                                                path("out"), true);
    ASSERT_EQ(jobs.size(), 7u);
    EXPECT_EQ(jobs[0].annotationPath, path("out/vol.png"));
    EXPECT_EQ(jobs[1].annotationPath, path("out/vol (2).png"));
    EXPECT_EQ(jobs[0].workBitmapPath, path("x/vol.bmp"));
    EXPECT_EQ(jobs[2].workBitmapPath, path("photo..bmp"));
    EXPECT_EQ(jobs[3].workBitmapPath, path("IMG.bmp"));
    // trap.bmp would be its own working bitmap; trap2.jpg's picture would be
    // out/trap2.png, which is a photo of the run; both outputs are refused.
    EXPECT_TRUE(jobs[4].workBitmapPath.isEmpty());
    ASSERT_EQ(jobs[4].outputRefusals.size(), 1);
    EXPECT_TRUE(jobs[4].outputRefusals[0].contains("trap.bmp"));
    EXPECT_TRUE(jobs[5].annotationPath.isEmpty());
    EXPECT_EQ(jobs[5].outputRefusals.size(), 1);
    EXPECT_TRUE(isOneOfThePhotos(path("x/../photo.jpeg"), jobs));
    EXPECT_FALSE(isOneOfThePhotos(path("table.csv"), jobs));
}

TEST(BatchCsv, FieldsAreQuotedOnlyWhenNeeded)
{
    const std::pair<QString, QString> cases[] = {{"vol de cigognes.jpg", "vol de cigognes.jpg"}, {"a,b.jpg", "\"a,b.jpg\""},
                                                 {"dit \"x\"", "\"dit \"\"x\"\"\""}, {"ligne\nsuite", "\"ligne\nsuite\""},
                                                 {"cr\rx", "\"cr\rx\""}, {" blanc", "\" blanc\""}, {"blanc ", "\"blanc \""},
                                                 {"", ""}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(csvField(in), out) << in.toStdString();
}

TEST(BatchCommandLine, IsCheckedBeforeAnyPhoto)
{
    struct Case {
        QStringList args;
        QString error;  // empty: accepted
    } cases[] = {
        {{"a.jpg"}, {}},
        {{"--seuil", "42", "--jobs", "256", "--estimer", "--bmp", "--annoter", "out", "--csv", "t.csv", "a.jpg"}, {}},
        {{"--seuil=-5", "--jobs=1", "--", "--odd.jpg"}, {}},
        {{"-"}, {}},
        {{"--help"}, {}},
        {{"-h"}, {}},
        {{}, "Aucune photo à compter (voir --help)"},
        {{"--vite", "a.jpg"}, "Option inconnue : --vite (voir --help)"},
        {{"a.jpg", "--jobs"}, "L'option --jobs demande une valeur"},
        {{"a.jpg", "--seuil"}, "L'option --seuil demande une valeur"},
        {{"--jobs", "0", "a.jpg"}, "--jobs : '0' n'est pas un nombre de tâches de 1 à 256"},
        {{"--jobs", "257", "a.jpg"}, "--jobs : '257' n'est pas un nombre de tâches de 1 à 256"},
        {{"--jobs", "deux", "a.jpg"}, "--jobs : 'deux' n'est pas un nombre de tâches de 1 à 256"},
        {{"--seuil", "12px", "a.jpg"}, "--seuil : '12px' n'est pas une valeur entière correcte (auto ou un nombre entier)"},
        {{"--csv", "", "a.jpg"}, "L'option --csv demande une valeur"},
        {{"--echantillons"}, "L'option --echantillons demande une valeur"},
        {{"--bmp=oui", "a.jpg"}, "L'option --bmp ne prend pas de valeur"},
        {{"--taille-mini", "auto", "--taille-mini=3", "--echantillons", "auto", "a.jpg"}, {}},
        {{"--taille-mini", "2", "a.jpg"},
         "--taille-mini : '2' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto"},
        {{"--taille-mini", "-4", "a.jpg"},
         "--taille-mini : '-4' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto"},
        {{"--taille-mini", "abc", "a.jpg"}, "--taille-mini : 'abc' n'est pas une valeur entière correcte"},
        {{"--taille-mini", "99999999999", "a.jpg"}, "--taille-mini : '99999999999' n'est pas une valeur entière correcte"},
        {{"a.jpg", "--taille-mini"}, "L'option --taille-mini demande une valeur"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        CommandLine cl;
        EXPECT_EQ(parseCommandLine(c.args, cl).value_or(QString()), c.error);
    }
    CommandLine cl;
    ASSERT_FALSE(parseCommandLine({"--seuil=-5", "--jobs=1", "--estimer", "--echantillons=s.ini", "--", "--odd.jpg", "b.jpg"}, cl));
    EXPECT_EQ(cl.options.thresholdText, "-5");
    EXPECT_EQ(cl.options.rule, CountRule::Estimate);
    EXPECT_EQ(cl.threads, 1);
    EXPECT_EQ(cl.inputs, QStringList({"--odd.jpg", "b.jpg"}));
    EXPECT_EQ(cl.sampleSetPath, "s.ini");
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
// the bottom of their sky, so only the wings are sampled. A blank sky has no
// split: 0 birds, no error, the sky samples standing for the birds too.
TEST_F(BatchCount, AutomaticSamplesCountTheShippedFlocksAndNothingOnABlankSky)
{
    CountOptions options;
    options.automaticSamples = true;
    options.minimumSizeText = QStringLiteral("auto");
    options.rule = CountRule::Estimate;
    for (const ShippedFlock& flock : shippedFlocks()) {
        if (flock.photo.contains(QLatin1String("goelands")))
            continue;
        SCOPED_TRACE(flock.photo.toStdString());
        const int truth = readTruth(flock.photo);
        const PhotoResult r = countPhoto(planJobs({flock.photo}, {}, false).front(), {}, options);
        ASSERT_TRUE(r.counted) << r.error.toStdString();
        EXPECT_LE(std::abs(r.estimate.total - truth) * 100, 15 * truth) << "estimated " << r.estimate.total;
        EXPECT_NE(colorDistance(r.samples.pixo[0], r.samples.pixno[1]), 0);
    }
    write("ciel.jpg", flock(500, 400, 0));
    CountOptions automaticOnly;
    automaticOnly.automaticSamples = true;
    const PhotoResult sky = countPhoto(planJobs({path("ciel.jpg")}, {}, false).front(), {}, automaticOnly);
    ASSERT_TRUE(sky.counted);
    EXPECT_EQ(sky.error, "");
    EXPECT_EQ(sky.total, 0);
    EXPECT_EQ(sky.groupCount, 0);
    EXPECT_EQ(sky.samples.pixo, sky.samples.pixno);
}
