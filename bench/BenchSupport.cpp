#include "BenchSupport.h"

#include "core/Groups.h"
#include "core/Separation.h"
#include "files/BmpFile.h"
#include "files/PhotoFile.h"
#include "files/SampleSetFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace bench {

QString dataFile(const char* name)
{
    return QStringLiteral(ORNIVAL_SOURCE_DIR "/data/") + QString::fromUtf8(name);
}

Document defaultFlock(bool separated)
{
    Document doc;
    InitArrowPoints(doc);
    doc.photoFileName = dataFile("vol de cigognes.jpg");
    setPhoto(doc, decodeJpegFile(doc.photoFileName));
    const QStringList lines = splitLines(readWholeFile(dataFile("ornival0.ini")));
    for (int i = 0; i < 3; ++i) {
        doc.pixo[std::size_t(i)] = TextToTriple(lines.value(1 + i));
        doc.pixno[std::size_t(i)] = TextToTriple(lines.value(4 + i));
    }
    if (separated)
        separateBirds(doc, [] {});
    return doc;
}

namespace {

constexpr int maskWidth = 800;
constexpr int maskHeight = 600;

QImage blankBitmap()
{
    return newWorkBitmap(maskWidth, maskHeight);
}

void setBird(QImage& bitmap, int x, int y)
{
    if (x >= 0 && y >= 0 && x < bitmap.width() && y < bitmap.height())
        bitmap.scanLine(y)[x] = 0;
}

// A number in 0..n-1 from the raw generator, the same on every library.
int below(std::mt19937& random, int n)
{
    return int(random() % std::uint32_t(n));
}

// Small blobs, one per cell of a grid (so they rarely touch), each an ellipse
// of random radii placed at random inside its cell, some with a wing stroke.
QImage blobs(int cellWidth, int cellHeight, int minRadius, int maxRadius, std::uint32_t seed)
{
    QImage bitmap = blankBitmap();
    std::mt19937 random(seed);
    for (int top = 0; top + cellHeight <= maskHeight; top += cellHeight) {
        for (int left = 0; left + cellWidth <= maskWidth; left += cellWidth) {
            const int rx = minRadius + below(random, maxRadius - minRadius + 1);
            const int ry = minRadius + below(random, maxRadius - minRadius + 1);
            const int cx = left + rx + below(random, std::max(1, cellWidth - 2 * rx - 1));
            const int cy = top + ry + below(random, std::max(1, cellHeight - 2 * ry - 1));
            for (int dy = -ry; dy <= ry; ++dy)
                for (int dx = -rx; dx <= rx; ++dx)
                    if (dx * dx * ry * ry + dy * dy * rx * rx <= rx * rx * ry * ry)
                        setBird(bitmap, cx + dx, cy + dy);
            if (below(random, 3) == 0) {
                for (int i = 1; i <= rx + 1; ++i)
                    setBird(bitmap, cx + rx + i - 1, cy - i / 2);
            }
        }
    }
    return bitmap;
}

QImage flockMask()
{
    // 40 x 27 cells of 20 x 22 pixels: about 1 100 birds of 3 to 9 pixels across.
    return blobs(20, 22, 1, 4, 1);
}

QImage denseFlockMask()
{
    // 100 x 85 cells of 8 x 7 pixels: about 8 000 blobs of 3 to 5 pixels across.
    return blobs(8, 7, 1, 2, 2);
}

QImage combMask()
{
    // One group: a row joining a one-pixel tooth on every other column inside
    // the border, each as high as the photo.
    QImage bitmap = blankBitmap();
    for (int x = 1; x < maskWidth - 1; ++x)
        setBird(bitmap, x, 1);
    for (int x = 1; x < maskWidth - 1; x += 2)
        for (int y = 2; y < maskHeight - 1; ++y)
            setBird(bitmap, x, y);
    return bitmap;
}

QImage noiseMask()
{
    QImage bitmap = blankBitmap();
    std::mt19937 random(4);
    for (int y = 0; y < maskHeight; ++y) {
        for (int x = 0; x < maskWidth; x += 32) {
            const std::uint32_t bits = random();
            for (int i = 0; i < 32 && x + i < maskWidth; ++i)
                if (bits >> i & 1u)
                    setBird(bitmap, x + i, y);
        }
    }
    return bitmap;
}

std::map<std::string, std::vector<double>>& iterations()
{
    static std::map<std::string, std::vector<double>> all;
    return all;
}

std::map<std::string, double>& medians()
{
    static std::map<std::string, double> all;
    return all;
}

} // namespace

const std::array<MaskKind, 4>& maskKinds()
{
    static const std::array<MaskKind, 4> kinds{{
        {"flock", flockMask},
        {"denseFlock", denseFlockMask},
        {"comb", combMask},
        {"noise", noiseMask},
    }};
    return kinds;
}

Document maskDocument(const QImage& bitmap)
{
    Document doc;
    InitArrowPoints(doc);
    doc.photoWidth = bitmap.width();
    doc.photoHeight = bitmap.height();
    doc.photoJpeg = QImage(bitmap.width(), bitmap.height(), QImage::Format_BGR888);
    doc.photoJpeg.fill(Qt::white);
    doc.displayedPhoto = doc.photoJpeg.copy();
    doc.workBitmap = bitmap;
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    doc.workflowStep = 2;
    return doc;
}

QString flockPhoto(int width, int height, const QString& folder)
{
    QString dir = folder;
    if (dir.isEmpty())
        dir = qEnvironmentVariableIsEmpty("ORNIVAL_BENCH_PHOTOS")
            ? QDir::temp().filePath(QStringLiteral("ornival-bench-photos"))
            : qEnvironmentVariable("ORNIVAL_BENCH_PHOTOS");
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(QStringLiteral("vol-%1x%2.jpg").arg(width).arg(height));
    if (QFileInfo::exists(path))
        return path;
    const QImage tile = decodeJpegFile(dataFile("vol de cigognes.jpg"));
    QImage photo(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        const uchar* in = tile.constScanLine(y % tile.height());
        uchar* out = photo.scanLine(y);
        for (int x = 0; x < width; x += tile.width())
            std::memcpy(out + 3 * x, in, std::size_t(3 * std::min(tile.width(), width - x)));
    }
    // Written whole under another name first, so a stopped run leaves no half photo.
    const QString part = path + QStringLiteral(".part");
    QImageWriter writer(part, "jpg");
    writer.setQuality(90);
    if (!writer.write(photo) || !QFile::rename(part, path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void recordIteration(const std::string& name, double seconds)
{
    iterations()[name].push_back(seconds);
}

void recordMedian(const std::string& name, double seconds)
{
    medians()[name] = seconds;
}

bool measured(const std::string& name)
{
    return medians().count(name) > 0 || iterations().count(name) > 0;
}

double medianSeconds(const std::string& name)
{
    if (auto median = medians().find(name); median != medians().end())
        return median->second;
    auto found = iterations().find(name);
    if (found == iterations().end() || found->second.empty())
        return 0;
    std::vector<double> values = found->second;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace bench
