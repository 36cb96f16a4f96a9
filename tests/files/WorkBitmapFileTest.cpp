#include "FilesTestSupport.h"

#include "core/Count.h"
#include "core/Separation.h"
#include "files/WorkBitmapFile.h"

#include <QtEndian>

using namespace filestest;

namespace {

class WorkBitmapFile : public FilesTest {};

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
    Document doc;
    InitArrowPoints(doc);
    ASSERT_FALSE(loadPhoto(doc, "vol d'étourneaux.jpg").failureMessage);
    doc.pixo.fill(ColorTriple{20, 20, 20});  // the dark square is bird
    doc.pixno = {ColorTriple{200, 200, 200}, ColorTriple{120, 120, 120}, ColorTriple{250, 200, 60}};
    separateBirds(doc, [] {});
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
}

TEST_F(WorkBitmapFile, SaveFailureLeavesTheOldFile)
{
    QDir().mkdir("dossier.bmp");
    struct Row {
        const char* name;
        QString photo;
        bool diskFull;
    };
    const Row rows[] = {
        {"missing folder", path("nowhere/p.jpg"), false},
        {"a folder in the file's place", "dossier.jpg", false},
        {"full disk", "p.jpg", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        write("p.bmp", "old bitmap");
        Document doc;
        doc.photoFileName = row.photo;
        doc.workBitmap = newWorkBitmap(100, 100);
        const QImage before = doc.workBitmap;
        std::optional<DiskFullAfter> full;
        if (row.diskFull)
            full.emplace(1000);
        EXPECT_EQ(errorOf([&] { saveWorkBitmap(doc); }),
                  "error Impossible de créer le fichier " + workBitmapFileName(row.photo));
        full.reset();
        EXPECT_EQ(read("p.bmp"), "old bitmap");
        EXPECT_EQ(doc.workBitmap, before);
    }
    // No temporary file is left behind.
    EXPECT_EQ(QDir().entryList(QDir::Files), QStringList{"p.bmp"});
}
