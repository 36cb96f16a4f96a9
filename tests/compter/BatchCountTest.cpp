#include "CompterTestSupport.h"

#include "core/AutoSamples.h"
#include "core/OrnivalError.h"

#include <random>

using namespace compterest;

namespace {

class BatchCount : public CompterTest {};

} // namespace

// Photos of several sizes (birds beyond the window's 800 x 600 too), one
// damaged, and the shipped flocks: each counts as the window counts it, with
// its size limit raised.
TEST_F(BatchCount, EveryPhotoCountsAsInTheWindow)
{
    write("samples.ini", samples());
    QStringList photos;
    for (auto [w, h, birds] : {std::tuple{300, 200, 12}, std::tuple{900, 700, 300}, std::tuple{120, 90, 1}}) {
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
            const Document w = countAsTheWindow(photo, path("samples.ini"), threshold);
            ASSERT_TRUE(r.counted) << r.error.toStdString();
            EXPECT_EQ(r.error, QString());
            EXPECT_EQ(QSize(r.width, r.height), QSize(w.photoWidth, w.photoHeight));
            EXPECT_EQ(r.twoBirdThreshold, w.twoBirdThreshold);
            EXPECT_EQ(r.binCounts, w.binCounts);
            EXPECT_EQ(QString::number(r.total), w.totalText);
            EXPECT_EQ(r.groupSizes, std::vector<std::int32_t>(w.groupSizes.begin() + 1, w.groupSizes.begin() + 1 + w.groupCount));
        }
    }
    write("broken.jpg", "not a photo");
    const PhotoResult broken = countPhoto(PhotoJob{path("broken.jpg"), {}, {}, {}, {}}, set, CountOptions{});
    EXPECT_FALSE(broken.counted);
    EXPECT_TRUE(broken.error.startsWith("Erreur JPEG #")) << broken.error.toStdString();
}

TEST_F(BatchCount, SampleSetFileIsReadLikeTheWindowReadsIt)
{
    QFile huge(path("huge.ini"));  // 100 MB, sparse: refused before anything is read
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(100LL << 20));
    huge.close();
    struct Case { const char* name; QByteArray bytes; ColorTriple firstBird, lastSky; } cases[] = {
        {"canonical", samples(), {25, 20, 20}, {240, 180, 130}},
        {"lf_only", QByteArray(samples()).replace("\r\n", "\n"), {25, 20, 20}, {240, 180, 130}},
        {"short", "header\n1,2,3\n", {3, 2, 1}, {0, 0, 0}},
        {"empty", "", {0, 0, 0}, {0, 0, 0}},
        {"none.ini", {}, {}, {}},
        {"huge.ini", {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (QByteArray(c.name).endsWith(".ini")) {
            try {
                readSampleSetFile(path(c.name));
                ADD_FAILURE() << "accepted";
            } catch (const OrnivalError& error) {
                EXPECT_EQ(error.text(), "Impossible d'ouvrir le fichier " + path(c.name));
            }
            continue;
        }
        write(c.name, c.bytes);
        const SampleSet s = readSampleSetFile(path(c.name));
        EXPECT_EQ(s.pixo[0], c.firstBird);
        EXPECT_EQ(s.pixno[2], c.lastSky);
    }
}

TEST_F(BatchCount, JobsFollowTheFoldersInNameOrderAndNeverWriteOverAPhoto)
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

    // Output names: numbered on a shared base name, the window's working
    // bitmap name, and refused where they would name a photo of the run.
    for (const char* name : {"x/vol.jpg", "y/vol.jpg", "photo.jpeg", "IMG.JPG", "trap.bmp", "out/trap2.png"})
        write(name, "x");
    const std::vector<PhotoJob> out = planJobs({path("x/vol.jpg"), path("y/vol.jpg"), path("photo.jpeg"), path("IMG.JPG"),
                                                path("trap.bmp"), path("trap2.jpg"), path("out/trap2.png")},
                                               path("out"), true);
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[0].annotationPath, path("out/vol.png"));
    EXPECT_EQ(out[1].annotationPath, path("out/vol (2).png"));
    EXPECT_EQ(out[0].workBitmapPath, path("x/vol.bmp"));
    EXPECT_EQ(out[2].workBitmapPath, path("photo..bmp"));
    EXPECT_EQ(out[3].workBitmapPath, path("IMG.bmp"));
    EXPECT_TRUE(out[4].workBitmapPath.isEmpty());
    EXPECT_EQ(out[4].outputRefusals.value(0), path("trap.bmp") + " est le nom d'une des photos : rien n'y est écrit");
    EXPECT_TRUE(out[5].annotationPath.isEmpty());
    EXPECT_EQ(out[5].outputRefusals.size(), 1);
    EXPECT_TRUE(isOneOfThePhotos(path("x/../photo.jpeg"), out));
    EXPECT_FALSE(isOneOfThePhotos(path("table.csv"), out));
}

// Whatever the number of threads, each job's row is that of a count of its
// photo alone (the workers' reused buffers keep nothing of the photo before,
// of another size or the same), in job order, and the progress counts up to
// the number of jobs.
TEST_F(BatchCount, ResultsComeInJobOrderAsCountedAlone)
{
    std::vector<PhotoJob> jobs;
    for (int i = 0; i < 8; ++i) {
        const QString name = QStringLiteral("f%1.jpg").arg(i % 4);
        if (i < 3)
            write(name, flock(200 + 100 * i, 150 + 80 * i, 5 + 20 * i));
        jobs.push_back(PhotoJob{path(name), {}, {}, {}, {}});
    }
    write("s.ini", samples());
    const SampleSet set = readSampleSetFile(path("s.ini"));
    countPhotos({}, set, CountOptions{}, 2, [](const PhotoResult&) { ADD_FAILURE() << "no job"; });
    for (const CountRule rule : {CountRule::Threshold, CountRule::Estimate}) {
        CountOptions options;
        options.rule = rule;
        QStringList expected;
        for (const PhotoJob& j : jobs)
            expected << csvRow(countPhoto(j, set, options));
        for (const int threads : {0, 1, 3, 300}) {
            SCOPED_TRACE(threads);
            QStringList rows;
            std::vector<std::size_t> progress;
            countPhotos(jobs, set, options, threads, [&](const PhotoResult& r) { rows << csvRow(r); },
                        [&](std::size_t done, std::size_t all) {
                            EXPECT_EQ(all, jobs.size());
                            progress.push_back(done);
                        });
            EXPECT_EQ(rows, expected);
            ASSERT_FALSE(progress.empty());
            EXPECT_EQ(progress.back(), jobs.size());
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()) && std::adjacent_find(progress.begin(), progress.end()) == progress.end());
        }
    }
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
    const QString minimum = "--taille-mini : '%1' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto";
    const QString jobs = "--jobs : '%1' n'est pas un nombre de tâches de 1 à 256";
    struct Case {
        QStringList args;
        QString error;  // empty: accepted
    } cases[] = {
        {{"a.jpg"}, {}},
        {{"--seuil", "42", "--jobs", "256", "--estimer", "--bmp", "--annoter", "out", "--csv", "t.csv", "a.jpg"}, {}},
        {{"-"}, {}},
        {{"--help"}, {}},
        {{"-h"}, {}},
        {{"--aide"}, {}},
        {{}, "Aucune photo à compter (voir --help)"},
        {{"--vite", "a.jpg"}, "Option inconnue : --vite (voir --help)"},
        {{"-v", "a.jpg"}, "Option inconnue : -v (voir --help)"},
        {{"a.jpg", "--jobs"}, "L'option --jobs demande une valeur"},
        {{"a.jpg", "--seuil"}, "L'option --seuil demande une valeur"},
        {{"a.jpg", "--seuil", "7"}, {}},
        {{"--jobs", "0", "a.jpg"}, jobs.arg("0")},
        {{"--jobs", "1", "a.jpg"}, {}},
        {{"--jobs", "257", "a.jpg"}, jobs.arg("257")},
        {{"--jobs", "deux", "a.jpg"}, jobs.arg("deux")},
        {{"--seuil", "12px", "a.jpg"}, "--seuil : '12px' n'est pas une valeur entière correcte (auto ou un nombre entier)"},
        {{"--csv", "", "a.jpg"}, "L'option --csv demande une valeur"},
        {{"--echantillons"}, "L'option --echantillons demande une valeur"},
        {{"--bmp=oui", "a.jpg"}, "L'option --bmp ne prend pas de valeur"},
        {{"--help=oui", "a.jpg"}, "L'option --help ne prend pas de valeur"},
        {{"--taille-mini", "auto", "--taille-mini=3", "--echantillons", "auto", "a.jpg"}, {}},
        {{"--taille-mini", "2", "a.jpg"}, minimum.arg("2")},
        {{"--taille-mini", "abc", "a.jpg"}, "--taille-mini : 'abc' n'est pas une valeur entière correcte"},
        {{"a.jpg", "--taille-mini"}, "L'option --taille-mini demande une valeur"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        CommandLine cl;
        EXPECT_EQ(parseCommandLine(c.args, cl).value_or(QString()), c.error);
        EXPECT_EQ(cl.help, QStringList({"--help", "-h", "--aide"}).contains(c.args.value(0)));
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
    EXPECT_FALSE(cl.options.writeWorkBitmap);
    ASSERT_FALSE(parseCommandLine({"--taille-mini=auto", "--echantillons=auto", "--bmp", "--annoter=o", "--csv=t", "b.jpg"}, cl));
    EXPECT_EQ(cl.options.minimumSizeText, "auto");
    EXPECT_TRUE(cl.options.automaticSamples);
    EXPECT_TRUE(cl.options.writeWorkBitmap);
    EXPECT_EQ(cl.annotationFolder + cl.csvPath, "ot");
}

// Samples chosen from each photo: on every shipped flock (sky, sea, greys,
// cut by the edges, storks and gulls of two tones) both the window's rule and
// the estimate with the automatic minimum land within 15 % of the truth, and
// the samples used are in the row. A blank sky has no split: 0 birds, no
// error, the sky samples standing for the birds too.
TEST_F(BatchCount, AutomaticSamplesCountTheShippedFlocksAndNothingOnABlankSky)
{
    CountOptions options;
    options.automaticSamples = true;
    options.minimumSizeText = QStringLiteral("auto");
    for (const ShippedFlock& flock : shippedFlocks()) {
        SCOPED_TRACE(flock.photo.toStdString());
        const int truth = readTruth(flock.photo);
        const PhotoResult r = countPhoto(planJobs({flock.photo}, {}, false).front(), {}, options);
        ASSERT_TRUE(r.counted) << r.error.toStdString();
        EXPECT_LE(std::abs(r.total - truth) * 100, 15 * truth) << "counted " << r.total;
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

// Which side of the sky the bird samples take: birds darker, lighter or of
// both tones (a white band on a dark body: two darker samples, one lighter),
// on a gradient with noise; a long stripe of another colour across the photo
// (a crack, a shore) is no bird, however many pixels it holds.
TEST_F(BatchCount, AutomaticBirdSamplesTakeTheSidesOfTheBirdsNotOfAStripe)
{
    struct Case {
        const char* name;
        QColor top, bottom, body, band, stripe;
        int darker, lighter;
    } cases[] = {
        {"dark birds", QColor(90, 140, 220), QColor(150, 190, 240), QColor(30, 30, 35), {}, {}, 3, 0},
        {"white birds on a dark sea", QColor(30, 50, 70), QColor(50, 70, 90), QColor(235, 235, 230), {}, {}, 0, 3},
        {"two tones", QColor(90, 140, 220), QColor(150, 190, 240), QColor(40, 40, 45), QColor(250, 250, 250), {}, 2, 1},
        {"a brown stripe", QColor(150, 140, 120), QColor(170, 160, 140), QColor(20, 20, 20), {}, QColor(90, 60, 30), 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage photo(640, 480, QImage::Format_RGB32);
        QPainter p(&photo);
        QLinearGradient gradient(0, 0, 0, 480);
        gradient.setColorAt(0, c.top);
        gradient.setColorAt(1, c.bottom);
        p.fillRect(photo.rect(), gradient);
        if (c.stripe.isValid())
            p.fillRect(0, 300, 640, 14, c.stripe);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 40; ++i) {
            const QPoint centre(40 + (i % 10) * 60, 40 + (i / 10) * 60 + (i / 10 >= 4 ? 40 : 0));
            p.setBrush(c.body);
            p.drawEllipse(centre, 14, 6);
            if (c.band.isValid())
                p.fillRect(centre.x() - 3, centre.y() - 6, 6, 12, c.band);
        }
        p.end();
        std::mt19937 random(5);
        std::uniform_int_distribution<int> noise(-6, 6);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x) {
                const QColor q = photo.pixelColor(x, y);
                const int n = noise(random);
                photo.setPixelColor(x, y, QColor(std::clamp(q.red() + n, 0, 255), std::clamp(q.green() + n, 0, 255),
                                                 std::clamp(q.blue() + n, 0, 255)));
            }
        const ChosenSamples chosen = chooseSamples(photo);
        ASSERT_TRUE(chosen.split);
        auto brightness = [](const ColorTriple& t) { return t.rgbtRed + t.rgbtGreen + t.rgbtBlue; };
        int darkest = 765, lightest = 0;
        for (const ColorTriple& t : chosen.sky) {
            darkest = std::min(darkest, brightness(t));
            lightest = std::max(lightest, brightness(t));
        }
        int darker = 0, lighter = 0;
        for (const ColorTriple& t : chosen.birds) {
            darker += brightness(t) < darkest;
            lighter += brightness(t) > lightest;
            if (c.stripe.isValid()) {
                EXPECT_LT(brightness(t), 150) << "a bird sample of the stripe's colour";
            }
        }
        EXPECT_EQ(darker, c.darker);
        EXPECT_EQ(lighter, c.lighter);
    }
}
