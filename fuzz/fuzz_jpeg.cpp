// The batch counter's photo decoder on any bytes: it either gives a picture
// within the batch counter's limits and the pixel cap, or throws OrnivalError,
// never anything else; read a band of rows at a time, as a plain count reads
// it, the same bytes give the same refusal or the same rows. Built against a
// libjpeg-turbo with the same instrumentation, so the decoder's own code is
// covered and checked.
#include "compter/BatchCount.h"
#include "core/OrnivalError.h"
#include "files/PhotoFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const JpegLimits limits{batchMaxPhotoSide, batchMaxPhotoSide};
    QImage image;
    try {
        image = decodeJpeg(bytes, limits);
        if (image.isNull() || image.width() > batchMaxPhotoSide || image.height() > batchMaxPhotoSide
            || qint64(image.width()) * image.height() > (qint64(64) << 20) || image.format() != QImage::Format_BGR888)
            std::abort();
    } catch (const OrnivalError&) {
    }
    try {
        JpegRowReader rows(bytes, limits);
        for (int y = 0; y < rows.height(); ++y) {
            const std::uint8_t* row = rows.row(y);
            if (!image.isNull() && std::memcmp(row, image.constScanLine(y), std::size_t(rows.width()) * 3) != 0)
                std::abort();
        }
        if (image.isNull() || rows.width() != image.width() || rows.height() != image.height())
            std::abort();
    } catch (const OrnivalError&) {
        if (!image.isNull())
            std::abort();
    }
    return 0;
}
