#include "FilesTestSupport.h"

#include "core/Count.h"
#include "core/OrnivalError.h"
#include "core/Separation.h"
#include "files/PhotoFile.h"
#include "files/WorkBitmapFile.h"

#include <QtEndian>

#include <gtest/gtest.h>

using namespace filestest;

namespace {

QByteArray bmpOf(const QImage& image)
{
    return encodeBmp(image);
}

void put32(QByteArray& b, int at, qint32 v)
{
    qToLittleEndian<qint32>(v, b.data() + at);
}

void put16(QByteArray& b, int at, quint16 v)
{
    qToLittleEndian<quint16>(v, b.data() + at);
}

QImage colourPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 20, y * 30, 99));
    return image;
}

// A document with a separated photo: a dark square is bird.
Document separated(const QString& photo)
{
    Document doc;
    InitArrowPoints(doc);
    EXPECT_FALSE(loadPhoto(doc, photo).failureMessage);
    doc.pixo = {ColorTriple{20, 20, 20}, ColorTriple{20, 20, 20}, ColorTriple{20, 20, 20}};
    doc.pixno = {ColorTriple{200, 200, 200}, ColorTriple{120, 120, 120}, ColorTriple{60, 200, 250}};
    separateBirds(doc, [] {});
    return doc;
}

} // namespace

TEST(WorkBitmapName, Rule)
{
    EXPECT_EQ(workBitmapFileName("C:\\Photos\\vol 12.jpg"), "C:\\Photos\\vol 12.bmp");
    EXPECT_EQ(workBitmapFileName("C:\\Photos\\VOL.JPG"), "C:\\Photos\\VOL.bmp");
    EXPECT_EQ(workBitmapFileName("photo.jpeg"), "photo..bmp");
    EXPECT_EQ(workBitmapFileName("/home/é/vol d'étourneaux.jpg"), "/home/é/vol d'étourneaux.bmp");
    EXPECT_EQ(workBitmapFileName("ab"), ".bmp");
}

TEST(WorkBitmapFile, SaveIsEightBitWithAPaletteAndLoadCountsTheSame)
{
    InTemporaryFolder folder;
    writeFile("vol d'étourneaux.jpg", makeJpeg(90, 60));
    Document doc = separated("vol d'étourneaux.jpg");
    const CountOutcome first = countBirds(doc, "auto");
    const QString total = doc.totalText;
    ASSERT_GT(doc.groupCount, 0);
    saveWorkBitmap(doc);
    const QByteArray bytes = readFile("vol d'étourneaux.bmp");
    ASSERT_GT(bytes.size(), 54);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), 8);  // bits per pixel
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 10), 14u + 40u + 256u * 4u);

    Document again;
    InitArrowPoints(again);
    ASSERT_FALSE(loadPhoto(again, "vol d'étourneaux.jpg").failureMessage);
    loadWorkBitmap(again);
    EXPECT_EQ(again.workflowStep, 2);
    EXPECT_TRUE(again.blackShown);
    EXPECT_EQ(again.arrowPosition, (TPoint{775, 124}));  // the load does not move it
    EXPECT_EQ(again.groupMaskCopy, doc.groupMaskCopy);
    countBirds(again, *first.thresholdText);
    EXPECT_EQ(again.totalText, total);
}

// A working bitmap loaded from a file keeps its format and size through a
// separation, so that "sauver bmp" writes the depth it was read with.
TEST(WorkBitmapFile, SeparationKeepsTheLoadedFormatAndSize)
{
    InTemporaryFolder folder;
    writeFile("p.jpg", makeJpeg(40, 30));
    const Document reference = separated("p.jpg");
    QImage start(44, 33, QImage::Format_RGB32);  // larger than the photo
    start.fill(Qt::white);
    start.setPixel(43, 32, qRgb(0, 0, 0));
    struct Row {
        const char* name;
        QImage image;
        int savedDepth;
    };
    const Row rows[] = {
        {"1-bit", start.convertToFormat(QImage::Format_Mono), 1},
        {"1-bit of one colour", start.convertToFormat(QImage::Format_Mono, QList<QRgb>{qRgb(0, 0, 0), qRgb(0, 9, 9)}), 1},
        {"4-bit, written with 8 bits", start.convertToFormat(QImage::Format_Indexed8, QList<QRgb>{qRgb(9, 9, 9), qRgb(0, 0, 0), qRgb(255, 255, 255)}), 8},
        {"8-bit of another table", start.convertToFormat(QImage::Format_Indexed8, QList<QRgb>(200, qRgb(200, 0, 0)) << qRgb(0, 0, 0) << qRgb(250, 250, 250)), 8},
        {"24-bit", start.convertToFormat(QImage::Format_RGB888), 24},
    };
    // The cells of bird pixels (255) of a group mask.
    auto birds = [](const std::vector<std::uint8_t>& mask) {
        std::vector<bool> bird;
        for (const std::uint8_t cell : mask)
            bird.push_back(cell == 255);
        return bird;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile("p.bmp", encodeBmp(row.image));
        Document doc;
        InitArrowPoints(doc);
        ASSERT_FALSE(loadPhoto(doc, "p.jpg").failureMessage);
        loadWorkBitmap(doc);
        const QImage::Format loaded = doc.workBitmap.format();
        doc.pixo = reference.pixo;
        doc.pixno = reference.pixno;
        separateBirds(doc, [] {});
        EXPECT_EQ(doc.workBitmap.format(), loaded);
        EXPECT_EQ(doc.workBitmap.size(), QSize(44, 33));
        EXPECT_EQ(birds(doc.groupMaskCopy), birds(reference.groupMaskCopy));
        EXPECT_EQ(qRed(doc.workBitmap.pixel(43, 32)), 0);  // outside the photo: kept
        saveWorkBitmap(doc);
        EXPECT_EQ(qFromLittleEndian<quint16>(readFile("p.bmp").constData() + 28), row.savedDepth);
        loadWorkBitmap(doc);
        EXPECT_EQ(birds(doc.groupMaskCopy), birds(reference.groupMaskCopy));
    }
}

TEST(WorkBitmapFile, LoadFailuresChangeNothing)
{
    InTemporaryFolder folder;
    writeFile("p.jpg", makeJpeg(40, 30));
    Document doc = separated("p.jpg");
    const auto mask = doc.groupMaskCopy;
    const QImage work = doc.workBitmap;
    const QImage shown = doc.displayedPhoto;
    struct Row {
        const char* name;
        std::optional<QByteArray> bytes;  // unset: no file
        QString message;
    };
    const Row rows[] = {{"missing", std::nullopt, "Impossible d'ouvrir le fichier p.bmp"},
                        {"a JPEG named .bmp", makeJpeg(40, 30), "Image bitmap incorrecte"},
                        {"text", QByteArray("hello"), "Image bitmap incorrecte"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove("p.bmp");
        if (row.bytes)
            writeFile("p.bmp", *row.bytes);
        doc.workflowStep = 3;
        try {
            loadWorkBitmap(doc);
            FAIL();
        } catch (const OrnivalError& e) {
            EXPECT_EQ(e.text(), row.message);
        }
        EXPECT_EQ(doc.workflowStep, 3);
        EXPECT_EQ(doc.groupMaskCopy, mask);
        EXPECT_EQ(doc.workBitmap, work);
        EXPECT_EQ(doc.displayedPhoto, shown);
    }
    // A 0-byte file is an empty working bitmap: everything is sky.
    writeFile("p.bmp", "");
    loadWorkBitmap(doc);
    EXPECT_TRUE(doc.workBitmap.isNull());
    EXPECT_EQ(doc.workflowStep, 2);
    EXPECT_EQ(std::count(doc.groupMaskCopy.begin(), doc.groupMaskCopy.end(), 255), 0);
}

TEST(WorkBitmapFile, SaveFailureLeavesTheOldFile)
{
    InTemporaryFolder folder;
    QDir().mkdir("dossier.bmp");
    struct Row {
        const char* name;
        QString photo;
        bool diskFull;
    };
    const Row rows[] = {
        {"missing folder", folder.path("nowhere/p.jpg"), false},
        {"a folder in the file's place", "dossier.jpg", false},
        {"full disk", "p.jpg", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile("p.bmp", "old bitmap");
        Document doc;
        doc.photoFileName = row.photo;
        doc.workBitmap = newWorkBitmap(100, 100);
        const QImage before = doc.workBitmap;
        try {
            std::optional<DiskFullAfter> full;
            if (row.diskFull)
                full.emplace(1000);
            saveWorkBitmap(doc);
            FAIL();
        } catch (const OrnivalError& e) {
            EXPECT_EQ(e.text(), "Impossible de créer le fichier " + workBitmapFileName(row.photo));
        }
        EXPECT_EQ(readFile("p.bmp"), "old bitmap");
        EXPECT_EQ(doc.workBitmap, before);
    }
    // No temporary file is left behind.
    EXPECT_EQ(QDir().entryList(QDir::Files), QStringList{"p.bmp"});
}

TEST(WorkBitmapFile, SavedHeaderIsEightBitsWithABlackAndWhiteTable)
{
    InTemporaryFolder folder;
    Document doc;
    doc.photoFileName = "vol.jpg";
    doc.workBitmap = newWorkBitmap(7, 3);
    doc.workBitmap.setPixel(2, 1, 0);
    saveWorkBitmap(doc);
    const QByteArray b = readFile("vol.bmp");
    ASSERT_GE(b.size(), 54 + 256 * 4 + 8 * 3);
    EXPECT_EQ(b.left(2), "BM");
    EXPECT_EQ(qFromLittleEndian<quint32>(b.constData() + 14), 40u);   // info header
    EXPECT_EQ(qFromLittleEndian<qint32>(b.constData() + 18), 7);      // width
    EXPECT_EQ(qFromLittleEndian<qint32>(b.constData() + 22), 3);      // bottom-up rows
    EXPECT_EQ(qFromLittleEndian<quint16>(b.constData() + 28), 8);     // bits per pixel
    EXPECT_EQ(qFromLittleEndian<quint32>(b.constData() + 30), 0u);    // uncompressed
    const quint32 offset = qFromLittleEndian<quint32>(b.constData() + 10);
    ASSERT_EQ(offset, 14u + 40u + 256u * 4u);
    // The table holds pure black and pure white (blue, green, red, 0).
    QList<QByteArray> entries;
    for (int i = 0; i < 256; ++i)
        entries.append(b.mid(54 + 4 * i, 4));
    EXPECT_TRUE(entries.contains(QByteArray("\0\0\0\0", 4)));
    EXPECT_TRUE(entries.contains(QByteArray("\xFF\xFF\xFF\0", 4)));
    // Row 1 from the bottom is the picture's row 1; stride 8.
    const uchar* row1 = reinterpret_cast<const uchar*>(b.constData()) + offset + 8;
    EXPECT_EQ(qRed(readBmpFile("vol.bmp").pixel(2, 1)), 0);
    EXPECT_NE(row1[2], row1[1]);
    // A working bitmap loaded from a 16-colour file is written with 8 bits too.
    doc.workBitmap = doc.workBitmap.convertToFormat(QImage::Format_Indexed8, QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)});
    saveWorkBitmap(doc);
    EXPECT_EQ(qFromLittleEndian<quint16>(readFile("vol.bmp").constData() + 28), 8);
}

TEST(BmpDecode, DepthsAndDamagedHeaders)
{
    const QImage colours = colourPicture(13, 7);
    struct Good {
        const char* name;
        QImage image;
    };
    QImage mono = colours.convertToFormat(QImage::Format_Mono);
    QImage indexed = colours.convertToFormat(QImage::Format_Indexed8);
    QImage four = colours.convertToFormat(QImage::Format_Indexed8, QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0)});
    const Good goods[] = {{"1-bit", mono}, {"4-bit", four}, {"8-bit", indexed},
                          {"24-bit", colours.convertToFormat(QImage::Format_RGB888)}, {"32-bit", colours}};
    for (const Good& g : goods) {
        SCOPED_TRACE(g.name);
        const QImage back = decodeBmp(bmpOf(g.image));
        EXPECT_EQ(back.size(), QSize(13, 7));
        EXPECT_EQ(back.pixel(3, 2), g.image.pixel(3, 2));
    }

    const QByteArray base = bmpOf(colours.convertToFormat(QImage::Format_RGB888));
    auto with = [&](auto change) {
        QByteArray b = base;
        change(b);
        return b;
    };
    // Top-down rows work.
    {
        QByteArray b = with([](QByteArray& b) { put32(b, 22, -7); });
        const QImage back = decodeBmp(b);
        EXPECT_EQ(back.pixel(3, 0), decodeBmp(base).pixel(3, 6));
    }
    struct Bad {
        const char* name;
        QByteArray bytes;
    };
    const Bad bads[] = {
        {"headers cut", base.left(30)},
        {"rows cut", base.left(base.size() - 10)},
        {"offset past the end", with([](QByteArray& b) { put32(b, 10, 1 << 20); })},
        {"offset inside the headers", with([](QByteArray& b) { put32(b, 10, 20); })},
        {"zero width", with([](QByteArray& b) { put32(b, 18, 0); })},
        {"negative width", with([](QByteArray& b) { put32(b, 18, -13); })},
        {"zero height", with([](QByteArray& b) { put32(b, 22, 0); })},
        {"huge size", with([](QByteArray& b) { put32(b, 18, 100000); put32(b, 22, 100000); })},
        {"bit depth 7", with([](QByteArray& b) { put16(b, 28, 7); })},
        {"compression 9", with([](QByteArray& b) { put32(b, 30, 9); })},
        {"RLE on 24 bits", with([](QByteArray& b) { put32(b, 30, 1); })},
        {"unknown header size", with([](QByteArray& b) { put32(b, 14, 77); })},
        {"not BM", with([](QByteArray& b) { b[0] = 'X'; })},
    };
    for (const Bad& bad : bads) {
        SCOPED_TRACE(bad.name);
        EXPECT_THROW(decodeBmp(bad.bytes), OrnivalError);
    }
    // An 8-bit file whose pixels name entries past its colour table.
    QImage few(4, 4, QImage::Format_Indexed8);
    few.setColorTable(QList<QRgb>(200, qRgb(1, 2, 3)));
    few.fill(150);
    QByteArray pastTable = bmpOf(few);
    put32(pastTable, 46, 100);  // the table now declares 100 colours
    EXPECT_THROW(decodeBmp(pastTable), OrnivalError);
}
