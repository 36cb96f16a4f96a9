// The photo load's decoder on any bytes: it either gives a picture within the
// window's limits or throws OrnivalError, never anything else.
#include "core/OrnivalError.h"
#include "files/PhotoFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage image = decodeJpeg(bytes);
        if (image.isNull() || image.width() > 800 || image.height() > 600 || image.format() != QImage::Format_BGR888)
            std::abort();
    } catch (const OrnivalError&) {
    }
    return 0;
}
