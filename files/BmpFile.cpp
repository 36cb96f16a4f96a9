#include "BmpFile.h"

#include "core/OrnivalError.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QtEndian>

namespace {

constexpr qint64 maxFileBytes = 256LL << 20;
constexpr qint64 maxPixels = 64LL << 20;

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

} // namespace

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw cannotOpen(path);
    if (file.size() > maxFileBytes)
        throw cannotOpen(path);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw cannotOpen(path);
    return bytes;
}

void writeFileSafely(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw cannotCreate(path);
    // A full disk shows only at flush time: check before the old file is replaced.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        throw cannotCreate(path);
    }
    if (!file.commit())
        throw cannotCreate(path);
}

QString bmpHeaderProblem(const QByteArray& b)
{
    if (b.size() < 14 + 12)
        return QStringLiteral("headers cut short");
    if (b[0] != 'B' || b[1] != 'M')
        return QStringLiteral("not a BMP");
    const quint32 offBits = u32(b, 10);
    const quint32 infoSize = u32(b, 14);
    qint64 width, height;
    int bitCount;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    int paletteEntry = 4;
    if (infoSize == 12) {
        width = u16(b, 18);
        height = qint16(u16(b, 20));
        bitCount = u16(b, 24);
        paletteEntry = 3;
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124) {
        if (b.size() < 14 + qsizetype(infoSize))
            return QStringLiteral("headers cut short");
        width = s32(b, 18);
        height = s32(b, 22);
        bitCount = u16(b, 28);
        compression = u32(b, 30);
        colorsUsed = u32(b, 46);
    } else {
        return QStringLiteral("unknown header size");
    }
    if (width <= 0 || height == 0)
        return QStringLiteral("bad size");
    const qint64 rows = height < 0 ? -height : height;
    if (width * rows > maxPixels)
        return QStringLiteral("too large");
    switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        return QStringLiteral("bad bit depth");
    }
    const bool rle = compression == 1 || compression == 2;
    if (compression > 3 || (compression == 1 && bitCount != 8) || (compression == 2 && bitCount != 4)
        || (compression == 3 && bitCount != 16 && bitCount != 32) || (rle && height < 0))
        return QStringLiteral("bad compression");
    qint64 palette = 0;
    if (bitCount <= 8)
        palette = qint64(colorsUsed ? std::min<quint32>(colorsUsed, 1u << bitCount) : (1u << bitCount)) * paletteEntry;
    const qint64 masks = compression == 3 && infoSize == 40 ? 12 : 0;
    if (qint64(offBits) < 14 + qint64(infoSize) + masks || qint64(offBits) > b.size())
        return QStringLiteral("bad pixel offset");
    if (bitCount <= 8 && qint64(offBits) < 14 + qint64(infoSize) + palette)
        return QStringLiteral("palette cut short");
    if (!rle) {
        const qint64 stride = ((width * bitCount + 31) / 32) * 4;
        if (qint64(offBits) + stride * rows > b.size())
            return QStringLiteral("pixel rows cut short");
    }
    return {};
}

QImage decodeBmp(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QImage();
    if (!bmpHeaderProblem(bytes).isEmpty())
        throw badBitmap();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // The format is forced: Qt would otherwise take a JPEG or PNG named .bmp.
    QImageReader reader(&buffer, "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw badBitmap();
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono
        || image.format() == QImage::Format_MonoLSB) {
        const QImage indexed = image.format() == QImage::Format_Indexed8
            ? image : image.convertToFormat(QImage::Format_Indexed8, image.colorTable());
        for (int y = 0; y < indexed.height(); ++y) {
            const uchar* row = indexed.constScanLine(y);
            for (int x = 0; x < indexed.width(); ++x)
                if (row[x] >= indexed.colorCount())
                    throw badBitmap();
        }
    }
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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(image))
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
