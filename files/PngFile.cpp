#include "PngFile.h"

#include "core/OrnivalError.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace {

struct Sink {
    QByteArray* bytes;
};

void writeBytes(png_structp png, png_bytep data, png_size_t size)
{
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    sink->bytes->append(reinterpret_cast<const char*>(data), qsizetype(size));
}

void flushNothing(png_structp) {}

// Nothing with a destructor lives in this frame: an encoder error jumps out
// of it.
bool writeRows(png_structp png, png_infop info, const QImage* image, Sink* sink)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, sink, writeBytes, flushNothing);
    png_set_IHDR(png, info, png_uint_32(image->width()), png_uint_32(image->height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 0);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_write_info(png, info);
    png_set_bgr(png);  // the rows hold blue, green, red
    for (int y = 0; y < image->height(); ++y)
        png_write_row(png, image->constScanLine(y));
    png_write_end(png, info);
    return true;
}

} // namespace

QByteArray encodePngFast(const QImage& image)
{
    const QImage rows = image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (info && !rows.isNull()) {
        // Stored blocks: about the raw size, plus headers.
        bytes.reserve(qsizetype(rows.height()) * (3 * qsizetype(rows.width()) + 1) * 1001 / 1000 + 4096);
        Sink sink{&bytes};
        written = writeRows(png, info, &rows, &sink);
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!written)
        throw OrnivalError(QStringLiteral("Image PNG impossible à écrire"));
    return bytes;
}
