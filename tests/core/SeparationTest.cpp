#include "CoreTestSupport.h"

#include "core/OrnivalError.h"
#include "core/Separation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

using namespace coretest;

namespace {

ColorTriple rgb(int r, int g, int b)
{
    return ColorTriple{std::uint8_t(b), std::uint8_t(g), std::uint8_t(r)};
}

// A 4 x 3 photo of chosen colours.
Document smallPhoto(const std::vector<QRgb>& pixels, int width)
{
    const int height = int(pixels.size()) / width;
    Document doc = documentWithPhoto(width, height);
    for (int i = 0; i < int(pixels.size()); ++i)
        doc.photoJpeg.setPixel(i % width, i / width, pixels[std::size_t(i)]);
    return doc;
}

bool workIsBird(const Document& doc, int x, int y)
{
    return pixelAt(doc.workBitmap, x, y) == clBlack;
}

} // namespace

TEST(Separation, ClassesByNearestSampleTieIsSky)
{
    Document doc = smallPhoto({qRgb(250, 250, 250), qRgb(20, 40, 200), qRgb(100, 100, 100), qRgb(0, 0, 0)}, 4);
    doc.pixo = {rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255)};
    doc.pixno = {rgb(0, 0, 255), rgb(0, 0, 255), rgb(0, 0, 255)};
    // (100,100,100): 465 from white, 355 from blue; (0,0,0): 765 from white, 255 from blue.
    separateBirds(doc, [] {});
    EXPECT_TRUE(workIsBird(doc, 0, 0));
    EXPECT_FALSE(workIsBird(doc, 1, 0));
    EXPECT_FALSE(workIsBird(doc, 2, 0));
    EXPECT_TRUE(isColour(doc.displayedPhoto, 0, 0, clBlack));
    EXPECT_TRUE(isColour(doc.displayedPhoto, 1, 0, fromQRgb(qRgb(20, 40, 200))));

    // Exactly between a bird and a sky sample: sky.
    Document tie = smallPhoto({qRgb(100, 100, 100)}, 1);
    tie.pixo = {rgb(110, 100, 100), rgb(255, 0, 0), rgb(255, 0, 0)};
    tie.pixno = {rgb(100, 90, 100), rgb(0, 255, 0), rgb(0, 255, 0)};
    separateBirds(tie, [] {});
    EXPECT_FALSE(workIsBird(tie, 0, 0));

    // A bird sample equal to a sky sample: that colour is sky.
    Document same = smallPhoto({qRgb(1, 2, 3)}, 1);
    same.pixo = {rgb(1, 2, 3), rgb(1, 2, 3), rgb(1, 2, 3)};
    same.pixno = {rgb(9, 9, 9), rgb(1, 2, 3), rgb(9, 9, 9)};
    separateBirds(same, [] {});
    EXPECT_FALSE(workIsBird(same, 0, 0));
}

TEST(Separation, AllBlackSamplesLeaveEverythingSky)
{
    Document doc = documentWithPhoto(30, 20, qRgb(0, 0, 0));
    separateBirds(doc, [] {});
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_FALSE(workIsBird(doc, x, y));
    EXPECT_EQ(doc.displayedPhoto, doc.photoJpeg);
}

TEST(Separation, OrderOfSamplesAndRepeatDoNotMatter)
{
    std::mt19937 random(42);
    Document doc = documentWithPhoto(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            doc.photoJpeg.setPixel(x, y, qRgb(int(random() % 256), int(random() % 256), int(random() % 256)));
    doc.pixo = {rgb(250, 250, 250), rgb(10, 10, 10), rgb(128, 128, 128)};
    doc.pixno = {rgb(30, 80, 200), rgb(120, 170, 230), rgb(200, 220, 250)};
    separateBirds(doc, [] {});
    const QImage work = doc.workBitmap.copy();
    const QImage display = doc.displayedPhoto.copy();
    separateBirds(doc, [] {});  // starts again from the decoded photo, not the blackened display
    EXPECT_EQ(doc.workBitmap, work);
    EXPECT_EQ(doc.displayedPhoto, display);
    std::reverse(doc.pixo.begin(), doc.pixo.end());
    std::rotate(doc.pixno.begin(), doc.pixno.begin() + 1, doc.pixno.end());
    separateBirds(doc, [] {});
    EXPECT_EQ(doc.workBitmap, work);
}

TEST(Separation, StateChangesAfterTheSave)
{
    Document doc = documentWithPhoto(10, 10, qRgb(0, 0, 0));
    doc.pixo = {rgb(0, 0, 0), rgb(0, 0, 0), rgb(0, 0, 0)};
    doc.pixno = {rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255)};
    doc.workflowStep = 3;
    bool saved = false;
    separateBirds(doc, [&] {
        // The save comes after the pixel pass and before any state change.
        saved = true;
        EXPECT_TRUE(workIsBird(doc, 5, 5));
        EXPECT_EQ(doc.workflowStep, 3);
        EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 5)], 0);
    });
    EXPECT_TRUE(saved);
    EXPECT_EQ(doc.workflowStep, 2);
    EXPECT_TRUE(doc.blackShown);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 5)], 255);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(0, 5)], 0);
    EXPECT_EQ(doc.arrowPosition, (TPoint{816, 190}));
}

TEST(Separation, FailedSaveStopsAfterThePixelPass)
{
    Document doc = documentWithPhoto(10, 10, qRgb(0, 0, 0));
    doc.pixno = {rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255)};
    doc.workflowStep = 3;
    doc.blackShown = false;
    EXPECT_THROW(separateBirds(doc, [] { throw OrnivalError("Impossible de créer le fichier ornival.ini"); }),
                 OrnivalError);
    EXPECT_TRUE(workIsBird(doc, 5, 5));
    EXPECT_TRUE(isColour(doc.displayedPhoto, 5, 5, clBlack));
    EXPECT_EQ(doc.workflowStep, 3);
    EXPECT_FALSE(doc.blackShown);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 5)], 0);
    EXPECT_EQ(doc.arrowPosition, (TPoint{816, 5}));
}

TEST(Separation, EmptyPhotoStillSavesAndEntersStepTwo)
{
    Document doc = documentWithPhoto(0, 0);
    int saves = 0;
    separateBirds(doc, [&] { ++saves; });
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(doc.workflowStep, 2);
    EXPECT_EQ(doc.arrowPosition, (TPoint{816, 190}));
}

TEST(Separation, WorkingBitmapOfAnotherSizeKeepsItsSize)
{
    Document doc = documentWithPhoto(20, 20, qRgb(0, 0, 0));
    doc.pixno = {rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255)};
    doc.workBitmap = QImage(8, 30, QImage::Format_RGB888);  // as loaded from a file
    doc.workBitmap.fill(Qt::white);
    separateBirds(doc, [] {});
    EXPECT_EQ(doc.workBitmap.size(), QSize(8, 30));
    EXPECT_TRUE(workIsBird(doc, 7, 19));
    EXPECT_FALSE(workIsBird(doc, 7, 25));
    // Photo pixels outside the bitmap count as sky for the mask.
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(10, 10)], 0);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 10)], 255);
}

TEST(WorkBitmap, FormatAndSizeKeepTheCommonArea)
{
    QImage work = QImage(4, 4, QImage::Format_RGB32);
    work.fill(qRgb(255, 255, 255));
    work.setPixel(1, 1, qRgb(0, 90, 90));
    setWorkBitmapFormatAndSize(work, 6, 2);
    EXPECT_EQ(work.format(), QImage::Format_Indexed8);
    EXPECT_EQ(work.colorCount(), 256);
    EXPECT_EQ(work.size(), QSize(6, 2));
    EXPECT_EQ(pixelAt(work, 1, 1), clBlack);
    EXPECT_EQ(pixelAt(work, 5, 1), clWhite);
    setWorkBitmapFormatAndSize(work, 0, 0);
    EXPECT_TRUE(work.isNull());
}

namespace {

// The rule as first written: one pixel at a time, minima from 1000, a tie is sky.
void referenceSeparateRow(const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
                          const std::array<ColorTriple, 3>& sky, std::uint8_t* bird)
{
    for (int x = 0; x < count; ++x) {
        const ColorTriple p{bgr[3 * x], bgr[3 * x + 1], bgr[3 * x + 2]};
        int birdDistance = 1000, skyDistance = 1000;
        for (std::size_t i = 0; i < 3; ++i) {
            birdDistance = std::min(birdDistance, colorDistance(p, birds[i]));
            skyDistance = std::min(skyDistance, colorDistance(p, sky[i]));
        }
        bird[x] = birdDistance < skyDistance ? 1 : 0;
    }
}

} // namespace

TEST(Separation, RowPassMatchesThePlainRuleBitForBit)
{
    std::mt19937 random(915);
    // Byte values drawn from a few levels make ties and the extremes frequent;
    // others are spread over the whole range.
    const std::uint8_t levels[] = {0, 1, 127, 128, 254, 255};
    int ties = 0, birds = 0;
    std::set<int> ran;
    for (int round = 0; round < 2000; ++round) {
        const bool fewLevels = round % 2 == 0;
        auto byte = [&] { return fewLevels ? levels[random() % 6] : std::uint8_t(random() % 256); };
        std::array<ColorTriple, 3> pixo, pixno;
        for (std::size_t i = 0; i < 3; ++i) {
            pixo[i] = {byte(), byte(), byte()};
            pixno[i] = {byte(), byte(), byte()};
        }
        if (round % 7 == 0)
            pixno[1] = pixo[2];  // a bird sample equal to a sky sample
        const int width = round < 100 ? round : int(random() % 300);
        // An odd offset so rows start anywhere in memory.
        const int offset = int(random() % 3);
        std::vector<std::uint8_t> row(std::size_t(3 * width + offset + 1));
        for (auto& b : row)
            b = byte();
        const std::uint8_t* pixels = row.data() + offset;
        // Past the end of the row nothing may be written.
        std::vector<std::uint8_t> expected(std::size_t(width) + 1, 7);
        referenceSeparateRow(pixels, width, pixo, pixno, expected.data());
        std::vector<std::uint8_t> got(std::size_t(width) + 1, 7);
        separateRow(pixels, width, pixo, pixno, got.data());
        ASSERT_EQ(got, expected) << "round " << round << ", width " << width;
        // Every way this processor can run gives the same bytes.
        for (const RowKernel kernel : {RowKernel::plain, RowKernel::sse2, RowKernel::avx2}) {
            std::fill(got.begin(), got.end(), 7);
            if (separateRowWith(kernel, pixels, width, pixo, pixno, got.data())) {
                ran.insert(int(kernel));
                ASSERT_EQ(got, expected) << "kernel " << int(kernel) << ", round " << round << ", width " << width;
            }
        }
        for (int x = 0; x < width; ++x) {
            const ColorTriple p{pixels[3 * x], pixels[3 * x + 1], pixels[3 * x + 2]};
            int b = 1000, s = 1000;
            for (std::size_t i = 0; i < 3; ++i) {
                b = std::min(b, colorDistance(p, pixo[i]));
                s = std::min(s, colorDistance(p, pixno[i]));
            }
            ties += b == s;
            birds += b < s;
        }
    }
    // The rounds did test ties and both outcomes.
    EXPECT_GT(ties, 1000);
    EXPECT_GT(birds, 1000);
    EXPECT_TRUE(ran.count(int(RowKernel::plain)));
#if defined(__SSE2__)
    EXPECT_TRUE(ran.count(int(RowKernel::sse2)));
#endif
}

TEST(Separation, RowPassAtTheExtremes)
{
    // Distances of 765 (white against black) and 0, in every lane of a block
    // and in the tail.
    const int width = 37;
    std::vector<std::uint8_t> row(std::size_t(3 * width));
    for (int x = 0; x < width; ++x)
        std::fill_n(row.begin() + 3 * x, 3, std::uint8_t(x % 2 ? 255 : 0));
    const std::array<ColorTriple, 3> white{{{255, 255, 255}, {255, 255, 255}, {255, 255, 255}}};
    const std::array<ColorTriple, 3> black{{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
    std::vector<std::uint8_t> bird(static_cast<std::size_t>(width));
    separateRow(row.data(), width, white, black, bird.data());
    for (int x = 0; x < width; ++x)
        ASSERT_EQ(bird[std::size_t(x)], x % 2) << x;
    separateRow(row.data(), width, black, black, bird.data());
    for (int x = 0; x < width; ++x)
        ASSERT_EQ(bird[std::size_t(x)], 0) << x;  // every pixel a tie
    // Black is 255 from the red bird sample and 510 from the cyan sky sample,
    // white the other way round.
    const std::array<ColorTriple, 3> redBird{{{0, 0, 255}, {0, 0, 255}, {0, 0, 255}}};
    const std::array<ColorTriple, 3> cyanSky{{{255, 255, 0}, {255, 255, 0}, {255, 255, 0}}};
    separateRow(row.data(), width, redBird, cyanSky, bird.data());
    for (int x = 0; x < width; ++x)
        ASSERT_EQ(bird[std::size_t(x)], x % 2 ? 0 : 1) << x;
}

TEST(Separation, WholePassMatchesThePlainRuleOnOddWidths)
{
    std::mt19937 random(4242);
    for (const int width : {1, 7, 8, 9, 15, 17, 33, 101}) {
        Document doc = documentWithPhoto(width, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < width; ++x)
                doc.photoJpeg.setPixel(x, y, qRgb(int(random() % 256), int(random() % 256), int(random() % 256)));
        doc.pixo = {rgb(20, 20, 20), rgb(90, 60, 40), rgb(0, 0, 0)};
        doc.pixno = {rgb(120, 160, 220), rgb(200, 210, 240), rgb(255, 255, 255)};
        separateBirds(doc, [] {});
        for (int y = 0; y < 5; ++y) {
            std::vector<std::uint8_t> expected(static_cast<std::size_t>(width));
            referenceSeparateRow(doc.photoJpeg.constScanLine(y), width, doc.pixo, doc.pixno, expected.data());
            for (int x = 0; x < width; ++x) {
                const bool bird = expected[std::size_t(x)];
                ASSERT_EQ(workIsBird(doc, x, y), bird) << width << ": " << x << ", " << y;
                ASSERT_EQ(pixelAt(doc.workBitmap, x, y), bird ? clBlack : clWhite);
                const QRgb shown = bird ? qRgb(0, 0, 0) : doc.photoJpeg.pixel(x, y);
                ASSERT_EQ(doc.displayedPhoto.pixel(x, y), shown) << width << ": " << x << ", " << y;
            }
        }
    }
}
