#include "FilesTestSupport.h"

#include "core/Groups.h"

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

TEST_F(Photo, RaisedLimitsStillMeetThePixelCap)
{
    const QByteArray huge = read(corpus("jpeg/declares 65500x65500.jpg"));
    EXPECT_EQ(errorOf([&] { decodeJpeg(huge, JpegLimits{65535, 65535}); }),
              "error Photo trop grande : 65500 x 65500 pixels (67108864 pixels au plus)");
    const QByteArray wide = read(corpus("jpeg/declares 801x600.jpg"));
    EXPECT_EQ(errorOf([&] { decodeJpeg(wide, JpegLimits{800, 800}); }),
              "error Photo trop grande : 801 x 600 pixels (800 x 800 au plus)");
    // Within them, a file declaring more rows than it holds fails on the missing data.
    EXPECT_TRUE(errorOf([&] { decodeJpeg(wide, JpegLimits{801, 600}); }));
}

TEST_F(Photo, LoadForgetsThePreviousPhotosGroupsAndMarks)
{
    ASSERT_TRUE(QFile::copy(corpus("jpeg/baseline.jpg"), "a.jpg"));
    Document doc;
    InitArrowPoints(doc);
    doc.movedGroups.assign(5, 1);
    doc.groupCount = 1;
    doc.groupSizes.assign(5, 7);
    doc.groupRects.assign(5, TRect{10, 10, 20, 20});
    ASSERT_EQ(GroupAt(doc, 15, 15), 1);
    EXPECT_FALSE(loadPhoto(doc, "a.jpg").failureMessage);
    EXPECT_EQ(doc.photoFileName, "a.jpg");
    EXPECT_EQ(QSize(doc.photoWidth, doc.photoHeight), QSize(64, 48));
    EXPECT_EQ(std::count(doc.movedGroups.begin(), doc.movedGroups.end(), 1), 0);
    EXPECT_EQ(GroupAt(doc, 15, 15), 0);
}

TEST_F(Photo, DefaultPhotoMayBeMissingButNotDamaged)
{
    Document doc;
    loadDefaultPhoto(doc);
    EXPECT_EQ(doc.photoWidth, 0);
    EXPECT_TRUE(doc.displayedPhoto.isNull());
    ASSERT_TRUE(QFile::copy(corpus("jpeg/baseline.jpg"), "vol de cigognes.jpg"));
    loadDefaultPhoto(doc);
    EXPECT_EQ(doc.photoWidth, 64);
    EXPECT_EQ(doc.workBitmap.size(), QSize(64, 48));
    QFile::remove("vol de cigognes.jpg");
    write("vol de cigognes.jpg", "garbage");
    EXPECT_THROW(loadDefaultPhoto(doc), OrnivalError);
}
