#include "Groups.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

void BuildMask(Document& doc, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    doc.maskColumns = std::max(Document::minMaskColumns, width + 1);
    doc.maskRows = std::max(Document::minMaskRows, height + 1);
    const std::size_t cells = std::size_t(doc.maskColumns) * std::size_t(doc.maskRows);
    doc.groupMask.assign(cells, 0);

    const QImage& bitmap = doc.workBitmap;
    const int readWidth = std::min(width, bitmap.width());
    const int readHeight = std::min(height, bitmap.height());
    if (readWidth > 0 && readHeight > 0) {
        if (bitmap.format() == QImage::Format_Indexed8) {
            // Pixels outside the bitmap read as the invalid colour, whose
            // complement is 0: they are never bird pixels.
            std::array<std::uint8_t, 256> lut{};
            for (int i = 0; i < 256; ++i)
                lut[std::size_t(i)] = i < bitmap.colorCount() ? std::uint8_t(255 - qRed(bitmap.color(i))) : 0;
            for (int y = 0; y < readHeight; ++y) {
                const uchar* in = bitmap.constScanLine(y);
                std::uint8_t* out = doc.groupMask.data() + doc.maskIndex(0, y);
                for (int x = 0; x < readWidth; ++x)
                    out[x] = lut[in[x]];
            }
        } else {
            const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < readHeight; ++y) {
                const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
                std::uint8_t* out = doc.groupMask.data() + doc.maskIndex(0, y);
                for (int x = 0; x < readWidth; ++x)
                    out[x] = std::uint8_t(255 - qRed(in[x]));
            }
        }
    }

    if (width > 0 && height > 0) {
        for (int y = 0; y < height; ++y) {
            doc.groupMask[doc.maskIndex(0, y)] = 0;
            doc.groupMask[doc.maskIndex(width - 1, y)] = 0;
        }
        for (int x = 0; x < width; ++x) {
            doc.groupMask[doc.maskIndex(x, 0)] = 0;
            doc.groupMask[doc.maskIndex(x, height - 1)] = 0;
        }
    }
    doc.groupMaskCopy = doc.groupMask;
}

namespace {

// The part of the mask a pass may look at: the photo, bounded by the mask.
struct ScanArea {
    int width;
    int height;
};

ScanArea scanArea(const Document& doc)
{
    return {std::clamp(doc.photoWidth, 0, doc.maskColumns - 1),
            std::clamp(doc.photoHeight, 0, doc.maskRows - 1)};
}

// Seeds of pending runs: each is one cell of a stretch of 255-cells found next
// to a run already taken.
thread_local std::vector<TPoint> fillWork;

void fillFrom(Document& doc, const ScanArea& area, int x0, int y0)
{
    std::uint8_t* mask = doc.groupMask.data();
    const std::size_t stride = std::size_t(doc.maskColumns);
    fillWork.clear();
    fillWork.push_back({x0, y0});
    doc.fillMinX = std::min(doc.fillMinX, x0);
    doc.fillMaxX = std::max(doc.fillMaxX, x0);
    doc.fillMinY = std::min(doc.fillMinY, y0);
    doc.fillMaxY = std::max(doc.fillMaxY, y0);
    while (!fillWork.empty()) {
        const TPoint seed = fillWork.back();
        fillWork.pop_back();
        const int y = seed.Y;
        std::uint8_t* row = mask + std::size_t(y) * stride;
        if (row[seed.X] != 255)
            continue;
        int right = seed.X;
        while (right < area.width && row[right] == 255)
            row[right++] = 0;
        int left = seed.X - 1;
        while (left >= 0 && row[left] == 255)
            row[left--] = 0;
        doc.fillSize += right - left - 1;
        doc.fillMinX = std::min(doc.fillMinX, left + 1);
        doc.fillMaxX = std::max(doc.fillMaxX, right - 1);
        doc.fillMinY = std::min(doc.fillMinY, y);
        doc.fillMaxY = std::max(doc.fillMaxY, y);
        // The columns left and right lie one outside the run: they make the
        // diagonal neighbours count.
        const int from = std::max(left, 0);
        const int to = std::min(right, area.width - 1);
        for (const int ny : {y + 1, y - 1}) {
            if (ny < 0 || ny >= area.height)
                continue;
            const std::uint8_t* next = mask + std::size_t(ny) * stride;
            for (int c = from; c <= to; ++c) {
                if (next[c] == 255 && (c == from || next[c - 1] != 255))
                    fillWork.push_back({c, ny});
            }
        }
    }
}

void appendNumber(std::string& text, long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

} // namespace

void FillGroup(Document& doc, int x, int y)
{
    const ScanArea area = scanArea(doc);
    if (x < 0 || y < 0 || x >= area.width || y >= area.height)
        return;
    fillFrom(doc, area, x, y);
}

void DetectGroups(Document& doc)
{
    if (doc.groupMask.size() == doc.groupMaskCopy.size())
        std::memcpy(doc.groupMask.data(), doc.groupMaskCopy.data(), doc.groupMaskCopy.size());
    else
        doc.groupMask = doc.groupMaskCopy;
    doc.groupCount = 0;
    std::string sizesText;
    std::string framesText;
    const ScanArea area = scanArea(doc);
    const std::size_t stride = std::size_t(doc.maskColumns);
    for (int y = 0; y < area.height; ++y) {
        std::uint8_t* row = doc.groupMask.data() + std::size_t(y) * stride;
        int x = 0;
        while (x < area.width) {
            const void* hit = std::memchr(row + x, 255, std::size_t(area.width - x));
            if (!hit)
                break;
            x = int(static_cast<const std::uint8_t*>(hit) - row);
            doc.fillSize = 0;
            doc.fillMinX = doc.photoWidth;
            doc.fillMaxX = 0;
            doc.fillMinY = doc.photoHeight;
            doc.fillMaxY = 0;
            fillFrom(doc, area, x, y);
            if (doc.fillSize > 2) {
                ++doc.groupCount;
                const std::size_t g = std::size_t(doc.groupCount);
                if (doc.groupSizes.size() <= g) {
                    const std::size_t capacity = std::max<std::size_t>(g + 1, doc.groupSizes.size() * 2);
                    doc.groupSizes.resize(capacity, 0);
                    doc.groupRects.resize(capacity);
                    doc.movedGroups.resize(capacity, 0);
                }
                doc.groupSizes[g] = doc.fillSize;
                doc.groupRects[g] = {doc.fillMinX - 1, doc.fillMinY - 1, doc.fillMaxX + 1, doc.fillMaxY + 1};
                framesText += "\"left:";
                appendNumber(framesText, doc.fillMinX);
                framesText += ";top:";
                appendNumber(framesText, doc.fillMinY);
                framesText += ";width:";
                appendNumber(framesText, doc.fillMaxX - doc.fillMinX + 1);
                framesText += ";height:";
                appendNumber(framesText, doc.fillMaxY - doc.fillMinY + 1);
                framesText += "\", ";
                appendNumber(sizesText, doc.fillSize);
                sizesText += ',';
            }
            ++x;
        }
    }
    doc.groupsMatchPhoto = true;
    doc.log.append(QString::fromLatin1(sizesText.data(), qsizetype(sizesText.size())));
    doc.log.append(QString::fromLatin1(framesText.data(), qsizetype(framesText.size())));
    doc.log.append(QString::number(doc.groupCount));
}

bool widenedFrameHolds(const TRect& r, int X, int Y)
{
    const std::int64_t x = X, y = Y;
    return std::int64_t(r.Left) - 2 <= x && x <= std::int64_t(r.Right) + 2
        && std::int64_t(r.Top) - 2 <= y && y <= std::int64_t(r.Bottom) + 2;
}

int GroupAt(const Document& doc, int X, int Y)
{
    if (!doc.groupsMatchPhoto)
        return 0;
    for (int g = 1; g <= doc.groupCount; ++g) {
        if (widenedFrameHolds(doc.groupRects[std::size_t(g)], X, Y))
            return g;
    }
    return 0;
}

void ForgetPhotoGroups(Document& doc)
{
    std::fill(doc.groupMaskCopy.begin(), doc.groupMaskCopy.end(), 0);
    std::fill(doc.groupMask.begin(), doc.groupMask.end(), 0);
    doc.groupsMatchPhoto = false;
}
