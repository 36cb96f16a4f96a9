#include "PngFile.h"

#include "core/OrnivalError.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <libdeflate.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

constexpr std::size_t storedBlockMax = 65535;  // bytes of one stored deflate block

void putBigEndian(char* out, std::uint32_t v)
{
    out[0] = char(v >> 24);
    out[1] = char(v >> 16);
    out[2] = char(v >> 8);
    out[3] = char(v);
}

// Blue-green-red pixels to red-green-blue.
void swapRedBluePlain(const uchar* in, int width, unsigned char* out)
{
    for (int x = 0; x < width; ++x) {
        out[3 * x] = in[3 * x + 2];
        out[3 * x + 1] = in[3 * x + 1];
        out[3 * x + 2] = in[3 * x];
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Five pixels per shuffle: 16 bytes read and written, of which the last is the
// next pixel's first byte, written again by the next step.
__attribute__((target("ssse3"))) void swapRedBlueSsse3(const uchar* in, int width, unsigned char* out)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int x = 0;
    for (; x + 6 <= width; x += 5) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(pixels, order));
    }
    swapRedBluePlain(in + 3 * x, width - x, out + 3 * x);
}
#endif

void swapRedBlue(const uchar* in, int width, unsigned char* out)
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        swapRedBlueSsse3(in, width, out);
        return;
    }
#endif
    swapRedBluePlain(in, width, out);
}

// Writes one chunk's length, type, data and CRC; the CRC runs over each piece
// of data as it is written, while it is in the cache.
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
        crc_ = libdeflate_crc32(0, type, 4);  // the CRC covers the type too
    }
    void data(const void* d, std::size_t n)
    {
        raw(d, n);
        crc_ = libdeflate_crc32(crc_, bytes_.data() + size_ - n, n);
    }
    void endChunk()
    {
        char out[4];
        putBigEndian(out, crc_);
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
    std::uint32_t crc_ = 0;
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
    std::uint32_t adler = 1;  // Adler-32 of nothing
    std::vector<unsigned char> row(rowBytes);
    std::size_t left = stream;      // stream bytes not yet written
    std::size_t inBlock = 0;        // room left in the current block
    for (std::size_t y = 0; y < height; ++y) {
        row[0] = 0;
        swapRedBlue(rows.constScanLine(int(y)), int(width), row.data() + 1);
        adler = libdeflate_adler32(adler, row.data(), rowBytes);
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
    putBigEndian(trailer, adler);
    out.data(trailer, 4);
    out.endChunk();

    out.beginChunk("IEND", 0);
    out.endChunk();
    return out.finish();
}
