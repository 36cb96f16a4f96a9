#include "PngFile.h"

#include "core/OrnivalError.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <zlib.h>

namespace {

constexpr std::size_t storedBlockMax = 65535;  // bytes of one stored deflate block

void putBigEndian(char* out, std::uint32_t v)
{
    out[0] = char(v >> 24);
    out[1] = char(v >> 16);
    out[2] = char(v >> 8);
    out[3] = char(v);
}

// Writes one chunk's length, type and data; the CRC is left to the caller,
// which gets the position where it goes.
class PngWriter {
public:
    explicit PngWriter(std::size_t capacity) { bytes_.resize(qsizetype(capacity)); }

    void raw(const void* data, std::size_t n)
    {
        std::memcpy(bytes_.data() + size_, data, n);
        size_ += n;
    }
    void beginChunk(const char* type, std::uint32_t length)
    {
        char head[8];
        putBigEndian(head, length);
        std::memcpy(head + 4, type, 4);
        raw(head, 8);
        chunkStart_ = size_ - 4;
        crc_ = crc32_z(0L, Z_NULL, 0);
    }
    // Chunk data; the CRC runs over it while it is in the cache.
    void data(const void* d, std::size_t n)
    {
        raw(d, n);
        crc_ = crc32_z(crc_, reinterpret_cast<const Bytef*>(bytes_.data() + size_ - n), z_size_t(n));
    }
    void endChunk()
    {
        // The CRC covers the type too.
        const uLong typeCrc = crc32_z(0L, reinterpret_cast<const Bytef*>(bytes_.data() + chunkStart_), 4);
        const uLong all = crc32_combine(typeCrc, crc_, z_off_t(size_ - chunkStart_ - 4));
        char out[4];
        putBigEndian(out, std::uint32_t(all));
        raw(out, 4);
    }
    QByteArray finish()
    {
        bytes_.resize(qsizetype(size_));
        return bytes_;
    }

private:
    QByteArray bytes_;
    std::size_t size_ = 0;
    std::size_t chunkStart_ = 0;
    uLong crc_ = 0;
};

} // namespace

QByteArray encodePngFast(const QImage& image)
{
    const QImage rows = image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
    const std::size_t width = std::size_t(std::max(rows.width(), 0));
    const std::size_t height = std::size_t(std::max(rows.height(), 0));
    const std::size_t rowBytes = 1 + 3 * width;  // the filter byte (none), then red, green, blue
    const std::size_t stream = rowBytes * height;
    const std::size_t blocks = (stream + storedBlockMax - 1) / storedBlockMax;
    const std::size_t idat = 2 + 5 * blocks + stream + 4;  // zlib header, blocks, Adler-32
    if (width == 0 || height == 0 || idat > 0x7FFFFFFFu)
        throw OrnivalError(QStringLiteral("Image PNG impossible à écrire"));

    PngWriter out(8 + 25 + 12 + idat + 12);
    out.raw("\x89PNG\r\n\x1a\n", 8);
    char header[13];
    putBigEndian(header, std::uint32_t(width));
    putBigEndian(header + 4, std::uint32_t(height));
    const char rest[5] = {8, 2, 0, 0, 0};  // 8 bits, RGB, deflate, no filter method, not interlaced
    std::memcpy(header + 8, rest, 5);
    out.beginChunk("IHDR", 13);
    out.data(header, 13);
    out.endChunk();

    out.beginChunk("IDAT", std::uint32_t(idat));
    out.data("\x78\x01", 2);  // deflate, 32 KB window, no dictionary, fastest
    uLong adler = adler32_z(0L, Z_NULL, 0);
    std::vector<unsigned char> row(rowBytes);
    std::size_t left = stream;      // stream bytes not yet written
    std::size_t inBlock = 0;        // room left in the current block
    for (std::size_t y = 0; y < height; ++y) {
        const uchar* in = rows.constScanLine(int(y));
        row[0] = 0;
        for (std::size_t x = 0; x < width; ++x) {
            row[1 + 3 * x] = in[3 * x + 2];
            row[2 + 3 * x] = in[3 * x + 1];
            row[3 + 3 * x] = in[3 * x];
        }
        adler = adler32_z(adler, row.data(), z_size_t(rowBytes));
        for (std::size_t done = 0; done < rowBytes;) {
            if (inBlock == 0) {
                const std::size_t n = std::min(left, storedBlockMax);
                const unsigned char head[5] = {static_cast<unsigned char>(left <= storedBlockMax ? 1 : 0),
                                               static_cast<unsigned char>(n & 0xFF),
                                               static_cast<unsigned char>(n >> 8),
                                               static_cast<unsigned char>(~n & 0xFF),
                                               static_cast<unsigned char>((~n >> 8) & 0xFF)};
                out.data(head, 5);
                inBlock = n;
            }
            const std::size_t n = std::min(inBlock, rowBytes - done);
            out.data(row.data() + done, n);
            done += n;
            inBlock -= n;
            left -= n;
        }
    }
    char trailer[4];
    putBigEndian(trailer, std::uint32_t(adler));
    out.data(trailer, 4);
    out.endChunk();

    out.beginChunk("IEND", 0);
    out.endChunk();
    return out.finish();
}
