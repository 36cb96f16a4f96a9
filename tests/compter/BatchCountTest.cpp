#include "CompterTestSupport.h"

#include "core/AutoSamples.h"
#include "core/OrnivalError.h"

#include <random>

using namespace compterest;

using BatchCount = CompterTest;

// Every sample-set text of the readers' corpus gives the window's six
// samples, or its refusal (one too large among them).
TEST_F(BatchCount, SampleSetFileIsReadLikeTheWindowReadsIt)
{
    write("blocs_couleurs.bmp", "");
    for (const QFileInfo& file : QDir(corpus("ini")).entryInfoList(QDir::Files)) {
        SCOPED_TRACE(file.fileName().toStdString());
        QFile::remove("ornival.ini");
        ASSERT_TRUE(QFile::copy(file.filePath(), "ornival.ini"));
        Document window;
        SampleSet set;
        EXPECT_EQ(errorOf([&] { set = readSampleSetFile("ornival.ini"); }), errorOf([&] { LoadSampleSet(window); }));
        EXPECT_EQ(set.pixo, window.pixo);
        EXPECT_EQ(set.pixno, window.pixno);
    }
    EXPECT_EQ(errorOf([] { readSampleSetFile("absent.ini"); }), "error Impossible d'ouvrir le fichier absent.ini");
}

// The order of a folder's photos is seen in the counter's table
// (Compter.DamagedPhotosGiveErrorRowsAndTheOthersAreStillCounted).
TEST_F(BatchCount, OutputsAreNamedBeforeAnyCountAndNeverOverAPhoto)
{
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
            auto onProgress = [&](std::size_t done, std::size_t all) {
                EXPECT_EQ(all, jobs.size());
                progress.push_back(done);
            };
            // One thread with nobody to tell of the progress.
            countPhotos(jobs, set, options, threads, [&](const PhotoResult& r) { rows << csvRow(r); },
                        threads == 1 ? std::function<void(std::size_t, std::size_t)>() : onProgress);
            EXPECT_EQ(rows, expected);
            if (threads == 1)
                continue;
            ASSERT_FALSE(progress.empty());
            EXPECT_EQ(progress.back(), jobs.size());
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()) && std::adjacent_find(progress.begin(), progress.end()) == progress.end());
        }
    }
}

TEST(BatchCsv, FieldsAreQuotedOnlyWhenNeededAndReadBackWhole)
{
    const std::pair<QString, QString> cases[] = {{"vol de cigognes.jpg", "vol de cigognes.jpg"}, {"a,b.jpg", "\"a,b.jpg\""},
                                                 {"dit \"x\"", "\"dit \"\"x\"\"\""}, {"ligne\nsuite", "\"ligne\nsuite\""},
                                                 {"cr\rx", "\"cr\rx\""}, {" blanc", "\" blanc\""}, {"blanc ", "\"blanc \""},
                                                 {"", ""}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(csvField(in), out) << in.toStdString();
        EXPECT_EQ(csvFields(out + "," + out), QStringList({in, in})) << in.toStdString();
    }
}

TEST(BatchCommandLine, IsCheckedBeforeAnyPhoto)
{
    // What a command line asks for, or why it is refused.
    auto parsed = [](const QStringList& args) {
        CommandLine cl;
        if (const auto error = parseCommandLine(args, cl))
            return *error;
        const CountOptions& o = cl.options;
        return QStringList{cl.inputs.join(' '), cl.sampleSetPath, cl.csvPath, cl.annotationFolder, o.thresholdText,
                           o.minimumSizeText, QString::number(cl.threads),
                           QString(cl.help ? "help " : "") + (o.writeWorkBitmap ? "bmp " : "")
                               + (o.rule == CountRule::Estimate ? "estimer " : "") + (o.automaticSamples ? "auto" : "")}
            .join(" | ");
    };
    const QString defaults = " | ornival.ini |  |  | auto | 3 | 0 | ";
    const QString minimum = "--taille-mini : '%1' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto";
    const QString jobs = "--jobs : '%1' n'est pas un nombre de tâches de 1 à 256";
    const QString threshold = "--seuil : '%1' n'est pas une valeur entière correcte (auto ou un nombre entier)";
    const std::pair<QStringList, QString> cases[] = {
        {{"a.jpg"}, "a.jpg" + defaults},
        {{"--seuil", "42", "--jobs", "256", "--estimer", "--bmp", "--annoter", "out", "--csv", "t.csv", "--echantillons", "s",
          "--taille-mini", "3", "a.jpg", "--seuil", "7"},
         "a.jpg | s | t.csv | out | 7 | 3 | 256 | bmp estimer "},
        {{"--seuil=-5", "--jobs=1", "--taille-mini=auto", "--echantillons=auto", "--annoter=o", "--csv=t", "--", "--x.jpg", "-"},
         "--x.jpg - | auto | t | o | -5 | auto | 1 | auto"},
        {{"--help"}, defaults + "help "},
        {{"-h"}, defaults + "help "},
        {{"--aide"}, defaults + "help "},
        {{}, "Aucune photo à compter (voir --help)"},
        {{"--vite", "a.jpg"}, "Option inconnue : --vite (voir --help)"},
        {{"-v", "a.jpg"}, "Option inconnue : -v (voir --help)"},
        {{"-h=oui"}, "Option inconnue : -h=oui (voir --help)"},
        {{"--help=oui", "a.jpg"}, "L'option --help ne prend pas de valeur"},
        {{"--bmp=", "a.jpg"}, "L'option --bmp ne prend pas de valeur"},
        {{"a.jpg", "--jobs"}, "L'option --jobs demande une valeur"},
        {{"a.jpg", "--seuil"}, "L'option --seuil demande une valeur"},
        {{"a.jpg", "--taille-mini"}, "L'option --taille-mini demande une valeur"},
        {{"--echantillons"}, "L'option --echantillons demande une valeur"},
        {{"--echantillons=", "a.jpg"}, "L'option --echantillons demande une valeur"},
        {{"--csv", "", "a.jpg"}, "L'option --csv demande une valeur"},
        {{"--annoter", "", "a.jpg"}, "L'option --annoter demande une valeur"},
        {{"--jobs", "0", "a.jpg"}, jobs.arg("0")},
        {{"--jobs", "257", "a.jpg"}, jobs.arg("257")},
        {{"--jobs", "deux", "a.jpg"}, jobs.arg("deux")},
        {{"--jobs=", "a.jpg"}, jobs.arg("")},
        {{"--seuil", "12px", "a.jpg"}, threshold.arg("12px")},
        {{"--seuil=", "a.jpg"}, threshold.arg("")},
        {{"--taille-mini", "2", "a.jpg"}, minimum.arg("2")},
        {{"--taille-mini", "abc", "a.jpg"}, "--taille-mini : 'abc' n'est pas une valeur entière correcte"},
        {{"--taille-mini=", "a.jpg"}, "--taille-mini : '' n'est pas une valeur entière correcte"},
    };
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(parsed(args), expected) << args.join(' ').toStdString();
}

// A blank sky has no split: 0 birds, no error, the sky samples standing for
// the birds too.
TEST_F(BatchCount, AutomaticSamplesFindNothingOnABlankSky)
{
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
