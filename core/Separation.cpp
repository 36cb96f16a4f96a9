#include "Separation.h"

#include "Groups.h"
#include "Overlay.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

int colorDistance(const ColorTriple& a, const ColorTriple& b)
{
    return std::abs(int(a.rgbtRed) - int(b.rgbtRed)) + std::abs(int(a.rgbtGreen) - int(b.rgbtGreen))
        + std::abs(int(a.rgbtBlue) - int(b.rgbtBlue));
}

namespace {

// The plain per-pixel rule, also used for the pixels that do not fill a whole
// block of the vector pass.
void separatePixels(const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
                    const std::array<ColorTriple, 3>& sky, std::uint8_t* bird)
{
    for (int x = 0; x < count; ++x) {
        const ColorTriple p{bgr[3 * x], bgr[3 * x + 1], bgr[3 * x + 2]};
        int birdDistance = 1000;
        int skyDistance = 1000;
        for (int i = 0; i < 3; ++i) {
            birdDistance = std::min(birdDistance, colorDistance(p, birds[std::size_t(i)]));
            skyDistance = std::min(skyDistance, colorDistance(p, sky[std::size_t(i)]));
        }
        bird[x] = birdDistance < skyDistance ? 1 : 0;
    }
}

#if defined(__SSE2__)

// Sixteen pixels at a time with SSE2, which every x86-64 processor has. The
// distances are exact: per-channel differences in bytes, sums and minima in
// 16-bit lanes (at most 765).
struct SampleVector {
    __m128i blue, green, red;
};

std::array<SampleVector, 3> sampleVectors(const std::array<ColorTriple, 3>& samples)
{
    std::array<SampleVector, 3> v;
    for (std::size_t i = 0; i < 3; ++i)
        v[i] = {_mm_set1_epi8(char(samples[i].rgbtBlue)), _mm_set1_epi8(char(samples[i].rgbtGreen)),
                _mm_set1_epi8(char(samples[i].rgbtRed))};
    return v;
}

inline __m128i absoluteDifference(__m128i a, __m128i b)
{
    return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
}

// The least distance of 16 pixels (planes of blue, green and red bytes) to
// three samples, as pixels 0..7 in `low` and 8..15 in `high`.
inline void nearestDistance(__m128i blue, __m128i green, __m128i red, const std::array<SampleVector, 3>& samples,
                            __m128i& low, __m128i& high)
{
    const __m128i zero = _mm_setzero_si128();
    for (std::size_t i = 0; i < 3; ++i) {
        const __m128i db = absoluteDifference(blue, samples[i].blue);
        const __m128i dg = absoluteDifference(green, samples[i].green);
        const __m128i dr = absoluteDifference(red, samples[i].red);
        const __m128i l = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(db, zero), _mm_unpacklo_epi8(dg, zero)),
                                        _mm_unpacklo_epi8(dr, zero));
        const __m128i h = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(db, zero), _mm_unpackhi_epi8(dg, zero)),
                                        _mm_unpackhi_epi8(dr, zero));
        low = i == 0 ? l : _mm_min_epi16(low, l);
        high = i == 0 ? h : _mm_min_epi16(high, h);
    }
}

// Splits 48 bytes of blue, green, red pixels into three planes of 16 bytes.
inline void deinterleave(const std::uint8_t* bgr, __m128i& blue, __m128i& green, __m128i& red)
{
    const __m128i t00 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr));
    const __m128i t01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 16));
    const __m128i t02 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 32));
    const __m128i t10 = _mm_unpacklo_epi8(t00, _mm_unpackhi_epi64(t01, t01));
    const __m128i t11 = _mm_unpacklo_epi8(_mm_unpackhi_epi64(t00, t00), t02);
    const __m128i t12 = _mm_unpacklo_epi8(t01, _mm_unpackhi_epi64(t02, t02));
    const __m128i t20 = _mm_unpacklo_epi8(t10, _mm_unpackhi_epi64(t11, t11));
    const __m128i t21 = _mm_unpacklo_epi8(_mm_unpackhi_epi64(t10, t10), t12);
    const __m128i t22 = _mm_unpacklo_epi8(t11, _mm_unpackhi_epi64(t12, t12));
    const __m128i t30 = _mm_unpacklo_epi8(t20, _mm_unpackhi_epi64(t21, t21));
    const __m128i t31 = _mm_unpacklo_epi8(_mm_unpackhi_epi64(t20, t20), t22);
    const __m128i t32 = _mm_unpacklo_epi8(t21, _mm_unpackhi_epi64(t22, t22));
    blue = _mm_unpacklo_epi8(t30, _mm_unpackhi_epi64(t31, t31));
    green = _mm_unpacklo_epi8(_mm_unpackhi_epi64(t30, t30), t32);
    red = _mm_unpacklo_epi8(t31, _mm_unpackhi_epi64(t32, t32));
}

// Classes the whole blocks of 16 pixels; returns how many pixels it did.
int separateBlocksSse2(const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
                   const std::array<ColorTriple, 3>& sky, std::uint8_t* bird)
{
    const auto birdVectors = sampleVectors(birds);
    const auto skyVectors = sampleVectors(sky);
    const __m128i one = _mm_set1_epi8(1);
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        __m128i blue, green, red;
        deinterleave(bgr + 3 * x, blue, green, red);
        __m128i birdLow, birdHigh, skyLow, skyHigh;
        nearestDistance(blue, green, red, birdVectors, birdLow, birdHigh);
        nearestDistance(blue, green, red, skyVectors, skyLow, skyHigh);
        // Strictly nearer to a bird sample; a tie is sky.
        const __m128i nearer = _mm_packs_epi16(_mm_cmplt_epi16(birdLow, skyLow), _mm_cmplt_epi16(birdHigh, skyHigh));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bird + x), _mm_and_si128(nearer, one));
    }
    return x;
}

#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ORNIVAL_HAVE_AVX2_KERNEL 1

// The same pass with AVX2, chosen at run time on processors that have it:
// planes split with byte shuffles, distances in 16 lanes of 16 bits.
// Byte shuffles that gather plane c (blue, green, red) of 16 pixels from the
// three 16-byte parts of their 48 bytes: index -128 gives 0.
struct ShuffleTable {
    std::int8_t index[3][3][16];
};

constexpr ShuffleTable makeShuffleTable()
{
    ShuffleTable t{};
    for (int c = 0; c < 3; ++c)
        for (int part = 0; part < 3; ++part)
            for (int i = 0; i < 16; ++i) {
                const int source = 3 * i + c;
                t.index[c][part][i] = source / 16 == part ? std::int8_t(source % 16) : std::int8_t(-128);
            }
    return t;
}

alignas(16) constexpr ShuffleTable shuffleTable = makeShuffleTable();

struct Avx2Sample {
    __m256i blue, green, red;
};

__attribute__((target("avx2"))) inline __m256i nearestAvx2(__m256i blue, __m256i green, __m256i red,
                                                          const Avx2Sample* samples)
{
    __m256i best = _mm256_set1_epi16(1000);
    for (int i = 0; i < 3; ++i) {
        const __m256i d = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_abs_epi16(_mm256_sub_epi16(blue, samples[i].blue)),
                             _mm256_abs_epi16(_mm256_sub_epi16(green, samples[i].green))),
            _mm256_abs_epi16(_mm256_sub_epi16(red, samples[i].red)));
        best = _mm256_min_epi16(best, d);
    }
    return best;
}

__attribute__((target("avx2"))) int separateBlocksAvx2(const std::uint8_t* bgr, int count,
                                                      const std::array<ColorTriple, 3>& birds,
                                                      const std::array<ColorTriple, 3>& sky, std::uint8_t* bird)
{
    Avx2Sample birdVectors[3], skyVectors[3];
    for (std::size_t i = 0; i < 3; ++i) {
        birdVectors[i] = {_mm256_set1_epi16(birds[i].rgbtBlue), _mm256_set1_epi16(birds[i].rgbtGreen),
                          _mm256_set1_epi16(birds[i].rgbtRed)};
        skyVectors[i] = {_mm256_set1_epi16(sky[i].rgbtBlue), _mm256_set1_epi16(sky[i].rgbtGreen),
                         _mm256_set1_epi16(sky[i].rgbtRed)};
    }
    __m128i shuffles[3][3];
    for (int c = 0; c < 3; ++c)
        for (int part = 0; part < 3; ++part)
            shuffles[c][part] = _mm_load_si128(reinterpret_cast<const __m128i*>(shuffleTable.index[c][part]));
    const __m128i one = _mm_set1_epi8(1);
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m128i t0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 3 * x));
        const __m128i t1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 3 * x + 16));
        const __m128i t2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 3 * x + 32));
        __m256i planes[3];
        for (int c = 0; c < 3; ++c) {
            const __m128i p = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(t0, shuffles[c][0]),
                                                        _mm_shuffle_epi8(t1, shuffles[c][1])),
                                           _mm_shuffle_epi8(t2, shuffles[c][2]));
            planes[c] = _mm256_cvtepu8_epi16(p);
        }
        const __m256i birdDistance = nearestAvx2(planes[0], planes[1], planes[2], birdVectors);
        const __m256i skyDistance = nearestAvx2(planes[0], planes[1], planes[2], skyVectors);
        // Strictly nearer to a bird sample; a tie is sky.
        const __m256i nearer = _mm256_cmpgt_epi16(skyDistance, birdDistance);
        const __m128i packed =
            _mm_packs_epi16(_mm256_castsi256_si128(nearer), _mm256_extracti128_si256(nearer, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bird + x), _mm_and_si128(packed, one));
    }
    return x;
}

bool haveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

#endif

// Blackens the bird pixels of a row, passing over eight sky pixels at a time.
void blackenBirds(const std::uint8_t* bird, int count, uchar* row)
{
    int x = 0;
    while (x < count) {
        if (x + 8 <= count) {
            std::uint64_t eight;
            std::memcpy(&eight, bird + x, 8);
            if (eight == 0) {
                x += 8;
                continue;
            }
        }
        const int end = std::min(x + 8, count);
        for (; x < end; ++x) {
            if (bird[x]) {
                row[3 * x] = 0;
                row[3 * x + 1] = 0;
                row[3 * x + 2] = 0;
            }
        }
    }
}

// The grey levels of the working bitmap: 0 for a bird pixel, 255 for sky,
// eight at a time (a byte of 1 times 255 is 255, with no carry).
void greyLevels(const std::uint8_t* bird, int count, uchar* out)
{
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, bird + x, 8);
        eight = ~(eight * 0xFF);
        std::memcpy(out + x, &eight, 8);
    }
    for (; x < count; ++x)
        out[x] = bird[x] ? 0 : 255;
}

// Indexes of a bird (red 0, the darkest) and a sky colour (red not 0, the
// lightest) in the colour table of an indexed working bitmap.
std::pair<int, int> blackAndWhiteIndexes(QImage& work)
{
    QList<QRgb> table = work.colorTable();
    const qsizetype capacity = work.depth() == 1 ? 2 : 256;
    int black = -1;
    int white = -1;
    auto lightness = [&](int i) { return qRed(table[i]) + qGreen(table[i]) + qBlue(table[i]); };
    for (int i = 0; i < int(table.size()); ++i) {
        if (qRed(table[i]) == 0 && (black < 0 || lightness(i) < lightness(black)))
            black = i;
        if (qRed(table[i]) != 0 && (white < 0 || lightness(i) > lightness(white)))
            white = i;
    }
    // A table without a bird colour or without a sky colour (a file of one
    // colour) gets it added, or in place of an entry when it is full.
    auto add = [&](QRgb colour, int keep) {
        if (table.size() < capacity) {
            table.append(colour);
            return int(table.size()) - 1;
        }
        const int replaced = keep == 0 ? 1 : 0;
        table[replaced] = colour;
        return replaced;
    };
    if (black < 0)
        black = add(qRgb(0, 0, 0), white);
    if (white < 0)
        white = add(qRgb(255, 255, 255), black);
    work.setColorTable(table);
    return {black, white};
}

} // namespace

bool separateRowWith(RowKernel kernel, const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
                     const std::array<ColorTriple, 3>& sky, std::uint8_t* bird)
{
    if (kernel == RowKernel::best) {
#ifdef ORNIVAL_HAVE_AVX2_KERNEL
        kernel = haveAvx2() ? RowKernel::avx2 : RowKernel::sse2;
#else
        kernel = RowKernel::sse2;
#endif
    }
    int done = 0;
    switch (kernel) {
    case RowKernel::plain:
        break;
    case RowKernel::sse2:
#if defined(__SSE2__)
        if (count > 0)
            done = separateBlocksSse2(bgr, count, birds, sky, bird);
        break;
#else
        return false;
#endif
    case RowKernel::avx2:
#ifdef ORNIVAL_HAVE_AVX2_KERNEL
        if (!haveAvx2())
            return false;
        if (count > 0)
            done = separateBlocksAvx2(bgr, count, birds, sky, bird);
        break;
#else
        return false;
#endif
    case RowKernel::best:
        break;
    }
    if (count > done)
        separatePixels(bgr + 3 * done, count - done, birds, sky, bird + done);
    return true;
}

void separateRow(const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
                 const std::array<ColorTriple, 3>& sky, std::uint8_t* bird)
{
    separateRowWith(RowKernel::best, bgr, count, birds, sky, bird);
}

namespace {

// The separation of a count-only document: the photo's rows are classed
// straight into the working bitmap (of the program's grey table), or without
// one into the group mask copy; nothing is drawn.
void separateCountOnly(Document& doc, const std::function<void()>& saveSampleSet)
{
    const QImage photo = doc.photoJpeg.format() == QImage::Format_BGR888
        ? doc.photoJpeg
        : doc.photoJpeg.convertToFormat(QImage::Format_BGR888);
    const int width = std::min(doc.photoWidth, photo.width());
    const int height = std::min(doc.photoHeight, photo.height());
    QImage& work = doc.workBitmap;
    if (work.isNull()) {
        // The save comes first, so a failed one leaves the mask as it was.
        saveSampleSet();
        BuildMaskFromBirdRows(doc, doc.photoWidth, doc.photoHeight, width, [&](int y, std::uint8_t* flags) {
            if (y < height)
                separateRow(photo.constScanLine(y), width, doc.pixo, doc.pixno, flags);
            else
                std::memset(flags, 0, std::size_t(width));
        });
    } else {
        // A working bitmap of the program's own grey table.
        const int workWidth = std::min(width, work.width());
        std::vector<std::uint8_t> bird(std::size_t(std::max(width, 0)));
        for (int y = 0; y < std::min(height, work.height()); ++y) {
            separateRow(photo.constScanLine(y), workWidth, doc.pixo, doc.pixno, bird.data());
            greyLevels(bird.data(), workWidth, work.scanLine(y));
        }
        saveSampleSet();
        BuildMask(doc, doc.photoWidth, doc.photoHeight);
    }
    doc.workflowStep = 2;
    doc.blackShown = true;
    MoveStepArrow(doc, 3);
}

} // namespace

void separateBirds(Document& doc, const std::function<void()>& saveSampleSet)
{
    // A count-only document draws nothing, unless its working bitmap has a
    // format of its own (loaded from a file), which the full pass keeps.
    if (doc.countOnly
        && (doc.workBitmap.isNull()
            || (doc.workBitmap.format() == QImage::Format_Indexed8
                && doc.workBitmap.colorTable() == workBitmapColorTable()))) {
        separateCountOnly(doc, saveSampleSet);
        return;
    }
    redrawDisplayedPhoto(doc);
    QImage& display = doc.displayedPhoto;

    // The working bitmap keeps its format and size, so that a bitmap loaded
    // from a file is saved again with its own depth. Only an 8-bit bitmap with
    // the program's own colour table takes the grey levels as they are.
    QImage& work = doc.workBitmap;
    const bool greyTable = work.format() == QImage::Format_Indexed8 && work.colorTable() == workBitmapColorTable();
    const bool indexed = !greyTable && !work.isNull() && work.colorCount() > 0;
    const bool rgb32 = work.format() == QImage::Format_RGB32 || work.format() == QImage::Format_ARGB32
        || work.format() == QImage::Format_ARGB32_Premultiplied;
    const auto [birdIndex, skyIndex] = indexed ? blackAndWhiteIndexes(work) : std::pair{0, 0};

    const int width = std::min(doc.photoWidth, display.width());
    const int height = std::min(doc.photoHeight, display.height());
    const int workWidth = std::min(width, work.width());
    std::vector<std::uint8_t> bird(std::size_t(std::max(width, 0)));
    for (int y = 0; y < height; ++y) {
        uchar* row = display.scanLine(y);
        separateRow(row, width, doc.pixo, doc.pixno, bird.data());
        blackenBirds(bird.data(), width, row);
        if (y >= work.height())
            continue;
        if (greyTable) {
            greyLevels(bird.data(), workWidth, work.scanLine(y));
        } else if (rgb32) {
            QRgb* out = reinterpret_cast<QRgb*>(work.scanLine(y));
            for (int x = 0; x < workWidth; ++x)
                out[x] = bird[std::size_t(x)] ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        } else {
            // Files of other depths (1, 4 and 16 bits, other colour tables).
            for (int x = 0; x < workWidth; ++x) {
                if (indexed)
                    work.setPixel(x, y, uint(bird[std::size_t(x)] ? birdIndex : skyIndex));
                else
                    work.setPixel(x, y, bird[std::size_t(x)] ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            }
        }
    }

    saveSampleSet();
    doc.workflowStep = 2;
    doc.blackShown = true;
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    MoveStepArrow(doc, 3);
}

void separateBirdsByRows(Document& doc, const std::function<const std::uint8_t*(int y)>& photoRow)
{
    const int width = std::max(doc.photoWidth, 0);
    BuildMaskFromBirdRows(doc, width, doc.photoHeight, width, [&](int y, std::uint8_t* flags) {
        separateRow(photoRow(y), width, doc.pixo, doc.pixno, flags);
    });
    doc.workflowStep = 2;
    doc.blackShown = true;
    MoveStepArrow(doc, 3);
}
