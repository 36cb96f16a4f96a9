#include "FilesTestSupport.h"

#include "core/Groups.h"
#include "core/OrnivalError.h"
#include "files/BmpFile.h"
#include "files/PhotoFile.h"
#include "files/PngFile.h"

#include <gtest/gtest.h>

#include <jerror.h>

using namespace filestest;

namespace {

std::optional<QString> decodeFailure(const QByteArray& bytes, const JpegLimits& limits = {})
{
    try {
        decodeJpeg(bytes, limits);
    } catch (const OrnivalError& e) {
        return e.text();
    }
    return std::nullopt;
}

QString jpegErrorText(int code)
{
    return QStringLiteral("Erreur JPEG #%1").arg(code);
}

} // namespace

TEST(JpegDecode, GoodFilesOfEveryKind)
{
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive, JpegKind::Arithmetic, JpegKind::Greyscale}) {
        SCOPED_TRACE(int(kind));
        const QImage image = decodeJpeg(makeJpeg(67, 45, kind));
        ASSERT_EQ(image.size(), QSize(67, 45));
        EXPECT_EQ(image.format(), QImage::Format_BGR888);
        if (kind == JpegKind::Greyscale) {
            const uchar* p = image.constScanLine(10) + 3 * 30;
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
        }
    }
    // The full 800 x 600 is accepted.
    EXPECT_EQ(decodeJpeg(makeJpeg(800, 600)).size(), QSize(800, 600));
}

TEST(JpegDecode, MatchesTheDecoderDefaults)
{
    // Our buffer must hold what a bare decode with default settings gives.
    const QByteArray bytes = makeJpeg(40, 30);
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    std::vector<unsigned char> rgb(40 * 30 * 3);
    while (cinfo.output_scanline < 30) {
        JSAMPROW row = rgb.data() + cinfo.output_scanline * 120;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    const QImage image = decodeJpeg(bytes);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const uchar* p = image.constScanLine(y) + 3 * x;
            const unsigned char* q = rgb.data() + y * 120 + 3 * x;
            ASSERT_EQ(p[2], q[0]);
            ASSERT_EQ(p[1], q[1]);
            ASSERT_EQ(p[0], q[2]);
        }
}

TEST(JpegDecode, DamagedAndHostileFiles)
{
    const QByteArray good = makeJpeg(64, 48);
    const qsizetype sos = startOfScan(good);
    QByteArray corrupt = good;
    for (qsizetype i = sos + 40; i < corrupt.size() - 10; i += 7)
        corrupt[i] = char(0xFF);
    QByteArray twelveBit = good;
    twelveBit[frameHeader(good)] = 12;
    QByteArray manyScans = makeJpeg(16, 16, JpegKind::Progressive);
    {
        // Repeat the last scan thousands of times before the end marker.
        const qsizetype lastScan = manyScans.lastIndexOf(QByteArray("\xFF\xDA", 2));
        const QByteArray scan = manyScans.mid(lastScan, manyScans.size() - 2 - lastScan);
        QByteArray repeated = manyScans.left(manyScans.size() - 2);
        for (int i = 0; i < 3000; ++i)
            repeated += scan;
        manyScans = repeated + QByteArray("\xFF\xD9", 2);
    }
    struct Row {
        const char* name;
        QByteArray bytes;
        std::optional<QString> failure;  // unset: any failure text
    };
    const Row rows[] = {
        {"empty", QByteArray(), jpegErrorText(JERR_INPUT_EMPTY)},
        {"not a JPEG", QByteArray("BM this is no photo at all"), jpegErrorText(JERR_NO_SOI)},
        {"header cut", good.left(sos - 20), std::nullopt},
        {"cut after the scan header", good.left(sos + 30), jpegErrorText(JWRN_JPEG_EOF)},
        {"cut near the end", good.left(good.size() - 20), jpegErrorText(JWRN_JPEG_EOF)},
        {"corrupt data", corrupt, std::nullopt},
        {"12-bit", twelveBit, jpegErrorText(JERR_BAD_PRECISION)},
        {"CMYK", makeJpeg(16, 16, JpegKind::Cmyk), QStringLiteral("Photo JPEG en couleurs CMJN : non prise en charge")},
        {"declares 801 x 600", withDeclaredSize(good, 801, 600), QStringLiteral("Photo trop grande : 801 x 600 pixels (800 x 600 au plus)")},
        {"declares 60000 x 60000", withDeclaredSize(makeJpeg(16, 16, JpegKind::Progressive), 60000, 60000),
         QStringLiteral("Photo trop grande : 60000 x 60000 pixels (800 x 600 au plus)")},
        {"a scan repeated thousands of times", manyScans, jpegErrorText(JWRN_BOGUS_PROGRESSION)},
        {"thousands of sound scans", makeJpeg(16, 16, JpegKind::ManyScans),
         QStringLiteral("Photo JPEG incorrecte : ses passes lisent chaque bloc plus de 10 fois en moyenne")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto failure = decodeFailure(row.bytes);
        ASSERT_TRUE(failure);
        if (row.failure) {
            EXPECT_EQ(*failure, *row.failure);
        }
    }
    // Larger limits still meet the pixel cap before anything is allocated.
    EXPECT_EQ(decodeFailure(withDeclaredSize(makeJpeg(16, 16, JpegKind::Progressive), 60000, 60000),
                            JpegLimits{65535, 65535}),
              QStringLiteral("Photo trop grande : 60000 x 60000 pixels (67108864 pixels au plus)"));
    // Within them, a file declaring more than its data holds fails on the
    // missing data, not with grey rows.
    EXPECT_EQ(decodeFailure(withDeclaredSize(makeJpeg(16, 16), 3000, 2000), JpegLimits{65535, 65535}),
              jpegErrorText(JWRN_HIT_MARKER));
}

TEST(JpegDecode, FilesByName)
{
    InTemporaryFolder folder;
    writeFile(folder.path("vol d'étourneaux.jpg"), makeJpeg(30, 20));
    EXPECT_EQ(decodeJpegFile(folder.path("vol d'étourneaux.jpg")).size(), QSize(30, 20));
    QDir().mkdir("dossier.jpg");
    for (const char* name : {"absent.jpg", "dossier.jpg"}) {
        SCOPED_TRACE(name);
        try {
            decodeJpegFile(name);
            FAIL();
        } catch (const OrnivalError& e) {
            EXPECT_EQ(e.text(), QStringLiteral("Impossible d'ouvrir le fichier %1").arg(name));
        }
    }
}

// A batch decodes photo after photo into one picture: its buffer is reused
// for a photo of the same size, a new one is made for another size, and a
// picture shared with someone else is never written over.
TEST(JpegDecode, IntoAPictureReusesItsBufferOnlyWhenItsOwn)
{
    const QByteArray first = makeJpeg(64, 48, JpegKind::Baseline, 90);
    const QByteArray second = makeJpeg(64, 48, JpegKind::Baseline, 40);
    QImage photo;
    decodeJpegInto(first, {}, photo);
    EXPECT_EQ(photo, decodeJpeg(first));
    const uchar* buffer = photo.constBits();
    decodeJpegInto(second, {}, photo);
    EXPECT_EQ(photo.constBits(), buffer);
    EXPECT_EQ(photo, decodeJpeg(second));

    const QImage held = photo;
    decodeJpegInto(first, {}, photo);
    EXPECT_EQ(held, decodeJpeg(second));
    EXPECT_EQ(photo, decodeJpeg(first));

    decodeJpegInto(makeJpeg(65, 48), {}, photo);
    EXPECT_EQ(photo, decodeJpeg(makeJpeg(65, 48)));
    // A refused photo leaves the picture as it was.
    EXPECT_THROW(decodeJpegInto(makeJpeg(900, 10), {}, photo), OrnivalError);
    EXPECT_EQ(photo, decodeJpeg(makeJpeg(65, 48)));
}

TEST(JpegDecode, FileReadIntoAReusedBufferHoldsOnlyThatFile)
{
    InTemporaryFolder folder;
    writeFile(folder.path("grande.jpg"), makeJpeg(300, 200));
    writeFile(folder.path("petite.jpg"), makeJpeg(20, 10));
    QByteArray bytes;
    readWholeFileInto(folder.path("grande.jpg"), bytes);
    EXPECT_EQ(bytes, makeJpeg(300, 200));
    readWholeFileInto(folder.path("petite.jpg"), bytes);
    EXPECT_EQ(bytes, makeJpeg(20, 10));
    try {
        readWholeFileInto(folder.path("absente.jpg"), bytes);
        FAIL();
    } catch (const OrnivalError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Impossible d'ouvrir le fichier %1").arg(folder.path("absente.jpg")));
    }
}

TEST(PhotoLoad, SuccessSetsTheStateInOrder)
{
    InTemporaryFolder folder;
    writeFile("a.jpg", makeJpeg(120, 90));
    Document doc;
    InitArrowPoints(doc);
    doc.workflowStep = 3;
    doc.movedGroups.assign(5, 1);
    doc.groupCount = 1;
    doc.groupSizes.assign(5, 7);
    doc.groupRects.assign(5, TRect{10, 10, 20, 20});
    doc.groupMaskCopy[doc.maskIndex(5, 5)] = 255;
    const PhotoLoadOutcome out = loadPhoto(doc, "a.jpg");
    EXPECT_FALSE(out.failureMessage);
    EXPECT_EQ(doc.photoFileName, "a.jpg");
    EXPECT_EQ(doc.photoWidth, 120);
    EXPECT_EQ(doc.photoHeight, 90);
    EXPECT_EQ(doc.displayedPhoto, doc.photoJpeg);
    EXPECT_EQ(doc.workBitmap.size(), QSize(120, 90));
    EXPECT_EQ(doc.workBitmap.format(), QImage::Format_Indexed8);
    EXPECT_EQ(doc.workflowStep, 1);
    EXPECT_EQ(doc.arrowPosition, (TPoint{775, 124}));
    EXPECT_EQ(std::count(doc.movedGroups.begin(), doc.movedGroups.end(), 1), 0);
    // The previous photo's groups no longer act on this one.
    EXPECT_EQ(GroupAt(doc, 15, 15), 0);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 5)], 0);
}

TEST(PhotoLoad, FailureKeepsThePreviousPhotoWhole)
{
    InTemporaryFolder folder;
    writeFile("good.jpg", makeJpeg(100, 80));
    writeFile("bad.jpg", makeJpeg(300, 200).left(700));
    // Any size is taken up to the pixel cap: a photo declaring exactly the cap
    // passes the size check and fails on its missing data, one pixel column
    // more is refused by its size.
    writeFile("at the cap.jpg", withDeclaredSize(makeJpeg(16, 16), 8192, 8192));
    writeFile("over the cap.jpg", withDeclaredSize(makeJpeg(16, 16), 8193, 8192));
    Document doc;
    InitArrowPoints(doc);
    ASSERT_FALSE(loadPhoto(doc, "good.jpg").failureMessage);
    doc.workflowStep = 2;
    doc.arrowPosition = {816, 190};
    const QImage photo = doc.photoJpeg;
    struct Row {
        const char* name;
        QString message;
    };
    const Row rows[] = {{"bad.jpg", "Mauvais Format"},
                        {"missing.jpg", "Mauvais Format"},
                        {"at the cap.jpg", "Mauvais Format"},
                        {"over the cap.jpg", "Photo trop grande : 8193 x 8192 pixels (67108864 pixels au plus)"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PhotoLoadOutcome out = loadPhoto(doc, row.name);
        ASSERT_TRUE(out.failureMessage);
        EXPECT_EQ(*out.failureMessage, row.message);
        EXPECT_EQ(doc.photoFileName, row.name);
        EXPECT_EQ(doc.photoJpeg, photo);
        EXPECT_EQ(doc.photoWidth, 100);
        EXPECT_EQ(doc.workBitmap.size(), QSize(100, 80));
        EXPECT_EQ(doc.workflowStep, 2);
        EXPECT_EQ(doc.arrowPosition, (TPoint{816, 190}));
    }
}

TEST(PhotoLoad, PhotoLargerThanTheWindowAreaIsTakenWhole)
{
    InTemporaryFolder folder;
    writeFile("large.jpg", makeJpeg(3000, 2000));
    writeFile("vol de cigognes.jpg", makeJpeg(1200, 900));
    Document doc;
    InitArrowPoints(doc);
    ASSERT_FALSE(loadPhoto(doc, "large.jpg").failureMessage);
    EXPECT_EQ(doc.displayedPhoto.size(), QSize(3000, 2000));
    EXPECT_EQ(doc.workBitmap.size(), QSize(3000, 2000));
    EXPECT_EQ(doc.photoWidth, 3000);
    EXPECT_EQ(doc.photoHeight, 2000);
    loadDefaultPhoto(doc);
    EXPECT_EQ(doc.photoJpeg.size(), QSize(1200, 900));
}

TEST(PhotoLoad, DefaultPhoto)
{
    InTemporaryFolder folder;
    Document doc;
    loadDefaultPhoto(doc);
    EXPECT_EQ(doc.photoWidth, 0);
    EXPECT_TRUE(doc.displayedPhoto.isNull());
    writeFile("vol de cigognes.jpg", makeJpeg(50, 40));
    loadDefaultPhoto(doc);
    EXPECT_EQ(doc.photoWidth, 50);
    EXPECT_EQ(doc.workBitmap.size(), QSize(50, 40));
    writeFile("vol de cigognes.jpg", "garbage");
    EXPECT_THROW(loadDefaultPhoto(doc), OrnivalError);
}

// The fast PNG is lossless in every format the program draws in, with its
// stored blocks of at most 65535 bytes filled just below, at and just above
// that size ((1 + 3 x width) x height bytes of rows).
TEST(PngWrite, ReadsBackAsThePicture)
{
    for (const QSize size : {QSize(1, 1), QSize(37, 21), QSize(2, 9362), QSize(1456, 15), QSize(1, 16384),
                             QSize(300, 250)}) {
        SCOPED_TRACE(size.width());
        QImage bgr(size, QImage::Format_BGR888);
        for (int y = 0; y < bgr.height(); ++y)
            for (int x = 0; x < bgr.width(); ++x)
                bgr.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) & 0xFF));
        for (const QImage& picture : {bgr, bgr.convertToFormat(QImage::Format_RGB32)}) {
            const QImage back = QImage::fromData(encodePngFast(picture), "png");
            EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture.convertToFormat(QImage::Format_RGB32));
        }
    }
    QImage indexed(5, 4, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(10, 200, 30)});
    indexed.fill(1);
    EXPECT_EQ(QImage::fromData(encodePngFast(indexed), "png").convertToFormat(QImage::Format_RGB32),
              indexed.convertToFormat(QImage::Format_RGB32));
    try {
        encodePngFast(QImage());
        FAIL();
    } catch (const OrnivalError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Image PNG impossible à écrire"));
    }
}
