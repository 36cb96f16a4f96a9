#include "FilesTestSupport.h"

#include "core/OrnivalError.h"
#include "core/SampleStrip.h"
#include "files/BmpFile.h"
#include "files/SampleSetFile.h"

#include <gtest/gtest.h>

using namespace filestest;

namespace {

ColorTriple rgb(int r, int g, int b)
{
    return ColorTriple{std::uint8_t(b), std::uint8_t(g), std::uint8_t(r)};
}

const QByteArray canonical = "[blocs de couleurs : pixo[0],pixo[1],pixo[2],pixno[0],pixno[1],pixo[2] ]\r\n"
                             "12,200,7\r\n0,0,0\r\n255,255,255\r\n1,2,3\r\n40,50,60\r\n7,8,9\r\n";

void writeStrip(const QString& name)
{
    writeFile(name, encodeBmp(blankStripPicture()));
}

} // namespace

TEST(SampleText, Lines)
{
    struct Row {
        const char* line;
        ColorTriple expected;
    };
    const Row rows[] = {
        {"12,200,7", rgb(12, 200, 7)},
        {"10, 20, 30", rgb(10, 20, 30)},
        {"10 ,20 ,30", rgb(10, 20, 30)},
        {"12,34", rgb(12, 0, 34)},
        {"77", rgb(0, 0, 77)},
        {"", rgb(0, 0, 0)},
        {"300,-1,256", rgb(44, 255, 0)},
        {"-1 ,2,3", rgb(1, 2, 3)},  // a minus sign counts only when nothing follows the digits
        {"$ff,x10,0X1f", rgb(255, 16, 31)},
        {"+5,abc,9z", rgb(5, 0, 9)},
        {",,", rgb(0, 0, 0)},
        {"1,2,3,4", rgb(1, 2, 3)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(TextToTriple(QString::fromLatin1(row.line)), row.expected);
    }
    // A value of any length keeps its low 8 bits: 10^29 mod 256 = 0.
    EXPECT_EQ(TextToTriple("100000000000000000000000000000,1,2"), rgb(0, 1, 2));
    EXPECT_EQ(TextToTriple(QString(100000, QLatin1Char('9')) + ",1,2").rgbtGreen, 1);
    EXPECT_EQ(TextToTriple(QString::fromLatin1("1\0002,3,4", 7)), rgb(1, 3, 4));
    // The blue part is read from at most 255 characters after the second comma.
    EXPECT_EQ(TextToTriple("1,2," + QString(255, QLatin1Char('0')) + "7").rgbtBlue, 0);
    EXPECT_EQ(TripleToText(rgb(12, 200, 7)), "12,200,7");
}

TEST(SampleText, LineEnds)
{
    EXPECT_EQ(splitLines("a\r\nb\rc\nd\n\re"), (QStringList{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(splitLines("a\r\n\r\nb\r\n"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(splitLines(""), QStringList{});
    EXPECT_EQ(sampleSetHeader().size(), 72);
}

TEST(SampleSetFiles, SaveWritesExactBytesAndReadsBack)
{
    InTemporaryFolder folder;
    Document doc;
    doc.pixo = {rgb(12, 200, 7), rgb(0, 0, 0), rgb(255, 255, 255)};
    doc.pixno = {rgb(1, 2, 3), rgb(40, 50, 60), rgb(7, 8, 9)};
    doc.stripPicture = blankStripPicture();
    doc.log = QStringList{"old"};
    SaveSampleSet(doc);
    EXPECT_EQ(readFile("ornival.ini"), canonical);
    EXPECT_EQ(doc.log.size(), 7);
    EXPECT_EQ(readBmpFile("blocs_couleurs.bmp").size(), QSize(191, 31));

    Document back;
    LoadSampleSet(back);
    EXPECT_EQ(back.pixo, doc.pixo);
    EXPECT_EQ(back.pixno, doc.pixno);
    EXPECT_EQ(back.log, doc.log);
    EXPECT_EQ(back.stripPicture.size(), QSize(191, 31));
}

TEST(SampleSetFiles, VariantsReadLikeTheCanonicalFile)
{
    const QByteArray body = "12,200,7\n0,0,0\n255,255,255\n1,2,3\n40,50,60\n7,8,9";
    struct Row {
        const char* name;
        QByteArray bytes;
    };
    QByteArray many = "x\n" + body + "\n";
    for (int i = 0; i < 10000; ++i)
        many += "1,1,1\n";
    const Row rows[] = {
        {"LF only", "header\n" + body + "\n"},
        {"CR only", QByteArray("header\r" + body).replace('\n', '\r')},
        {"LF CR", QByteArray("header\n" + body).replace("\n", "\n\r")},
        {"empty first line", "\r\n" + QByteArray(canonical).mid(canonical.indexOf('\n') + 1)},
        {"no final line end", "h\n" + body},
        {"BOM and another header", "\xEF\xBB\xBFwhatever\r\n" + body},
        {"ten thousand lines", many},
    };
    InTemporaryFolder folder;
    writeStrip("blocs_couleurs.bmp");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile("ornival.ini", row.bytes);
        Document doc;
        LoadSampleSet(doc);
        EXPECT_EQ(doc.pixo[0], rgb(12, 200, 7));
        EXPECT_EQ(doc.pixno[2], rgb(7, 8, 9));
    }
    // Missing lines read as empty: black.
    writeFile("ornival.ini", "h\r\n1,2,3\r\n");
    Document doc;
    doc.pixno[2] = rgb(9, 9, 9);
    LoadSampleSet(doc);
    EXPECT_EQ(doc.pixo[0], rgb(1, 2, 3));
    EXPECT_EQ(doc.pixno[2], rgb(0, 0, 0));
    // Binary junk never misbehaves.
    QByteArray junk(4096, 0);
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919) & 0xFF);
    writeFile("ornival.ini", junk);
    LoadSampleSet(doc);
}

TEST(SampleSetFiles, FailuresStopWhereTheyHappen)
{
    InTemporaryFolder folder;
    Document doc;
    doc.log = QStringList{"kept?"};
    doc.pixo[0] = rgb(5, 5, 5);
    doc.stripPicture = blankStripPicture();
    try {
        LoadSampleSet(doc);
        FAIL();
    } catch (const OrnivalError& e) {
        EXPECT_EQ(e.text(), "Impossible d'ouvrir le fichier ornival.ini");
    }
    EXPECT_TRUE(doc.log.isEmpty());
    EXPECT_EQ(doc.pixo[0], rgb(5, 5, 5));

    // Text read, picture missing: samples already replaced, strip kept.
    writeFile("ornival.ini", canonical);
    try {
        LoadSampleSet(doc);
        FAIL();
    } catch (const OrnivalError& e) {
        EXPECT_EQ(e.text(), "Impossible d'ouvrir le fichier blocs_couleurs.bmp");
    }
    EXPECT_EQ(doc.pixo[0], rgb(12, 200, 7));
    EXPECT_EQ(doc.stripPicture.size(), QSize(191, 31));

    writeFile("blocs_couleurs.bmp", "BMnot really");
    EXPECT_THROW(LoadSampleSet(doc), OrnivalError);
    EXPECT_EQ(doc.stripPicture.size(), QSize(191, 31));
    writeFile("blocs_couleurs.bmp", "");
    LoadSampleSet(doc);
    EXPECT_TRUE(doc.stripPicture.isNull());

    // The factory set is read from its own pair.
    try {
        LoadFactorySampleSet(doc);
        FAIL();
    } catch (const OrnivalError& e) {
        EXPECT_EQ(e.text(), "Impossible d'ouvrir le fichier ornival0.ini");
    }
}

TEST(SampleSetFiles, OversizedTextIsRefusedBeforeItIsRead)
{
    InTemporaryFolder folder;
    writeStrip("blocs_couleurs.bmp");
    struct Row {
        const char* name;
        qint64 size;
        bool refused;
    };
    const Row rows[] = {{"at the limit", maxSampleSetFileBytes, false},
                        {"one byte more", maxSampleSetFileBytes + 1, true},
                        {"100 MB", 100LL << 20, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile("ornival.ini", canonical);
        QFile file("ornival.ini");
        ASSERT_TRUE(file.resize(row.size));  // sparse: the test stays fast
        Document doc;
        doc.log = QStringList{"old"};
        doc.pixo[0] = rgb(5, 5, 5);
        doc.stripPicture = QImage(5, 5, QImage::Format_RGB32);
        try {
            LoadSampleSet(doc);
            EXPECT_FALSE(row.refused);
            EXPECT_EQ(doc.pixo[0], rgb(12, 200, 7));
        } catch (const OrnivalError& e) {
            EXPECT_TRUE(row.refused);
            EXPECT_EQ(e.text(), "Impossible d'ouvrir le fichier ornival.ini");
            EXPECT_TRUE(doc.log.isEmpty());
            EXPECT_EQ(doc.pixo[0], rgb(5, 5, 5));
            EXPECT_EQ(doc.stripPicture.size(), QSize(5, 5));
        }
    }
}

TEST(SampleSetFiles, SaveFailureKeepsTheOldFiles)
{
    InTemporaryFolder folder;
    writeFile("ornival.ini", canonical);
    QDir().mkdir("blocs_couleurs.bmp");  // a folder in the picture's place
    Document doc;
    doc.stripPicture = blankStripPicture();
    try {
        SaveSampleSet(doc);
        FAIL();
    } catch (const OrnivalError& e) {
        EXPECT_EQ(e.text(), "Impossible de créer le fichier blocs_couleurs.bmp");
    }
    QDir().rmdir("blocs_couleurs.bmp");
    QDir().mkdir("ornival.ini.lock");
    QFile::remove("ornival.ini");
    QDir().mkdir("ornival.ini");
    try {
        SaveSampleSet(doc);
        FAIL();
    } catch (const OrnivalError& e) {
        EXPECT_EQ(e.text(), "Impossible de créer le fichier ornival.ini");
    }
    EXPECT_FALSE(QFile::exists("blocs_couleurs.bmp"));

    // A full disk: the old text file stays whole and the picture is not written.
    QDir().rmdir("ornival.ini");
    writeFile("ornival.ini", canonical);
    try {
        DiskFullAfter full(50);
        SaveSampleSet(doc);
        FAIL();
    } catch (const OrnivalError& e) {
        EXPECT_EQ(e.text(), "Impossible de créer le fichier ornival.ini");
    }
    EXPECT_EQ(readFile("ornival.ini"), canonical);
    EXPECT_FALSE(QFile::exists("blocs_couleurs.bmp"));
    // The picture alone does not fit: the text is written, the old picture kept.
    writeFile("blocs_couleurs.bmp", "old picture");
    try {
        DiskFullAfter full(1000);
        SaveSampleSet(doc);
        FAIL();
    } catch (const OrnivalError& e) {
        EXPECT_EQ(e.text(), "Impossible de créer le fichier blocs_couleurs.bmp");
    }
    EXPECT_EQ(readFile("ornival.ini").size(), 116);
    EXPECT_EQ(readFile("blocs_couleurs.bmp"), "old picture");
}
