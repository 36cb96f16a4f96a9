// The lenient reading of every kind of line is checked on the corpus
// (CorpusTest.SampleSets); here the writing, the file pair's failures and the
// 255-character reach of green and blue.
#include "FilesTestSupport.h"

#include "core/SampleStrip.h"
#include "files/BmpFile.h"
#include "files/SampleSetFile.h"

using namespace filestest;

namespace {

ColorTriple rgb(int r, int g, int b)
{
    return ColorTriple{std::uint8_t(b), std::uint8_t(g), std::uint8_t(r)};
}

const QByteArray canonical = "[blocs de couleurs : pixo[0],pixo[1],pixo[2],pixno[0],pixno[1],pixo[2] ]\r\n"
                             "12,200,7\r\n0,0,0\r\n255,255,255\r\n1,2,3\r\n40,50,60\r\n7,8,9\r\n";

class SampleSetFiles : public FilesTest {};

} // namespace

TEST(SampleText, GreenAndBlueAreReadFromAtMost255CharactersAfterTheFirstComma)
{
    EXPECT_EQ(TextToTriple("1,2," + QString(252, QLatin1Char('0')) + "7"), rgb(1, 2, 7));
    EXPECT_EQ(TextToTriple("1,2," + QString(253, QLatin1Char('0')) + "7"), rgb(1, 2, 0));
    EXPECT_EQ(TripleToText(rgb(12, 200, 7)), "12,200,7");
}

// Reading the canonical file back is the corpus' first case.
TEST_F(SampleSetFiles, SaveWritesExactBytes)
{
    Document doc;
    doc.pixo = {rgb(12, 200, 7), rgb(0, 0, 0), rgb(255, 255, 255)};
    doc.pixno = {rgb(1, 2, 3), rgb(40, 50, 60), rgb(7, 8, 9)};
    doc.stripPicture = blankStripPicture();
    doc.log = QStringList{"old"};
    SaveSampleSet(doc);
    EXPECT_EQ(read("ornival.ini"), canonical);
    EXPECT_EQ(doc.log, splitLines(canonical));
    EXPECT_EQ(readBmpFile("blocs_couleurs.bmp").convertToFormat(QImage::Format_RGB32),
              doc.stripPicture.convertToFormat(QImage::Format_RGB32));
}

TEST_F(SampleSetFiles, LoadFailuresStopWhereTheyHappen)
{
    Document doc;
    doc.log = QStringList{"kept?"};
    doc.pixo[0] = rgb(5, 5, 5);
    doc.stripPicture = blankStripPicture();
    EXPECT_EQ(errorOf([&] { LoadSampleSet(doc); }), "error Impossible d'ouvrir le fichier ornival.ini");
    EXPECT_TRUE(doc.log.isEmpty());
    EXPECT_EQ(doc.pixo[0], rgb(5, 5, 5));

    // Text read, picture missing or damaged: samples already replaced, strip kept.
    write("ornival.ini", canonical);
    EXPECT_EQ(errorOf([&] { LoadSampleSet(doc); }), "error Impossible d'ouvrir le fichier blocs_couleurs.bmp");
    EXPECT_EQ(doc.pixo[0], rgb(12, 200, 7));
    EXPECT_EQ(doc.stripPicture.size(), QSize(191, 31));
    write("blocs_couleurs.bmp", "BMnot really");
    EXPECT_EQ(errorOf([&] { LoadSampleSet(doc); }), "error Image bitmap incorrecte");
    EXPECT_EQ(doc.stripPicture.size(), QSize(191, 31));

    // A text file over the size limit is refused before it is read; an empty
    // picture file is an empty strip.
    write("blocs_couleurs.bmp", "");
    for (const qint64 size : {maxSampleSetFileBytes, maxSampleSetFileBytes + 1, 100LL << 20}) {
        SCOPED_TRACE(size);
        write("ornival.ini", canonical);
        ASSERT_TRUE(QFile("ornival.ini").resize(size));  // sparse: the test stays fast
        doc.log = QStringList{"old"};
        doc.pixo[0] = rgb(5, 5, 5);
        doc.stripPicture = QImage(5, 5, QImage::Format_RGB32);
        const bool refused = size > maxSampleSetFileBytes;
        EXPECT_EQ(errorOf([&] { LoadSampleSet(doc); }).has_value(), refused);
        EXPECT_EQ(doc.pixo[0], refused ? rgb(5, 5, 5) : rgb(12, 200, 7));
        EXPECT_EQ(doc.log.isEmpty(), refused);
        EXPECT_EQ(doc.stripPicture.isNull(), !refused);
    }

    // The factory set is read from its own pair.
    EXPECT_EQ(errorOf([&] { LoadFactorySampleSet(doc); }), "error Impossible d'ouvrir le fichier ornival0.ini");
    write("ornival0.ini", "h\n9,9,9\n");
    EXPECT_EQ(errorOf([&] { LoadFactorySampleSet(doc); }), "error Impossible d'ouvrir le fichier blocs_couleurs0.bmp");
    EXPECT_EQ(doc.pixo[0], rgb(9, 9, 9));
}

// The text is written first and the picture only after it: each failure
// names its file and leaves the other as the order implies.
TEST_F(SampleSetFiles, SaveFailureNamesItsFileAndStopsThere)
{
    Document doc;
    doc.stripPicture = blankStripPicture();
    QDir().mkdir("blocs_couleurs.bmp");
    EXPECT_EQ(errorOf([&] { SaveSampleSet(doc); }), "error Impossible de créer le fichier blocs_couleurs.bmp");
    EXPECT_EQ(read("ornival.ini").size(), 116);
    QDir().rmdir("blocs_couleurs.bmp");
    QFile::remove("ornival.ini");
    QDir().mkdir("ornival.ini");
    EXPECT_EQ(errorOf([&] { SaveSampleSet(doc); }), "error Impossible de créer le fichier ornival.ini");
    EXPECT_FALSE(QFile::exists("blocs_couleurs.bmp"));
}
