// The working-bitmap and strip-picture reader on any bytes: a picture whose
// every pixel can be read, a null one for no bytes, or OrnivalError.
#include "core/OrnivalError.h"
#include "files/BmpFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage image = decodeBmp(bytes);
        if (image.isNull() != (size == 0))
            std::abort();
        // Reading every pixel lets AddressSanitizer catch a read past the rows
        // or past the colour table.
        volatile QRgb sink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                sink = sink ^ image.pixel(x, y);
    } catch (const OrnivalError&) {
    }
    return 0;
}
