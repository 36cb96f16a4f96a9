#include "CoreTestSupport.h"

#include "core/AutoSamples.h"
#include "core/OrnivalError.h"
#include "core/Separation.h"

#include <QPainter>

#include <random>
#include <set>

using namespace coretest;

namespace {

// The rule as first written: one pixel at a time, nearest sample wins, a tie is sky.
bool referenceIsBird(ColorTriple p, const std::array<ColorTriple, 3>& birds, const std::array<ColorTriple, 3>& sky)
{
    auto distance = [](ColorTriple a, ColorTriple b) {
        return std::abs(a.rgbtRed - b.rgbtRed) + std::abs(a.rgbtGreen - b.rgbtGreen) + std::abs(a.rgbtBlue - b.rgbtBlue);
    };
    int b = 1000, s = 1000;
    for (std::size_t i = 0; i < 3; ++i) {
        b = std::min(b, distance(p, birds[i]));
        s = std::min(s, distance(p, sky[i]));
    }
    return b < s;
}

bool workIsBird(const Document& doc, int x, int y)
{
    return pixelAt(doc.workBitmap, x, y) == clBlack;
}

} // namespace

class Separation : public CoreTest {};

TEST_F(Separation, RowPassOfEveryKernelMatchesThePlainRule)
{
    std::mt19937 random(915);
    // Byte values drawn from a few levels make ties and the extremes (distances
    // 0 and 765) frequent; others are spread over the whole range.
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
        const int offset = int(random() % 3);  // rows start anywhere in memory
        std::vector<std::uint8_t> row(std::size_t(3 * width + offset + 1));
        for (auto& b : row)
            b = byte();
        const std::uint8_t* pixels = row.data() + offset;
        // Past the end of the row nothing may be written.
        std::vector<std::uint8_t> expected(std::size_t(width) + 1, 7);
        for (int x = 0; x < width; ++x) {
            const ColorTriple p{pixels[3 * x], pixels[3 * x + 1], pixels[3 * x + 2]};
            expected[std::size_t(x)] = referenceIsBird(p, pixo, pixno);
            birds += expected[std::size_t(x)];
            ties += !referenceIsBird(p, pixo, pixno) && !referenceIsBird(p, pixno, pixo);
        }
        std::vector<std::uint8_t> got(std::size_t(width) + 1, 7);
        separateRow(pixels, width, pixo, pixno, got.data());
        ASSERT_EQ(got, expected) << "round " << round << ", width " << width;
        for (const RowKernel kernel : {RowKernel::plain, RowKernel::sse2, RowKernel::avx2}) {
            std::fill(got.begin(), got.end(), 7);
            if (separateRowWith(kernel, pixels, width, pixo, pixno, got.data())) {
                ran.insert(int(kernel));
                ASSERT_EQ(got, expected) << "kernel " << int(kernel) << ", round " << round << ", width " << width;
            }
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

TEST_F(Separation, WholePassBlackensTheBirdsOfTheDecodedPhoto)
{
    std::mt19937 random(4242);
    for (const int width : {1, 7, 8, 9, 15, 17, 33, 101}) {
        SCOPED_TRACE(width);
        Document doc = withPhoto(width, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < width; ++x)
                doc.photoJpeg.setPixel(x, y, qRgb(int(random() % 256), int(random() % 256), int(random() % 256)));
        doc.pixo = {rgb(20, 20, 20), rgb(90, 60, 40), rgb(0, 0, 0)};
        doc.pixno = {rgb(120, 160, 220), rgb(200, 210, 240), rgb(255, 255, 255)};
        // Twice: the second pass starts again from the decoded photo, not the
        // blackened display.
        for (int pass = 0; pass < 2; ++pass) {
            separateBirds(doc, [] {});
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < width; ++x) {
                    const bool bird = referenceIsBird(ColorToTriple(fromQRgb(doc.photoJpeg.pixel(x, y))), doc.pixo, doc.pixno);
                    ASSERT_EQ(pixelAt(doc.workBitmap, x, y), bird ? clBlack : clWhite) << x << ", " << y;
                    ASSERT_EQ(doc.displayedPhoto.pixel(x, y), bird ? qRgb(0, 0, 0) : doc.photoJpeg.pixel(x, y));
                    ASSERT_EQ(doc.groupMaskCopy[doc.maskIndex(x, y)], bird && x > 0 && y > 0 && x < width - 1 && y < 4 ? 255 : 0);
                }
        }
    }
}

TEST_F(Separation, RowByRowPassMakesTheMaskOfTheWholePhoto)
{
    std::mt19937 random(77);
    for (const int width : {1, 3, 17, 40}) {
        SCOPED_TRACE(width);
        Document whole = withPhoto(width, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < width; ++x)
                whole.photoJpeg.setPixel(x, y, random() % 2 ? qRgb(20, 20, 20) : qRgb(120, 160, 220));
        whole.countOnly = true;
        whole.workBitmap = QImage();
        whole.pixo.fill(rgb(20, 20, 20));
        whole.pixno.fill(rgb(120, 160, 220));
        Document byRows = whole;
        byRows.photoJpeg = QImage();
        separateBirds(whole, [] {});
        std::vector<int> asked;
        separateBirdsByRows(byRows, [&](int y) {
            asked.push_back(y);
            return whole.photoJpeg.constScanLine(y);
        });
        EXPECT_EQ(asked, (std::vector<int>{0, 1, 2, 3, 4, 5}));
        EXPECT_EQ(byRows.groupMaskCopy, whole.groupMaskCopy);
        EXPECT_EQ(std::tie(byRows.workflowStep, byRows.blackShown, byRows.arrowPosition),
                  std::tie(whole.workflowStep, whole.blackShown, whole.arrowPosition));
    }
}

TEST_F(Separation, StateChangesOnlyAfterTheSampleSetIsSaved)
{
    for (const bool saveFails : {false, true}) {
        SCOPED_TRACE(saveFails);
        Document doc = withPhoto(10, 10, qRgb(0, 0, 0));
        doc.pixno.fill(rgb(255, 255, 255));
        doc.workflowStep = 3;
        bool saved = false;
        auto save = [&] {
            // The pixel pass is done, nothing after it.
            saved = true;
            EXPECT_TRUE(workIsBird(doc, 5, 5));
            EXPECT_TRUE(isColour(doc.displayedPhoto, 5, 5, clBlack));
            EXPECT_EQ(doc.workflowStep, 3);
            EXPECT_FALSE(doc.blackShown);
            EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 5)], 0);
            if (saveFails)
                throw OrnivalError("Impossible de créer le fichier ornival.ini");
        };
        if (saveFails)
            EXPECT_THROW(separateBirds(doc, save), OrnivalError);
        else
            separateBirds(doc, save);
        EXPECT_TRUE(saved);
        EXPECT_EQ(doc.workflowStep, saveFails ? 3 : 2);
        EXPECT_EQ(doc.blackShown, !saveFails);
        EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 5)], saveFails ? 0 : 255);
        EXPECT_EQ(doc.arrowPosition, saveFails ? (TPoint{816, 5}) : (TPoint{816, 190}));
    }
    // An empty photo still saves and enters step 2.
    Document empty = withPhoto(0, 0);
    int saves = 0;
    separateBirds(empty, [&] { ++saves; });
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(empty.workflowStep, 2);
}

TEST_F(Separation, WorkingBitmapOfAnotherSizeKeepsItsSize)
{
    Document doc = withPhoto(20, 20, qRgb(0, 0, 0));
    doc.pixno.fill(rgb(255, 255, 255));
    doc.workBitmap = QImage(8, 30, QImage::Format_RGB888);  // as loaded from a file
    doc.workBitmap.fill(Qt::white);
    separateBirds(doc, [] {});
    EXPECT_EQ(doc.workBitmap.size(), QSize(8, 30));
    EXPECT_TRUE(workIsBird(doc, 7, 19));
    EXPECT_FALSE(workIsBird(doc, 7, 20));
    // Photo pixels outside the bitmap count as sky for the mask.
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(7, 10)], 255);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(8, 10)], 0);

    // An 8-bit bitmap keeps its table, a bird or sky colour added if it has none.
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    const std::tuple<QList<QRgb>, int, int> tables[] = {{{white, qRgb(1, 1, 1)}, 3, 2}, {{black, white}, 2, 0}, {{white, black}, 2, 1},
                                                        {{black}, 2, 0}, {{black, white, black}, 3, 0}};
    for (const auto& [table, colours, birdIndex] : tables) {
        doc.workBitmap = QImage(8, 30, QImage::Format_Indexed8);
        doc.workBitmap.setColorTable(table);
        doc.workBitmap.fill(table.size() - 1);
        separateBirds(doc, [] {});
        EXPECT_EQ(doc.workBitmap.format(), QImage::Format_Indexed8);
        EXPECT_EQ(doc.workBitmap.colorCount(), colours);
        EXPECT_EQ(doc.workBitmap.pixelIndex(7, 19), birdIndex);  // the first of the darkest
        EXPECT_EQ(pixelAt(doc.workBitmap, 7, 25), fromQRgb(table.last()));
    }

    // The format and size change keeps the common area.
    QImage work(4, 4, QImage::Format_RGB32);
    work.fill(qRgb(255, 255, 255));
    work.setPixel(1, 1, qRgb(0, 90, 90));
    work.setPixel(3, 1, qRgb(0, 0, 0));
    setWorkBitmapFormatAndSize(work, 6, 2);
    EXPECT_EQ(work.format(), QImage::Format_Indexed8);
    EXPECT_EQ(work.colorCount(), 256);
    EXPECT_EQ(work.size(), QSize(6, 2));
    EXPECT_EQ(pixelAt(work, 1, 1), clBlack);
    EXPECT_EQ(pixelAt(work, 3, 1), clBlack);
    EXPECT_EQ(pixelAt(work, 4, 1), clWhite);
    setWorkBitmapFormatAndSize(work, 0, 0);
    EXPECT_TRUE(work.isNull());
}

// Samples chosen from a plain sky of 400 x 250 pixels (blocks of 6 x 6,
// 20 candidates are exactly the least share) with dark birds, or dark ground:
// five block rows along the bottom or seven block columns along the right,
// just over a tenth of the blocks, make the darkest sky sample.
TEST_F(Separation, ChosenSamplesSplitOnlyWhenBirdsStandApart)
{
    struct Row {
        const char* name;
        std::vector<QRect> dark;
        bool split, darkSky, faint = false;
        int darkness = 200;  // the dark pixels' distance from the sky, blue only
    };
    const Row rows[] = {{"two birds of 2 x 5: twenty candidates", {{100, 100, 2, 5}, {300, 150, 2, 5}}, true, false},
                        {"two birds of 5 x 2", {{100, 100, 5, 2}, {300, 150, 5, 2}}, true, false},
                        {"nineteen candidates", {{100, 100, 2, 5}, {300, 150, 3, 3}}, false, false},
                        {"and a pixel at the least distance, which is sky", {{100, 100, 2, 5}, {300, 150, 3, 3}}, false, false, true},
                        {"birds at 1.5 times the least distance, not clear", {{100, 100, 2, 5}, {300, 150, 2, 5}}, false, false, false, 60},
                        {"ground along the bottom", {{0, 222, 400, 28}}, false, true},
                        {"ground along the right", {{360, 0, 40, 250}}, false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage photo(400, 250, QImage::Format_BGR888);
        photo.fill(QColor(120, 160, 220));
        for (const QRect& r : row.dark)
            QPainter(&photo).fillRect(r, row.darkness == 200 ? QColor(20, 20, 20) : QColor(120, 160, 220 - row.darkness));
        if (row.faint)
            photo.setPixelColor(200, 50, QColor(120, 160, 180));  // 40 from the sky
        const ChosenSamples chosen = chooseSamples(photo);
        EXPECT_EQ(chosen.split, row.split);
        EXPECT_EQ(chosen.sky[0], row.darkSky ? rgb(20, 20, 20) : rgb(120, 160, 220));
        EXPECT_EQ(chosen.birds[1], row.split ? rgb(20, 20, 20) : chosen.sky[1]);
    }
}
