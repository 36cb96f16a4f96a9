#include "Groups.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Writes the mask cells of one bitmap row: 255 - red of each pixel, through
// `lut` for an 8-bit bitmap. The program's own grey table (index = grey level)
// is a plain complement, done 16 bytes at a time.
void convertIndexedRow(const uchar* in, int count, const std::array<std::uint8_t, 256>& lut, bool complement,
                       std::uint8_t* out)
{
    int x = 0;
    if (complement) {
#if defined(__SSE2__)
        const __m128i ones = _mm_set1_epi8(char(0xFF));
        for (; x + 16 <= count; x += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_xor_si128(v, ones));
        }
#endif
        for (; x < count; ++x)
            out[x] = std::uint8_t(255 - in[x]);
        return;
    }
    for (; x < count; ++x)
        out[x] = lut[in[x]];
}

} // namespace

namespace {

// Gives the mask the size for a photo of width x height: at least 801 x 601,
// else the photo's size plus one. Every cell is written afterwards, so the old
// contents need no clearing.
void sizeMask(Document& doc, int width, int height, bool workingMaskToo)
{
    doc.maskColumns = std::max(Document::minMaskColumns, width + 1);
    doc.maskRows = std::max(Document::minMaskRows, height + 1);
    const std::size_t cells = std::size_t(doc.maskColumns) * std::size_t(doc.maskRows);
    if (workingMaskToo)
        doc.groupMask.resize(cells);
    else
        doc.groupMask.clear();
    doc.groupMaskCopy.resize(cells);
}

// Ends a mask row whose first `written` cells are set: the cells beyond are
// 0, and the photo's outermost rows and columns never belong to a group.
void finishMaskRow(std::uint8_t* out, int y, int written, int width, int height, std::size_t columns)
{
    std::memset(out + written, 0, columns - std::size_t(written));
    if (y < height && width > 0) {
        if (y == 0 || y == height - 1)
            std::memset(out, 0, std::size_t(width));
        out[0] = 0;
        out[width - 1] = 0;
    }
}

} // namespace

void BuildMaskFromBirdRows(Document& doc, int width, int height, int readWidth,
                           const std::function<void(int y, std::uint8_t* bird)>& birdRow)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    readWidth = std::clamp(readWidth, 0, width);
    sizeMask(doc, width, height, false);
    const std::size_t columns = std::size_t(doc.maskColumns);
    for (int y = 0; y < doc.maskRows; ++y) {
        std::uint8_t* out = doc.groupMaskCopy.data() + std::size_t(y) * columns;
        int written = 0;
        if (y < height && readWidth > 0) {
            birdRow(y, out);
            // A flag of 1 times 255 is 255, with no carry: eight at a time.
            int x = 0;
            for (; x + 8 <= readWidth; x += 8) {
                std::uint64_t eight;
                std::memcpy(&eight, out + x, 8);
                eight *= 0xFF;
                std::memcpy(out + x, &eight, 8);
            }
            for (; x < readWidth; ++x)
                out[x] = out[x] ? 255 : 0;
            written = readWidth;
        }
        finishMaskRow(out, y, written, width, height, columns);
    }
}

void BuildMask(Document& doc, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    sizeMask(doc, width, height, true);
    const std::size_t columns = std::size_t(doc.maskColumns);

    const QImage& bitmap = doc.workBitmap;
    const int readWidth = std::max(std::min(width, bitmap.width()), 0);
    const int readHeight = readWidth > 0 ? std::max(std::min(height, bitmap.height()), 0) : 0;
    const bool indexed = bitmap.format() == QImage::Format_Indexed8;
    // Pixels outside the colour table read as the invalid colour, whose
    // complement is 0: they are never bird pixels.
    std::array<std::uint8_t, 256> lut{};
    bool complement = false;
    QImage rgb;
    if (readHeight > 0) {
        if (indexed) {
            complement = true;
            for (int i = 0; i < 256; ++i) {
                lut[std::size_t(i)] = i < bitmap.colorCount() ? std::uint8_t(255 - qRed(bitmap.color(i))) : 0;
                complement = complement && lut[std::size_t(i)] == 255 - i;
            }
        } else {
            rgb = bitmap.convertToFormat(QImage::Format_RGB32);
        }
    }

    std::uint8_t* mask = doc.groupMask.data();
    std::uint8_t* copy = doc.groupMaskCopy.data();
    for (int y = 0; y < doc.maskRows; ++y) {
        std::uint8_t* out = mask + std::size_t(y) * columns;
        int written = 0;
        if (y < readHeight) {
            if (indexed) {
                convertIndexedRow(bitmap.constScanLine(y), readWidth, lut, complement, out);
            } else {
                const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
                for (int x = 0; x < readWidth; ++x)
                    out[x] = std::uint8_t(255 - qRed(in[x]));
            }
            written = readWidth;
        }
        finishMaskRow(out, y, written, width, height, columns);
        // The pristine copy, while the row is still in the cache.
        std::memcpy(copy + std::size_t(y) * columns, out, columns);
    }
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

// A line of the log written straight into its buffer: each piece gets its room
// first, then its characters, with no length check per character and no
// clearing of the room.
class LogLine {
public:
    // Room for `n` more characters; `end` gives back what was written.
    char* room(std::size_t n)
    {
        if (capacity_ < used_ + n) {
            const std::size_t capacity = std::max(2 * capacity_, used_ + n);
            auto grown = std::make_unique_for_overwrite<char[]>(capacity);
            if (used_ > 0)
                std::memcpy(grown.get(), text_.get(), used_);
            text_ = std::move(grown);
            capacity_ = capacity;
        }
        return text_.get() + used_;
    }
    void end(const char* at) { used_ = std::size_t(at - text_.get()); }
    QString toQString() const { return QString::fromLatin1(text_.get(), qsizetype(used_)); }

private:
    std::unique_ptr<char[]> text_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

// Room for a number of the log: a sign and 10 digits.
constexpr std::size_t numberRoom = 11;

char* putNumber(char* out, int value)
{
    return std::to_chars(out, out + numberRoom, value).ptr;
}

template <std::size_t N>
char* putText(char* out, const char (&text)[N])
{
    std::memcpy(out, text, N - 1);
    return out + N - 1;
}

} // namespace

void FillGroup(Document& doc, int x, int y)
{
    const ScanArea area = scanArea(doc);
    if (x < 0 || y < 0 || x >= area.width || y >= area.height || doc.groupMask.size() < doc.maskIndex(x, y) + 1)
        return;
    fillFrom(doc, area, x, y);
}

namespace {

// The detection pass labels the mask by horizontal runs in one scan: a run
// joins every run of the row above that it touches (8-connectivity: their
// columns overlap or meet at a corner); touching labels are united, the smaller
// label staying the root. A component's smallest label is the one its first run
// in scan order made, so ordering the roots by label orders the groups as a
// scan meets their first cell, the order the fill-based pass gives.
struct Run {
    int start;  // first column
    int end;    // one past the last column
    int label;
};

struct Label {
    int parent;
    int size;
    int minX;
    int maxX;
    int minY;
    int maxY;
};

struct Labelling {
    std::vector<Run> above;
    std::vector<Run> current;
    std::vector<Label> labels;
    std::vector<std::uint64_t> bits;
    std::vector<std::uint64_t> bitsAbove;
};

thread_local Labelling labelling;

// The root of label l, halving the path on the way.
inline int findRoot(Label* labels, int l)
{
    while (labels[l].parent != l) {
        const int up = labels[labels[l].parent].parent;
        labels[l].parent = up;
        l = up;
    }
    return l;
}

inline int countTrailingZeros(std::uint64_t v)
{
    return __builtin_ctzll(v);
}

// Restores one row of the mask from its copy with its bird cells taken (255
// becomes 0, as the fills leave it) and sets bit x of `bits` for each bird cell.
// Without `restore` only the bits are set and `to` is not written.
template <bool restore>
void takeRow(const std::uint8_t* from, std::uint8_t* to, int width, std::uint64_t* bits)
{
    std::uint64_t word = 0;
    int x = 0;
#if defined(__SSE2__)
    const __m128i bird = _mm_set1_epi8(char(0xFF));
    for (; x + 16 <= width; x += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        const __m128i hit = _mm_cmpeq_epi8(v, bird);
        if constexpr (restore)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), _mm_andnot_si128(hit, v));
        word |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(hit))) << (x & 63);
        if (((x + 16) & 63) == 0) {
            bits[x >> 6] = word;
            word = 0;
        }
    }
#endif
    for (; x < width; ++x) {
        const std::uint8_t v = from[x];
        word |= std::uint64_t(v == 255) << (x & 63);
        if constexpr (restore)
            to[x] = v == 255 ? 0 : v;
        if (((x + 1) & 63) == 0) {
            bits[x >> 6] = word;
            word = 0;
        }
    }
    if (width & 63)
        bits[width >> 6] = word;
}

// Writes the runs of set bits among the first `width` bits to `runs`, then a
// sentinel run that lies right of every column; returns the number of runs.
// `runs` has room for width / 2 + 2 entries.
int findRuns(const std::uint64_t* bits, int width, Run* runs)
{
    Run* out = runs;
    const int words = (width + 63) / 64;
    std::uint64_t carry = 0;
    bool open = false;
    int start = 0;
    for (int w = 0; w < words; ++w) {
        const std::uint64_t b = bits[w];
        // A set bit where a cell differs from the one on its left.
        std::uint64_t changes = b ^ ((b << 1) | carry);
        carry = b >> 63;
        while (changes) {
            const int x = w * 64 + countTrailingZeros(changes);
            changes &= changes - 1;
            if (open)
                *out++ = {start, x, 0};
            else
                start = x;
            open = !open;
        }
    }
    if (open)
        *out++ = {start, width, 0};
    *out = {std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), 0};
    return int(out - runs);
}

} // namespace

void DetectGroups(Document& doc)
{
    // A count-only document has no consumed mask to restore.
    const bool restore = !doc.countOnly;
    if (restore && doc.groupMask.size() != doc.groupMaskCopy.size())
        doc.groupMask.resize(doc.groupMaskCopy.size());
    doc.groupCount = 0;
    const ScanArea area = scanArea(doc);
    const std::size_t stride = std::size_t(doc.maskColumns);
    Labelling& work = labelling;
    std::vector<Label>& labels = work.labels;
    labels.clear();
    labels.push_back({0, 0, 0, 0, 0, 0});  // label 0 is "none"
    const std::size_t words = std::size_t(area.width + 63) / 64;
    work.bits.resize(words + 1);
    work.bitsAbove.resize(words + 1);
    int aboveCount = 0;
    const std::size_t runRoom = std::size_t(area.width) / 2 + 2;
    work.above.resize(runRoom);
    work.current.resize(runRoom);
    work.above[0] = {std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), 0};

    const std::uint8_t* copy = doc.groupMaskCopy.data();
    std::uint8_t* mask = doc.groupMask.data();
    for (int y = 0; y < area.height; ++y) {
        const std::size_t offset = std::size_t(y) * stride;
        if (restore) {
            takeRow<true>(copy + offset, mask + offset, area.width, work.bits.data());
            // Cells beyond the photo are restored as they are.
            std::memcpy(mask + offset + area.width, copy + offset + area.width, stride - std::size_t(area.width));
        } else {
            takeRow<false>(copy + offset, nullptr, area.width, work.bits.data());
        }
        Run* const current = work.current.data();
        // A row equal to the one above has its runs, each touching only the
        // run right above it (two runs of a row are a cell apart at least).
        const bool repeated = y > 0 && std::equal(work.bits.begin(), work.bits.begin() + std::ptrdiff_t(words),
                                                  work.bitsAbove.begin());
        const int runCount = repeated ? aboveCount : findRuns(work.bits.data(), area.width, current);

        // The cells of consecutive runs of one label are summed here and
        // written to the label once that label changes.
        int pending = 0, pendingSize = 0, pendingMinX = 0, pendingMaxX = 0;
        Label* table = labels.data();
        auto flushPending = [&] {
            if (pending == 0)
                return;
            Label& l = table[pending];
            l.size += pendingSize;
            l.minX = std::min(l.minX, pendingMinX);
            l.maxX = std::max(l.maxX, pendingMaxX);
            l.maxY = y;
        };
        // The runs above end with a sentinel right of every column.
        const Run* above = work.above.data();
        if (repeated) {
            for (int i = 0; i <= runCount; ++i)
                current[i] = above[i];
        }
        for (Run* run = current; run != current + runCount; ++run) {
            const int start = run->start;
            const int end = run->end;
            int label = 0;
            if (repeated) {
                label = findRoot(table, run->label);
            } else {
                // Runs above that end left of this one touch no later run either.
                while (above->end < start)
                    ++above;
                for (const Run* k = above; k->start <= end; ++k) {
                    const int root = findRoot(table, k->label);
                    if (label == 0) {
                        label = root;
                    } else if (root != label) {
                        const int low = std::min(root, label);
                        table[std::max(root, label)].parent = low;
                        label = low;
                    }
                }
            }
            if (label == 0) {
                label = int(labels.size());
                labels.push_back({label, 0, start, end - 1, y, y});
                table = labels.data();
            }
            if (label != pending) {
                flushPending();
                pending = label;
                pendingSize = 0;
                pendingMinX = start;
            }
            pendingSize += end - start;
            pendingMaxX = end - 1;
            run->label = label;
        }
        flushPending();
        std::swap(work.above, work.current);
        std::swap(work.bits, work.bitsAbove);
        aboveCount = runCount;
    }
    if (restore && area.height < doc.maskRows)
        std::memcpy(mask + std::size_t(area.height) * stride, copy + std::size_t(area.height) * stride,
                    doc.groupMaskCopy.size() - std::size_t(area.height) * stride);

    // Each label's cells go to its root; the roots, in label order, are the
    // components in scan order.
    const int labelCount = int(labels.size());
    std::size_t roots = 0;
    for (int l = 1; l < labelCount; ++l) {
        if (labels[std::size_t(l)].parent == l) {
            ++roots;
            continue;
        }
        const int root = findRoot(labels.data(), l);
        Label& to = labels[std::size_t(root)];
        const Label& from = labels[std::size_t(l)];
        to.size += from.size;
        to.minX = std::min(to.minX, from.minX);
        to.maxX = std::max(to.maxX, from.maxX);
        to.minY = std::min(to.minY, from.minY);
        to.maxY = std::max(to.maxY, from.maxY);
    }

    // A patch below the minimum size (1 or 2 cells at the least) is no group.
    // The tables and the log lines get their room for the groups at once:
    // there are no more groups than roots.
    const int least = std::max(doc.minGroupSize, 3);
    std::size_t groups = roots;
    if (doc.groupSizes.size() <= roots) {
        groups = 0;
        for (int l = 1; l < labelCount; ++l)
            groups += labels[std::size_t(l)].parent == l && labels[std::size_t(l)].size >= least;
    }
    if (doc.groupSizes.size() <= groups) {
        // Doubled as often as one group at a time would double them.
        std::size_t capacity = doc.groupSizes.size();
        while (capacity <= groups)
            capacity = std::max(capacity + 1, capacity * 2);
        doc.groupSizes.resize(capacity, 0);
        doc.groupRects.resize(capacity);
        doc.movedGroups.resize(capacity, 0);
    }
    LogLine sizesText;
    LogLine framesText;
    sizesText.room(groups * (numberRoom + 1));
    framesText.room(groups * (4 * numberRoom + 32));
    for (int l = 1; l < labelCount; ++l) {
        const Label& c = labels[std::size_t(l)];
        if (c.parent != l)
            continue;
        doc.fillSize = c.size;
        doc.fillMinX = c.minX;
        doc.fillMaxX = c.maxX;
        doc.fillMinY = c.minY;
        doc.fillMaxY = c.maxY;
        // A patch too small is no group; its cells are taken all the same.
        if (c.size < least)
            continue;
        ++doc.groupCount;
        const std::size_t g = std::size_t(doc.groupCount);
        doc.groupSizes[g] = c.size;
        doc.groupRects[g] = {c.minX - 1, c.minY - 1, c.maxX + 1, c.maxY + 1};
        char* f = framesText.room(4 * numberRoom + 32);
        f = putText(f, "\"left:");
        f = putNumber(f, c.minX);
        f = putText(f, ";top:");
        f = putNumber(f, c.minY);
        f = putText(f, ";width:");
        f = putNumber(f, c.maxX - c.minX + 1);
        f = putText(f, ";height:");
        f = putNumber(f, c.maxY - c.minY + 1);
        framesText.end(putText(f, "\", "));
        char* z = sizesText.room(numberRoom + 1);
        z = putNumber(z, c.size);
        *z++ = ',';
        sizesText.end(z);
    }
    doc.groupsMatchPhoto = true;
    doc.log.append(sizesText.toQString());
    doc.log.append(framesText.toQString());
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
