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

TEST(SampleText, LinesReadTheLenientWay)
{
    const std::pair<QString, ColorTriple> rows[] = {
        {"12,200,7", rgb(12, 200, 7)},
        {"10 ,20, 30", rgb(10, 20, 30)},
        {"12,34", rgb(12, 0, 34)},
        {"77", rgb(0, 0, 77)},
        {"", rgb(0, 0, 0)},
        {"300,-1,256", rgb(44, 255, 0)},
        {"-1 ,2,3", rgb(1, 2, 3)},  // a minus sign counts only when nothing follows the digits
        {"$ff,x10,0X1f", rgb(255, 16, 31)},
        {"+5,abc,9z", rgb(5, 0, 9)},
        {"1,2,3,4", rgb(1, 2, 3)},
        // A value of any length keeps its low 8 bits: 10^29 mod 256 = 0.
        {"100000000000000000000000000000,1,2", rgb(0, 1, 2)},
        {QString(100000, QLatin1Char('9')) + ",1,2", rgb(255, 1, 2)},
        {QString::fromLatin1("1\0002,3,4", 7), rgb(1, 3, 4)},
        // Green and blue are read from at most 255 characters after the first comma.
        {"1,2," + QString(252, QLatin1Char('0')) + "7", rgb(1, 2, 7)},
        {"1,2," + QString(253, QLatin1Char('0')) + "7", rgb(1, 2, 0)},
    };
    for (const auto& [line, expected] : rows) {
        SCOPED_TRACE(line.left(40).toStdString());
        EXPECT_EQ(TextToTriple(line), expected);
    }
    EXPECT_EQ(TripleToText(rgb(12, 200, 7)), "12,200,7");
    EXPECT_EQ(splitLines("a\r\nb\rc\nd\n\re\r\n\r\nf\r\n"), (QStringList{"a", "b", "c", "d", "e", "", "f"}));
    EXPECT_EQ(splitLines(""), QStringList{});
}

TEST_F(SampleSetFiles, SaveWritesExactBytesAndReadsBack)
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

    Document back;
    LoadSampleSet(back);
    EXPECT_EQ(back.pixo, doc.pixo);
    EXPECT_EQ(back.pixno, doc.pixno);
    EXPECT_EQ(back.log, doc.log);
    EXPECT_EQ(back.stripPicture.size(), QSize(191, 31));
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
    write("blocs_couleurs.bmp", "");
    LoadSampleSet(doc);
    EXPECT_TRUE(doc.stripPicture.isNull());

    // A text file over the size limit is refused before it is read.
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
        EXPECT_EQ(doc.stripPicture.isNull(), !refused);  // the picture is the empty file
    }

    // The factory set is read from its own pair.
    EXPECT_EQ(errorOf([&] { LoadFactorySampleSet(doc); }), "error Impossible d'ouvrir le fichier ornival0.ini");
    write("ornival0.ini", "h\n9,9,9\n");
    EXPECT_EQ(errorOf([&] { LoadFactorySampleSet(doc); }), "error Impossible d'ouvrir le fichier blocs_couleurs0.bmp");
    EXPECT_EQ(doc.pixo[0], rgb(9, 9, 9));
}

TEST_F(SampleSetFiles, SaveFailureKeepsTheOldFiles)
{
    Document doc;
    doc.stripPicture = blankStripPicture();
    // A folder in the picture's place, then in the text's place: the picture
    // is not written after a failed text.
    write("ornival.ini", canonical);
    QDir().mkdir("blocs_couleurs.bmp");
    EXPECT_EQ(errorOf([&] { SaveSampleSet(doc); }), "error Impossible de créer le fichier blocs_couleurs.bmp");
    QDir().rmdir("blocs_couleurs.bmp");
    QFile::remove("ornival.ini");
    QDir().mkdir("ornival.ini");
    EXPECT_EQ(errorOf([&] { SaveSampleSet(doc); }), "error Impossible de créer le fichier ornival.ini");
    EXPECT_FALSE(QFile::exists("blocs_couleurs.bmp"));
    QDir().rmdir("ornival.ini");

    // A full disk: the old text file stays whole and the picture is not written.
    write("ornival.ini", canonical);
    std::optional<DiskFullAfter> full(std::in_place, 50);
    EXPECT_EQ(errorOf([&] { SaveSampleSet(doc); }), "error Impossible de créer le fichier ornival.ini");
    full.reset();
    EXPECT_EQ(read("ornival.ini"), canonical);
    EXPECT_FALSE(QFile::exists("blocs_couleurs.bmp"));
    // The picture alone does not fit: the text is written, the old picture kept.
    write("blocs_couleurs.bmp", "old picture");
    full.emplace(1000);
    EXPECT_EQ(errorOf([&] { SaveSampleSet(doc); }), "error Impossible de créer le fichier blocs_couleurs.bmp");
    full.reset();
    EXPECT_EQ(read("ornival.ini").size(), 116);
    EXPECT_EQ(read("blocs_couleurs.bmp"), "old picture");
}
