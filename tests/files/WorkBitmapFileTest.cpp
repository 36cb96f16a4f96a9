#include "FilesTestSupport.h"

#include "core/Count.h"
#include "core/Separation.h"
#include "files/WorkBitmapFile.h"

#include <QtEndian>

using namespace filestest;

namespace {

class WorkBitmapFile : public FilesTest {
protected:
    // The photo separated: its dark square is bird.
    static Document separated(const QString& photo)
    {
        Document doc;
        InitArrowPoints(doc);
        EXPECT_FALSE(loadPhoto(doc, photo).failureMessage);
        doc.pixo.fill(ColorTriple{20, 20, 20});
        doc.pixno = {ColorTriple{200, 200, 200}, ColorTriple{120, 120, 120}, ColorTriple{250, 200, 60}};
        separateBirds(doc, [] {});
        return doc;
    }
};

} // namespace

TEST(WorkBitmapName, LastFourCharactersGiveWayToBmp)
{
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\Photos\\vol 12.jpg", "C:\\Photos\\vol 12.bmp"}, {"VOL.JPG", "VOL.bmp"}, {"photo.jpeg", "photo..bmp"},
        {"/home/é/vol d'étourneaux.jpg", "/home/é/vol d'étourneaux.bmp"}, {"abcd", ".bmp"}, {"ab", ".bmp"}};
    for (const auto& [photo, bmp] : rows)
        EXPECT_EQ(workBitmapFileName(QString::fromUtf8(photo)), QString::fromUtf8(bmp));
}

TEST_F(WorkBitmapFile, SavedAsEightBitsWithBlackAndWhiteAndLoadedBackCountsTheSame)
{
    ASSERT_TRUE(QFile::copy(corpus("jpeg/baseline.jpg"), "vol d'étourneaux.jpg"));
    Document doc = separated("vol d'étourneaux.jpg");
    const CountOutcome first = countBirds(doc, "auto");
    ASSERT_GT(doc.groupCount, 0);
    saveWorkBitmap(doc);

    const QByteArray b = read("vol d'étourneaux.bmp");
    ASSERT_GE(b.size(), 54 + 256 * 4 + 64 * 48);
    EXPECT_EQ(b.left(2), "BM");
    EXPECT_EQ(qFromLittleEndian<quint32>(b.constData() + 14), 40u);  // info header
    EXPECT_EQ(qFromLittleEndian<qint32>(b.constData() + 22), 48);    // bottom-up rows
    EXPECT_EQ(qFromLittleEndian<quint16>(b.constData() + 28), 8);    // bits per pixel
    EXPECT_EQ(qFromLittleEndian<quint32>(b.constData() + 30), 0u);   // uncompressed
    EXPECT_EQ(qFromLittleEndian<quint32>(b.constData() + 10), 14u + 40u + 256u * 4u);
    QList<QByteArray> table;
    for (int i = 0; i < 256; ++i)
        table.append(b.mid(54 + 4 * i, 4));
    EXPECT_TRUE(table.contains(QByteArray("\0\0\0\0", 4)));
    EXPECT_TRUE(table.contains(QByteArray("\xFF\xFF\xFF\0", 4)));

    Document again;
    InitArrowPoints(again);
    ASSERT_FALSE(loadPhoto(again, "vol d'étourneaux.jpg").failureMessage);
    loadWorkBitmap(again);
    EXPECT_EQ(again.groupMaskCopy, doc.groupMaskCopy);
    countBirds(again, *first.thresholdText);
    EXPECT_EQ(again.totalText, doc.totalText);

    // A working bitmap of two colours is still written with 8 bits.
    doc.workBitmap = doc.workBitmap.convertToFormat(QImage::Format_Indexed8, QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)});
    saveWorkBitmap(doc);
    EXPECT_EQ(qFromLittleEndian<quint16>(read("vol d'étourneaux.bmp").constData() + 28), 8);
    // A failed save names the file and changes nothing.
    const QImage before = doc.workBitmap;
    doc.photoFileName = "nowhere/p.jpg";
    EXPECT_EQ(errorOf([&] { saveWorkBitmap(doc); }), "error Impossible de créer le fichier nowhere/p.bmp");
    EXPECT_EQ(doc.workBitmap, before);
}

// A working bitmap loaded from a file keeps its format and size through a
// separation, so that "sauver bmp" writes the depth it was read with.
TEST_F(WorkBitmapFile, SeparationKeepsTheLoadedFormatAndSize)
{
    ASSERT_TRUE(QFile::copy(corpus("jpeg/baseline.jpg"), "p.jpg"));
    const Document reference = separated("p.jpg");
    QImage start(68, 51, QImage::Format_RGB32);  // larger than the photo
    start.fill(Qt::white);
    start.setPixel(67, 50, qRgb(0, 0, 0));
    const std::tuple<const char*, QImage, int> rows[] = {
        {"1-bit", start.convertToFormat(QImage::Format_Mono), 1},
        {"1-bit of one colour", start.convertToFormat(QImage::Format_Mono, QList<QRgb>{qRgb(0, 0, 0), qRgb(0, 9, 9)}), 1},
        {"4-bit, written with 8 bits",
         start.convertToFormat(QImage::Format_Indexed8, QList<QRgb>{qRgb(9, 9, 9), qRgb(0, 0, 0), qRgb(255, 255, 255)}), 8},
        {"8-bit of another table",
         start.convertToFormat(QImage::Format_Indexed8, QList<QRgb>(200, qRgb(200, 0, 0)) << qRgb(0, 0, 0) << qRgb(250, 250, 250)), 8},
        {"24-bit", start.convertToFormat(QImage::Format_RGB888), 24},
    };
    auto birds = [](const std::vector<std::uint8_t>& mask) {
        std::vector<bool> bird;
        for (const std::uint8_t cell : mask)
            bird.push_back(cell == 255);
        return bird;
    };
    for (const auto& [name, image, savedDepth] : rows) {
        SCOPED_TRACE(name);
        write("p.bmp", encodeBmp(image));
        Document doc = withPhoto("p.jpg");
        loadWorkBitmap(doc);
        const QImage::Format loaded = doc.workBitmap.format();
        doc.pixo = reference.pixo;
        doc.pixno = reference.pixno;
        separateBirds(doc, [] {});
        EXPECT_EQ(doc.workBitmap.format(), loaded);
        EXPECT_EQ(doc.workBitmap.size(), QSize(68, 51));
        EXPECT_EQ(birds(doc.groupMaskCopy), birds(reference.groupMaskCopy));
        EXPECT_EQ(qRed(doc.workBitmap.pixel(67, 50)), 0);  // outside the photo: kept
        saveWorkBitmap(doc);
        EXPECT_EQ(qFromLittleEndian<quint16>(read("p.bmp").constData() + 28), savedDepth);
        loadWorkBitmap(doc);
        EXPECT_EQ(birds(doc.groupMaskCopy), birds(reference.groupMaskCopy));
    }
}
