#include "BmpFile.h"

#include "AtomicFile.h"
#include "core/OrnivalError.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

constexpr qint64 maxFileBytes = 256LL << 20;
constexpr qint64 maxPixels = 64LL << 20;

enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

OrnivalError cannotOpen(const QString& path)
{
    return OrnivalError(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(path));
}

OrnivalError cannotCreate(const QString& path)
{
    return OrnivalError(QStringLiteral("Impossible de créer le fichier %1").arg(path));
}

OrnivalError badBitmap()
{
    return OrnivalError(QStringLiteral("Image bitmap incorrecte"));
}

quint32 u32(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
qint32 s32(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<qint32>(b.constData() + at);
}
quint16 u16(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

// What the headers of a BMP declare, as Qt's reader understands them.
struct BmpLayout {
    qint64 width = 0;
    qint64 rows = 0;
    int bitCount = 0;
    quint32 compression = Rgb;
    qint64 infoSize = 0;
    qint64 paletteStart = 0;
    qint64 colorCount = 0;  // palette entries Qt reads
    qint64 paletteEntry = 4;
    qint64 pixelOffset = 0;
};

// Qt's reader reports success on a file whose rows stop short or whose pixel
// offset points past its end, handing back uninitialised rows: every such file
// is refused here, before Qt sees it.
std::optional<BmpLayout> parseBmp(const QByteArray& b, QString* problem)
{
    auto fail = [problem](const char* why) -> std::optional<BmpLayout> {
        *problem = QString::fromLatin1(why);
        return std::nullopt;
    };
    if (b.size() < 14 + 12)
        return fail("headers cut short");
    if (b[0] != 'B' || b[1] != 'M')
        return fail("not a BMP");
    BmpLayout l;
    l.pixelOffset = u32(b, 10);
    l.infoSize = u32(b, 14);
    qint64 height;
    quint32 colorsUsed = 0;
    if (l.infoSize == 12) {
        // OS/2 header: 16-bit sizes, read signed as Qt does, 3-byte palette entries.
        l.width = qint16(u16(b, 18));
        height = qint16(u16(b, 20));
        l.bitCount = u16(b, 24);
        l.paletteEntry = 3;
    } else if (l.infoSize == 40 || l.infoSize == 108 || l.infoSize == 124) {
        if (b.size() < 14 + l.infoSize)
            return fail("headers cut short");
        l.width = s32(b, 18);
        height = s32(b, 22);
        l.bitCount = u16(b, 28);
        l.compression = u32(b, 30);
        colorsUsed = u32(b, 46);
    } else {
        return fail("unknown header size");
    }
    if (l.width <= 0 || height == 0)
        return fail("bad size");
    l.rows = std::abs(height);
    if (l.width * l.rows > maxPixels)
        return fail("too large");
    switch (l.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        return fail("bad bit depth");
    }
    const bool rle = l.compression == Rle8 || l.compression == Rle4;
    if (l.compression > BitFields || (l.compression == Rle8 && l.bitCount != 8)
        || (l.compression == Rle4 && l.bitCount != 4)
        || (l.compression == BitFields && l.bitCount != 16 && l.bitCount != 32) || (rle && height < 0))
        return fail("bad compression");
    // A 40-byte header keeps its three colour masks after it.
    const qint64 masks = l.compression == BitFields && l.infoSize == 40 ? 12 : 0;
    l.paletteStart = 14 + l.infoSize + masks;
    if (l.bitCount <= 8) {
        // Qt reads as many entries as the header declares, even more than the
        // depth can index; the rows then start after them.
        l.colorCount = colorsUsed ? qint64(colorsUsed) : (qint64(1) << l.bitCount);
        if (l.colorCount > 256)
            return fail("too many colours");
    }
    if (l.pixelOffset < l.paletteStart + l.colorCount * l.paletteEntry)
        return fail("pixel offset inside the headers");
    if (l.pixelOffset > b.size())
        return fail("pixel offset past the end");
    if (!rle) {
        const qint64 stride = ((l.width * l.bitCount + 31) / 32) * 4;
        if (l.pixelOffset + stride * l.rows > b.size())
            return fail("pixel rows cut short");
    }
    return l;
}

// Qt's RLE reader leaves the pixels a stream skips (by a delta or an early end
// of line or of bitmap) as uninitialised memory. The stream is expanded here
// into a zero-filled uncompressed 8-bit BMP, which Qt then reads whole: the
// skipped pixels take colour 0, runs beyond the row are cut at its end, and a
// stream that stops before its end-of-bitmap mark and before the last row is
// refused.
std::optional<QByteArray> expandRle(const QByteArray& b, const BmpLayout& l)
{
    const bool four = l.compression == Rle4;
    const qint64 stride = (l.width + 3) / 4 * 4;
    const qint64 paletteBytes = l.colorCount * 4;
    const qint64 pixelStart = 14 + 40 + paletteBytes;
    QByteArray out(pixelStart + stride * l.rows, '\0');
    out[0] = 'B';
    out[1] = 'M';
    qToLittleEndian<quint32>(quint32(out.size()), out.data() + 2);
    qToLittleEndian<quint32>(quint32(pixelStart), out.data() + 10);
    qToLittleEndian<quint32>(40, out.data() + 14);
    qToLittleEndian<qint32>(qint32(l.width), out.data() + 18);
    qToLittleEndian<qint32>(qint32(l.rows), out.data() + 22);
    qToLittleEndian<quint16>(1, out.data() + 26);
    qToLittleEndian<quint16>(8, out.data() + 28);
    qToLittleEndian<quint32>(quint32(l.colorCount), out.data() + 46);
    std::copy_n(b.constData() + l.paletteStart, paletteBytes, out.data() + 54);

    uchar* pixels = reinterpret_cast<uchar*>(out.data()) + pixelStart;
    const uchar* in = reinterpret_cast<const uchar*>(b.constData());
    const qint64 end = b.size();
    qint64 p = l.pixelOffset;
    qint64 x = 0;
    qint64 y = 0;  // rows from the bottom, as they are stored
    auto put = [&](uchar index) {
        if (x < l.width && y < l.rows)
            pixels[y * stride + x] = index;
        ++x;
    };
    auto nibble = [](uchar byte, qint64 i) { return uchar(i % 2 == 0 ? byte >> 4 : byte & 0x0F); };
    while (y < l.rows) {
        if (p + 2 > end)
            return std::nullopt;
        const uchar count = in[p];
        const uchar value = in[p + 1];
        p += 2;
        if (count > 0) {
            for (qint64 i = 0; i < count; ++i)
                put(four ? nibble(value, i) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (p + 2 > end)
                return std::nullopt;
            x += in[p];
            y += in[p + 1];
            p += 2;
        } else {
            const qint64 bytes = four ? (value + 1) / 2 : value;
            if (p + bytes > end)
                return std::nullopt;
            for (qint64 i = 0; i < value; ++i)
                put(four ? nibble(in[p + i / 2], i) : in[p + i]);
            p += bytes + (bytes & 1);  // absolute runs are padded to 16 bits
        }
    }
    return out;
}

// Pixels naming an entry past the colour table have no colour: a damaged file.
bool indexesInTable(const QImage& image)
{
    const int colours = image.colorCount();
    if (image.format() == QImage::Format_Indexed8) {
        if (colours >= 256)
            return true;
        for (int y = 0; y < image.height(); ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x)
                if (row[x] >= colours)
                    return false;
        }
    } else if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) {
        if (colours >= 2)
            return true;
        const bool msb = image.format() == QImage::Format_Mono;
        for (int y = 0; y < image.height(); ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                const int bit = msb ? (row[x >> 3] >> (7 - (x & 7))) & 1 : (row[x >> 3] >> (x & 7)) & 1;
                if (bit >= colours)
                    return false;
            }
        }
    }
    return true;
}

} // namespace

void readWholeFileInto(const QString& path, QByteArray& bytes, qint64 maxBytes)
{
    maxBytes = std::min(maxBytes, maxFileBytes);
    // Only regular files: opening a pipe would wait for a writer.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > maxBytes)
        throw cannotOpen(path);
    // Read in bounded chunks rather than by the reported size: a device or a
    // pipe reports none and may never end. The chunks go straight into the
    // buffer, which keeps its room from an earlier file.
    bytes.resize(0);
    bytes.reserve(qsizetype(std::clamp<qint64>(file.size(), 0, maxBytes)) + 1);
    constexpr qsizetype chunk = 1 << 16;
    for (;;) {
        const qsizetype had = bytes.size();
        bytes.resize(had + std::max(chunk, bytes.capacity() - had));
        const qint64 n = file.read(bytes.data() + had, bytes.size() - had);
        if (n < 0 || file.error() != QFileDevice::NoError)
            throw cannotOpen(path);
        bytes.resize(had + qsizetype(n));
        if (n == 0)
            return;
        if (bytes.size() > maxBytes)
            throw cannotOpen(path);
    }
}

QByteArray readWholeFile(const QString& path, qint64 maxBytes)
{
    QByteArray bytes;
    readWholeFileInto(path, bytes, maxBytes);
    return bytes;
}

QString bmpHeaderProblem(const QByteArray& bytes)
{
    QString problem;
    parseBmp(bytes, &problem);
    return problem;
}

QImage decodeBmp(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QImage();
    QString problem;
    const std::optional<BmpLayout> layout = parseBmp(bytes, &problem);
    if (!layout)
        throw badBitmap();
    QByteArray sound = bytes;
    if (layout->compression == Rle8 || layout->compression == Rle4) {
        std::optional<QByteArray> expanded = expandRle(bytes, *layout);
        if (!expanded)
            throw badBitmap();
        sound = *expanded;
    }
    QBuffer buffer;
    buffer.setData(sound);
    buffer.open(QIODevice::ReadOnly);
    // The format is forced: Qt would otherwise take a JPEG or PNG named .bmp.
    QImageReader reader(&buffer, "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    QImage image;
    if (!reader.read(&image) || image.isNull() || !indexesInTable(image))
        throw badBitmap();
    return image;
}

QImage readBmpFile(const QString& path)
{
    return decodeBmp(readWholeFile(path));
}

QByteArray encodeBmp(const QImage& image)
{
    if (image.isNull())
        return QByteArray();
    QImage toWrite = image;
    // Qt writes an 8-bit picture of 16 colours or fewer with 4 bits per pixel:
    // a full table keeps it at 8 bits, the depth it has in the program.
    if (toWrite.format() == QImage::Format_Indexed8) {
        QList<QRgb> table = toWrite.colorTable();
        table.resize(256, qRgb(0, 0, 0));
        toWrite.setColorTable(table);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(toWrite))
        return QByteArray();
    return bytes;
}

void writeBmpFile(const QImage& image, const QString& path)
{
    const QByteArray bytes = encodeBmp(image);
    if (bytes.isEmpty() && !image.isNull())
        throw cannotCreate(path);
    writeFileSafely(path, bytes);
}
