// The batch counter's photo decoder on any bytes: it either gives a picture
// within the batch counter's limits and the pixel cap, or throws OrnivalError,
// never anything else. Built against a libjpeg-turbo with the same
// instrumentation, so the decoder's own code is covered and checked.
#include "compter/BatchCount.h"
#include "core/OrnivalError.h"
#include "files/PhotoFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage image = decodeJpeg(bytes, JpegLimits{batchMaxPhotoSide, batchMaxPhotoSide});
        if (image.isNull() || image.width() > batchMaxPhotoSide || image.height() > batchMaxPhotoSide
            || qint64(image.width()) * image.height() > (qint64(64) << 20) || image.format() != QImage::Format_BGR888)
            std::abort();
    } catch (const OrnivalError&) {
    }
    return 0;
}
