#include "CompterTestSupport.h"

#include "core/OrnivalError.h"
#include "files/BmpFile.h"

#include <cstdlib>

using namespace compterest;

using Compter = CompterTest;

// Synthetic flocks of several sizes (beyond the window's 800 x 600 too) and
// every shipped flock with the sample set beside it: by any threshold the
// counter finds the window's numbers; the row ornival-compter writes for each
// rule is that of a count of the photo alone; the estimate lands within 5 % of
// the truth (10 % for the realistic gulls: two tones, white on a dark sea,
// noise, blur, JPEG of quality 60 to 65), as does the window's rule on the
// default flock. With samples chosen from each shipped photo and the
// automatic minimum, both rules land within 15 %.
TEST_F(Compter, EveryFlockCountsAsInTheWindowAndNearItsTruth)
{
    std::vector<ShippedFlock> flocks = shippedFlocks();
    ASSERT_GE(flocks.size(), 5u) << "the shipped flocks are missing";
    write("s.ini", samples());
    for (const auto& [w, h, birds] : {std::tuple{300, 200, 12}, std::tuple{900, 700, 300}, std::tuple{120, 90, 1}}) {
        write(QStringLiteral("p%1.jpg").arg(w), flock(w, h, birds));
        flocks.push_back({path(QStringLiteral("p%1.jpg").arg(w)), path("s.ini"), birds});
    }
    CountOptions automatic;
    automatic.automaticSamples = true;
    automatic.minimumSizeText = QStringLiteral("auto");
    for (const auto& [photo, samplesFile, knownTruth] : flocks) {
        SCOPED_TRACE(photo.toStdString());
        for (const QString threshold : {"auto", "150", "0"}) {
            CountOptions options;
            options.thresholdText = threshold;
            const PhotoResult r = countAlone(photo, samplesFile, options);
            const Document w = countAsTheWindow(photo, samplesFile, threshold);
            ASSERT_TRUE(r.counted) << r.error.toStdString();
            EXPECT_EQ(r.error, QString());
            EXPECT_EQ(QSize(r.width, r.height), QSize(w.photoWidth, w.photoHeight));
            EXPECT_EQ(r.twoBirdThreshold, w.twoBirdThreshold);
            EXPECT_EQ(r.binCounts, w.binCounts);
            EXPECT_EQ(QString::number(r.total), w.totalText);
            EXPECT_EQ(r.groupSizes, std::vector<std::int32_t>(w.groupSizes.begin() + 1, w.groupSizes.begin() + 1 + w.groupCount));
        }
        const bool shipped = knownTruth < 0;
        const int truth = shipped ? readTruth(photo) : knownTruth;
        ASSERT_GT(truth, 0);
        const int percent = photo.contains(QLatin1String("goelands")) || photo.contains(QLatin1String("mouettes")) ? 10 : 5;
        for (const bool estimate : {false, true}) {
            const CompterRun r = run(QStringList{"--echantillons", samplesFile, photo} << (estimate ? "--estimer" : "--seuil=auto"));
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
            EXPECT_FALSE(r.err.contains("photos comptées")) << "progress shown on a standard error that is no terminal";
            CountOptions options;
            options.rule = estimate ? CountRule::Estimate : CountRule::Threshold;
            EXPECT_EQ(QString::fromUtf8(r.out), csvHeader() + "\n" + csvRow(countAlone(photo, samplesFile, options)) + "\n");
            const int total = csvRows(r.out).at(0).at(Total).toInt();
            if (estimate || photo.endsWith("data/vol de cigognes.jpg")) {
                EXPECT_LE(std::abs(total - truth) * 100, percent * truth) << "truth " << truth << ", counted " << total;
            }
        }
        if (!shipped)
            continue;
        const PhotoResult r = countPhoto(planJobs({photo}, {}, false).front(), {}, automatic);
        ASSERT_TRUE(r.counted) << r.error.toStdString();
        EXPECT_LE(std::abs(r.total - truth) * 100, 15 * truth) << "counted with automatic samples " << r.total;
        EXPECT_LE(std::abs(r.estimate.total - truth) * 100, 15 * truth) << "estimated with automatic samples " << r.estimate.total;
        EXPECT_NE(colorDistance(r.samples.pixo[0], r.samples.pixno[1]), 0);
    }
}

// A folder's photos in name order, whatever the case (ties by character
// code), other files left out, a folder named like a photo kept: the damaged
// ones and an empty folder give error rows, the others are still counted.
TEST_F(Compter, DamagedPhotosGiveErrorRowsAndTheOthersAreStillCounted)
{
    write("s.ini", samples());
    const QByteArray good = flock(400, 300, 30);
    write("photos/a bon.jpg", good);
    write("photos/b vide.JPG", "");
    write("photos/B vide.jpg", "Ceci n'est pas une photo.\n");
    write("photos/c tronque.jpeg", good.left(good.size() / 2));
    QDir().mkdir("photos/d dossier.jpg");
    write("photos/e bon.jpg", good);
    // Just too wide for the batch counter's limit, however small the file.
    write("photos/f large.jpg", flock(batchMaxPhotoSide + 1, 16, 0));
    write("photos/notes.txt", good);
    write("photos/g.png", good);
    QDir().mkdir("vide");
    const auto before = snapshot();

    const CompterRun r = run({"--echantillons", "s.ini", path("photos"), path("vide"), path("manque.jpg")});
    EXPECT_EQ(r.exitCode, 1);
    const std::vector<QStringList> rows = csvRows(r.out);
    ASSERT_EQ(rows.size(), 9u) << r.out.toStdString();
    const std::pair<const char*, QString> expected[] = {
        {"photos/a bon.jpg", ""},
        {"photos/B vide.jpg", "Erreur JPEG #"},
        {"photos/b vide.JPG", "Erreur JPEG #"},
        {"photos/c tronque.jpeg", "Erreur JPEG #"},
        {"photos/d dossier.jpg", "Impossible d'ouvrir le fichier " + path("photos/d dossier.jpg")},
        {"photos/e bon.jpg", ""},
        {"photos/f large.jpg", "Photo trop grande : 10001 x 16 pixels (10000 x 10000 au plus)"},
        {"vide", "Aucune photo JPG dans le dossier " + path("vide")},
        {"manque.jpg", "Impossible d'ouvrir le fichier " + path("manque.jpg")},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].first);
        const QStringList& row = rows[i];
        ASSERT_EQ(row.size(), ColumnCount);
        EXPECT_EQ(row[File], path(expected[i].first));
        if (expected[i].second.isEmpty()) {
            EXPECT_EQ(row.mid(Width, 3), (QStringList{"400", "300", "30"}));
            EXPECT_EQ(row.mid(MinSize, 3), (QStringList{"3", "seuil", ""}));
            EXPECT_EQ(row.mid(Bird1, 6).join(' '), "20,20,25 30,30,30 10,10,10 90,140,220 110,160,230 130,180,240");
            EXPECT_EQ(row[Error], "");
        } else {
            EXPECT_TRUE(row[Error].startsWith(expected[i].second)) << row[Error].toStdString();
            EXPECT_EQ(row.mid(Width, Error - Width), QStringList(Error - Width, QString()));
        }
    }
    // Nothing was written, nothing changed.
    EXPECT_EQ(snapshot(), before);
}

// The evidence picture: every counted group framed in the colour of its
// number of birds, a clump of five framed red with its number on white just
// right of the frame, the specks dropped as too small tinted, the total and
// the legend drawn on white.
TEST_F(Compter, GroupsAreFramedInTheColourOfTheirBirdsWithALegend)
{
    write("s.ini", samples());
    std::vector<DrawnBird> birds;
    // A width past the last block of sixteen columns.
    QImage photo = QImage::fromData(flock(410, 300, 20, &birds)).convertToFormat(QImage::Format_RGB32);
    QPainter painter(&photo);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 25));
    painter.drawEllipse(QPoint(200, 230), 22, 12);
    // A speck of 2 x 2 pixels in a free corner: below a minimum of 10. Another
    // on the row below a staircase's box, under its first step.
    painter.fillRect(380, 150, 2, 2, QColor(20, 20, 25));
    painter.fillRect(260, 170, 11, 3, QColor(20, 20, 25));
    painter.fillRect(271, 173, 11, 3, QColor(20, 20, 25));
    painter.fillRect(260, 176, 2, 2, QColor(20, 20, 25));
    painter.end();
    ASSERT_TRUE(photo.save(path("vol.jpg"), "JPG", 100));
    // The colour of a group of two birds, or of one; a threshold of the
    // smallest group's size makes every group two birds.
    CountOptions options;
    options.minimumSizeText = "10";
    const PhotoResult alone = countAlone("vol.jpg", "s.ini", options);
    const QString smallest = "--seuil=" + QString::number(*std::min_element(alone.groupSizes.begin(), alone.groupSizes.end()));
    for (const auto& [rule, frame, total] : {std::tuple{QString("--seuil=0"), qRgb(255, 255, 0), "44"},
                                             std::tuple{smallest, qRgb(255, 255, 0), "44"},
                                             std::tuple{QString("--seuil=100000"), qRgb(0, 208, 0), "22"},
                                             std::tuple{QString("--estimer"), qRgb(0, 208, 0), "25"}}) {
        SCOPED_TRACE(rule.toStdString());
        const CompterRun r = run({"--echantillons", "s.ini", "--annoter", "p", rule, "--taille-mini", "10", "vol.jpg"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const std::vector<QStringList> rows = csvRows(r.out);
        EXPECT_EQ(rows[0][Total], total);
        EXPECT_EQ(rows[0][MinSize], "10");
        const QImage evidence = QImage(path("p/vol.png")).convertToFormat(QImage::Format_RGB32);
        for (const DrawnBird& b : birds) {
            int framed = 0;
            for (int y = b.y - b.ry - 3; y <= b.y + b.ry + 3; ++y)
                for (int x = b.x - b.rx - 3; x <= b.x + b.rx + 3; ++x)
                    framed += evidence.pixel(x, y) == frame ? 1 : 0;
            EXPECT_GE(framed, 2 * (b.rx + b.ry)) << "frame round " << b.x << "," << b.y;
        }
        // No black overlay and no tint: every bird keeps its own (dark, but not
        // black) colour; the speck is tinted pink, not framed.
        for (const DrawnBird& b : birds) {
            const QColor centre = evidence.pixelColor(b.x, b.y);
            EXPECT_GT(centre.red() + centre.green() + centre.blue(), 30);
            EXPECT_LT(centre.red() - centre.green(), 20) << b.x << "," << b.y;
        }
        for (const QPoint speck : {QPoint(380, 150), QPoint(260, 176)})
            EXPECT_GT(qRed(evidence.pixel(speck)) - qGreen(evidence.pixel(speck)), 40) << speck.x() << "," << speck.y();
        int pink = 0;
        for (int y = 20; y < 140; ++y)
            for (int x = 0; x < evidence.width(); ++x)
                pink += qRed(evidence.pixel(x, y)) - qGreen(evidence.pixel(x, y)) > 20;
        EXPECT_EQ(pink, 0) << "tinted pixels of counted birds";
        EXPECT_NE(evidence.pixel(378, 148), frame);
        // The total in the top-left corner and the legend in the bottom-left
        // are black text on white, the legend's lines each on a white band.
        for (const auto& [box, ratio] : {std::pair{QRect(4, 4, 76, 16), 5}, std::pair{QRect(4, 240, 150, 56), 40}}) {
            int black = 0, white = 0;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x) {
                    black += evidence.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
                    white += evidence.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
                }
            EXPECT_GT(black, 20);
            EXPECT_GT(white, ratio * black);
        }
        EXPECT_EQ(evidence.pixel(4, 295), qRgb(255, 255, 255)) << "the legend's last line ends 4 pixels above the bottom";
        EXPECT_NE(evidence.pixel(4, 296), qRgb(255, 255, 255));
        int right = -1, top = 1000;
        for (int y = 200; y < 260; ++y)
            for (int x = 160; x < 240; ++x)
                if (evidence.pixel(x, y) == qRgb(255, 0, 0)) {
                    right = std::max(right, x);
                    top = std::min(top, y);
                }
        EXPECT_EQ(right > 200, rule == "--estimer");
        if (right > 200) {
            EXPECT_NE(evidence.pixel(right + 1, top + 1), qRgb(255, 255, 255));
            EXPECT_EQ(evidence.pixel(right + 2, top + 1), qRgb(255, 255, 255));
        }
    }
}

TEST_F(Compter, WorkBitmapsAndTheTableAreWrittenBesideAndNeverOverAPhoto)
{
    write("s.ini", samples());
    std::vector<DrawnBird> birds;
    const QByteArray photo = flock(400, 300, 20, &birds);
    write("vol.jpeg", photo);
    write("piege.bmp", photo);  // a JPG whose working bitmap would be itself
    const CompterRun r = run({"--echantillons", "s.ini", "--bmp", "--estimer", "--csv", "t.csv", "vol.jpeg", "piege.bmp"});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    const std::vector<QStringList> rows = csvRows(read("t.csv"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][Error], "");
    EXPECT_EQ(rows[0][Rule], "estimation");
    EXPECT_GT(rows[0][TypicalSize].toInt(), 100);
    EXPECT_EQ(rows[0][Bin1], "20");
    EXPECT_EQ(rows[0][Total], "20");
    // The refused output is named in the row, and the photo is still counted.
    EXPECT_EQ(rows[1][Error], "piege.bmp est le nom d'une des photos : rien n'y est écrit");
    EXPECT_EQ(rows[1][Groups], rows[0][Groups]);
    EXPECT_EQ(read("piege.bmp"), photo);

    // The window's name rule: the last four characters give way to ".bmp".
    const QImage work = readBmpFile(path("vol..bmp"));
    ASSERT_EQ(work.size(), QSize(400, 300));
    for (const DrawnBird& b : birds) {
        EXPECT_EQ(qRed(work.pixel(b.x, b.y)), 0) << b.x << "," << b.y;
        EXPECT_EQ(qRed(work.pixel(b.x, b.y - b.ry - 3)), 255);
    }
}

TEST_F(Compter, BadCommandLinesAndSampleSetsStopBeforeAnyPhoto)
{
    write("vol.jpg", flock(200, 150, 4));
    write("s.ini", samples());
    write("t.csv", "an earlier table");
    const auto before = snapshot();
    const std::pair<QStringList, QString> cases[] = {
        {{"--seuil", "beaucoup", "--csv", "t.csv", "vol.jpg"},
         "--seuil : 'beaucoup' n'est pas une valeur entière correcte (auto ou un nombre entier)"},
        {{"--csv", "t.csv", "vol.jpg"}, "Impossible d'ouvrir le fichier ornival.ini"},
        {{"--echantillons", "s.ini", "--csv", "vol.jpg", "vol.jpg"}, "--csv : vol.jpg est une des photos"},
        {{"--echantillons", "s.ini", "--annoter", "t.csv", "vol.jpg"}, "Impossible de créer le dossier t.csv"},
        {{"--echantillons", "s.ini", "--csv", "nowhere/t.csv", "vol.jpg"}, "Impossible de créer le fichier nowhere/t.csv"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CompterRun r = run(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(QString::fromUtf8(r.err).contains("ornival-compter : " + message)) << r.err.toStdString();
        EXPECT_EQ(snapshot(), before);
    }
    const CompterRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(help.out), helpText());
}

// A folder of photos with a truth table: each flock by both rules against its
// truth, the totals, and how many estimates are within 5 % (one just over, one
// just at it).
TEST_F(Compter, AccuracyReportSetsBothRulesAgainstTheTruth)
{
    for (const auto& [name, birds] : {std::pair{"a", 20}, std::pair{"b c", 21}, std::pair{"absente", 0}}) {
        if (birds > 0)
            write(QStringLiteral("v/%1.jpg").arg(name), flock(400, 300, birds));
        write(QStringLiteral("s/%1.ini").arg(name), samples());
    }
    write("v/truth.csv", "fichier,oiseaux\r\na.jpg,19\r\n\r\n\"b c.jpg\", 20\r\n");
    // The report's lines, blanks folded, each row's last cell (the typical
    // size) left out.
    auto report = [&](int exitCode) {
        const CompterRun r = run({"--echantillons", path("s"), path("v")}, ORNIVAL_PRECISION);
        EXPECT_EQ(r.exitCode, exitCode) << r.err.toStdString();
        QStringList lines = QString::fromUtf8(r.out).split('\n').mid(2);
        for (QString& line : lines)
            line = line.simplified().section(' ', 0, line.startsWith("a.jpg") || line.startsWith("b c") ? -2 : -1);
        return lines;
    };
    EXPECT_EQ(report(0), (QStringList{"a.jpg 19 20 +5.3 20 +5.3 3", "b c.jpg 20 21 +5.0 21 +5.0 3", "en tout 39 41 +5.1 41 +5.1",
                                      "estimation à 5 % près : 1 troupeau(x) sur 2", ""}));
    // A photo missing: its row says why, and the report fails.
    write("v/truth.csv", "fichier,oiseaux\nabsente.jpg,3\na.jpg,0\n");
    EXPECT_EQ(report(1), (QStringList{"absente.jpg Impossible d'ouvrir le fichier " + path("v/absente.jpg"),
                                      "a.jpg 0 20 - 20 - 3", "en tout 0 20 - 20 -", "estimation à 5 % près : 0 troupeau(x) sur 1", ""}));
}

// The truth table's refusals name the line; a truth file holds a whole number
// of 0 or more on its first line.
TEST_F(Compter, TruthFilesAreReadOrRefusedByLine)
{
    EXPECT_TRUE(readPhotoFolder(folder(), "s").empty());
    const std::pair<QByteArray, QString> tables[] = {
        {"h\nx.jpg,0\n \n\"y,z.jpg\",7,note\n\"dit \"\"x\"\".jpg\",4", "x.jpg 0 s/x.ini | y,z.jpg 7 s/y,z.ini | dit \"x\".jpg 4 s/dit \"x\".ini"},
        {"h\nx.jpg,abc\n", "ligne 2"}, {"h\n\nx.jpg,-1\n", "ligne 3"}, {"h\n,5\n", "ligne 2"}, {"h\nx.jpg\n", "ligne 2"},
    };
    for (const auto& [table, expected] : tables) {
        SCOPED_TRACE(table.toStdString());
        write("truth.csv", table);
        QStringList got;
        try {
            for (const ShippedFlock& f : readPhotoFolder(folder(), "s"))
                got << QDir(folder()).relativeFilePath(f.photo) + " " + QString::number(f.truth) + " " + f.samples;
        } catch (const OrnivalError& error) {
            got << error.text();
        }
        EXPECT_EQ(got.join(" | "), expected.startsWith("ligne") ? path("truth.csv") + ", " + expected + " : il faut « fichier,oiseaux »"
                                                               : expected);
    }
    const std::pair<QByteArray, int> truths[] = {{"12\n", 12}, {" 7 \r\nx", 7}, {"0", 0}, {"-1", -1}, {"abc", -1}, {"", -1}};
    for (const auto& [text, truth] : truths) {
        write("t.txt", text);
        EXPECT_EQ(readTruth(path("t.jpg")), truth) << text.toStdString();
    }
    EXPECT_EQ(readTruth(path("absente.jpg")), -1);
}
