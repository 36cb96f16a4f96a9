// "charger bmp" on any bytes: the working-bitmap file is read, the group mask
// built from it and the black overlay painted for a 40 x 30 photo. A refused
// file leaves the document as it was; an accepted one gives a mask whose bird
// cells are exactly the inner photo pixels with no red in the bitmap, and an
// overlay that blackens exactly those pixels.
#include "core/Document.h"
#include "core/OrnivalError.h"
#include "files/PhotoFile.h"
#include "files/WorkBitmapFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int photoWidth = 40;
constexpr int photoHeight = 30;

struct Setting {
    QTemporaryDir folder;
    Document doc;
    Setting()
    {
        QImage photo(photoWidth, photoHeight, QImage::Format_BGR888);
        for (int y = 0; y < photoHeight; ++y)
            for (int x = 0; x < photoWidth; ++x)
                photo.setPixel(x, y, qRgb(200, 100 + x, 50 + y));
        setPhoto(doc, photo);
        doc.photoFileName = folder.filePath("p.jpg");
        doc.workflowStep = 3;
    }
};

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setting setting;
    const Document& before = setting.doc;
    std::FILE* file = std::fopen(QFile::encodeName(workBitmapFileName(before.photoFileName)).constData(), "wb");
    check(file && std::fwrite(data, 1, size, file) == size && std::fclose(file) == 0);

    Document doc = before;
    try {
        loadWorkBitmap(doc);
    } catch (const OrnivalError&) {
        check(doc.workBitmap == before.workBitmap && doc.workflowStep == before.workflowStep
              && doc.blackShown == before.blackShown && doc.displayedPhoto == before.displayedPhoto
              && doc.groupMaskCopy == before.groupMaskCopy);
        return 0;
    }
    check(doc.workflowStep == 2 && doc.blackShown);
    const QImage& bitmap = doc.workBitmap;
    for (int y = 0; y < photoHeight; ++y)
        for (int x = 0; x < photoWidth; ++x) {
            const bool inner = x > 0 && y > 0 && x < photoWidth - 1 && y < photoHeight - 1;
            const bool bird = inner && x < bitmap.width() && y < bitmap.height() && qRed(bitmap.pixel(x, y)) == 0;
            check((doc.groupMaskCopy[doc.maskIndex(x, y)] == 255) == bird);
            const QRgb shown = doc.displayedPhoto.pixel(x, y);
            check(shown == (bird ? qRgb(0, 0, 0) : before.displayedPhoto.pixel(x, y)));
        }
    return 0;
}
