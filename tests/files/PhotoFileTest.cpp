#include "FilesTestSupport.h"

#include "core/Groups.h"
#include "files/BmpFile.h"
#include "files/PngFile.h"

#include <jpeglib.h>

using namespace filestest;

namespace {

class Photo : public FilesTest {};

// A bare decode with the library's default settings, as RGB rows.
std::vector<unsigned char> plainDecode(const QByteArray& bytes, int* width, int* height)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    *width = int(cinfo.output_width);
    *height = int(cinfo.output_height);
    std::vector<unsigned char> rgb(std::size_t(*width * *height * 3));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb.data() + cinfo.output_scanline * std::size_t(*width * 3);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

// The same file declaring another size in its first frame header.
QByteArray withDeclaredSize(QByteArray jpeg, int width, int height)
{
    const qsizetype f = jpeg.indexOf(QByteArray("\xFF\xC0", 2)) + 5;
    jpeg[f] = char(height >> 8);
    jpeg[f + 1] = char(height & 0xFF);
    jpeg[f + 2] = char(width >> 8);
    jpeg[f + 3] = char(width & 0xFF);
    return jpeg;
}

} // namespace

TEST_F(Photo, PixelsAreThoseOfABareDecodeWithDefaultSettings)
{
    for (const char* name : {"baseline.jpg", "progressive.jpg", "greyscale.jpg", "arithmetic.jpg"}) {
        SCOPED_TRACE(name);
        const QByteArray bytes = read(corpus(QStringLiteral("jpeg/") + name));
        int width = 0, height = 0;
        const std::vector<unsigned char> rgb = plainDecode(bytes, &width, &height);
        const QImage image = decodeJpeg(bytes);
        ASSERT_EQ(image.size(), QSize(width, height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uchar* p = image.constScanLine(y) + 3 * x;
                const unsigned char* q = rgb.data() + (y * width + x) * 3;
                ASSERT_EQ(QColor(p[2], p[1], p[0]), QColor(q[0], q[1], q[2])) << x << "," << y;
            }
    }
}

TEST_F(Photo, WindowTakesAnySizeUpToThePixelCap)
{
    const QByteArray small = read(corpus("jpeg/baseline.jpg"));
    write("large.jpg", read(corpus("jpeg/largest 800x600.jpg")));
    // A photo declaring exactly the cap passes the size check and fails on its
    // missing data; one pixel column more is refused by its size.
    write("at the cap.jpg", withDeclaredSize(small, 8192, 8192));
    write("over the cap.jpg", withDeclaredSize(small, 8193, 8192));
    Document doc = withPhoto("large.jpg");
    const QImage photo = doc.photoJpeg;
    EXPECT_EQ(loadPhoto(doc, "at the cap.jpg").failureMessage, "Mauvais Format");
    EXPECT_EQ(loadPhoto(doc, "over the cap.jpg").failureMessage,
              "Photo trop grande : 8193 x 8192 pixels (67108864 pixels au plus)");
    EXPECT_EQ(doc.photoJpeg, photo);
    EXPECT_EQ(doc.workflowStep, 3);
}

TEST_F(Photo, DefaultPhotoMayBeMissingButNotDamaged)
{
    Document doc;
    loadDefaultPhoto(doc);
    EXPECT_EQ(doc.photoWidth, 0);
    EXPECT_TRUE(doc.displayedPhoto.isNull());
    ASSERT_TRUE(QFile::copy(corpus("jpeg/largest 800x600.jpg"), "vol de cigognes.jpg"));
    loadDefaultPhoto(doc);
    EXPECT_EQ(doc.photoWidth, 800);
    EXPECT_EQ(doc.workBitmap.size(), QSize(800, 600));
    QFile::remove("vol de cigognes.jpg");
    write("vol de cigognes.jpg", "garbage");
    EXPECT_THROW(loadDefaultPhoto(doc), OrnivalError);
}

// A batch decodes photo after photo into one picture: its buffer is reused
// for a photo of the same size, a new one is made for another size, and a
// picture shared with someone else is never written over.
TEST_F(Photo, DecodeIntoAPictureReusesItsBufferOnlyWhenItsOwn)
{
    const QByteArray first = read(corpus("jpeg/baseline.jpg"));
    const QByteArray second = read(corpus("jpeg/progressive.jpg"));  // the same size
    const QByteArray other = read(corpus("jpeg/vol d'étourneaux.jpg"));
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
    decodeJpegInto(other, {}, photo);
    EXPECT_EQ(photo, decodeJpeg(other));
    // A refused photo leaves the picture as it was.
    EXPECT_THROW(decodeJpegInto(read(corpus("jpeg/declares 801x600.jpg")), {}, photo), OrnivalError);
    EXPECT_EQ(photo, decodeJpeg(other));

    // The file's bytes, read into a reused buffer, are that file's alone.
    QByteArray bytes;
    readWholeFileInto(corpus("jpeg/largest 800x600.jpg"), bytes);
    EXPECT_EQ(bytes, read(corpus("jpeg/largest 800x600.jpg")));
    readWholeFileInto(corpus("jpeg/baseline.jpg"), bytes);
    EXPECT_EQ(bytes, first);
    EXPECT_EQ(errorOf([&] { readWholeFileInto("absente.jpg", bytes); }), "error Impossible d'ouvrir le fichier absente.jpg");
}

// The fast PNG is lossless in every format the program draws in, with its
// stored blocks of at most 65535 bytes filled just below, at and just above
// that size ((1 + 3 x width) x height bytes of rows).
TEST_F(Photo, FastPngReadsBackAsThePicture)
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
    EXPECT_EQ(errorOf([] { encodePngFast(QImage()); }), "error Image PNG impossible à écrire");
}

// The band reader gives rows from the top down, sixteen at a time: a row
// outside the photo or above the band it holds is refused.
TEST_F(Photo, RowReaderRefusesRowsOutOfOrder)
{
    JpegRowReader rows(read(corpus("jpeg/baseline.jpg")), JpegLimits{});  // 48 rows
    const QString refused = "error Ligne %1 de la photo demandée hors de son ordre";
    for (const auto& [y, refusal] : {std::pair{-1, true}, {0, false}, {47, false}, {48, true}, {31, true}, {32, false}})
        EXPECT_EQ(errorOf([&, y = y] { rows.row(y); }), refusal ? std::optional(refused.arg(y)) : std::nullopt) << y;
}
