#include "CoreTestSupport.h"

#include "core/Classification.h"
#include "core/Corrections.h"
#include "core/Count.h"
#include "core/SampleStrip.h"

#include <gtest/gtest.h>

#include <random>

using namespace coretest;

namespace {

// Counted: group 1 of 10 pixels (two birds, framed), groups 2 and 3 of 5
// pixels (one bird each), with threshold 8.
Document countedDocument()
{
    Document doc = documentWithPhoto(200, 150);
    for (int x = 20; x < 30; ++x)
        setBird(doc, x, 20);
    for (int x = 60; x < 65; ++x)
        setBird(doc, x, 40);
    for (int x = 100; x < 105; ++x)
        setBird(doc, x, 100);
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    doc.workflowStep = 2;
    countBirds(doc, "8");
    return doc;
}

void dragGroup(Document& doc, int X, int Y, int dropX)
{
    pressOnPhoto(doc, MouseButton::Left, X, Y);
    ASSERT_TRUE(correctionBarAccepts(doc));
    dropGroupOnBar(doc, dropX, 50);
}

} // namespace

TEST(PhotoPressTest, LeftMiddleAndRight)
{
    Document doc = countedDocument();
    const int logLines = int(doc.log.size());
    const PhotoPress outside = pressOnPhoto(doc, MouseButton::Left, 120, 45);
    EXPECT_TRUE(outside.mayStartDrag);
    EXPECT_EQ(doc.log.back(), "120 45 0");
    EXPECT_EQ(doc.pressedGroup, 0);
    EXPECT_EQ(doc.pressPoint, (TPoint{120, 45}));

    const PhotoPress middle = pressOnPhoto(doc, MouseButton::Middle, 25, 21);
    ASSERT_TRUE(middle.sizeTag);
    EXPECT_EQ(middle.sizeTag->text, "taille: 10");
    EXPECT_EQ(middle.sizeTag->position, (TPoint{0, 1}));
    EXPECT_FALSE(middle.mayStartDrag);
    EXPECT_EQ(doc.log.back(), "25 21 1");
    EXPECT_FALSE(pressOnPhoto(doc, MouseButton::Middle, 150, 10).sizeTag);

    // A right click logs nothing and keeps the pressed point and group.
    pressOnPhoto(doc, MouseButton::Left, 62, 40);
    const int lines = int(doc.log.size());
    pressOnPhoto(doc, MouseButton::Right, 102, 100);
    EXPECT_EQ(int(doc.log.size()), lines);
    EXPECT_EQ(doc.pressPoint, (TPoint{62, 40}));
    EXPECT_EQ(doc.pressedGroup, 2);
    EXPECT_EQ(doc.binCounts[2], 2);
    EXPECT_EQ(int(doc.log.size()), logLines + 4);
}

TEST(BarDrop, BinsAndTotal)
{
    struct Row {
        const char* name;
        int dropX;
        int bin;
        int total;
    };
    // Before: bin 1 holds 2, bin 2 holds 1, total 4.
    const Row rows[] = {{"bin 2 changes nothing", 250, 2, 4}, {"bin 6", 750, 6, 8},
                        {"bin 0", 50, 0, 2}, {"bin 3", 450, 3, 5}, {"bin 4 at its first column", 600, 4, 6},
                        {"bin 1", 199, 1, 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Document doc = countedDocument();
        dragGroup(doc, 25, 20, row.dropX);
        EXPECT_EQ(doc.totalText, QString::number(row.total));
        EXPECT_EQ(doc.binFieldTexts[std::size_t(row.bin)], row.bin == 2 ? "1" : (row.bin == 1 ? "3" : "1"));
        EXPECT_EQ(doc.log.back(), "Posé");
        EXPECT_EQ(doc.movedGroups[1], 1);
        int sum = 0;
        for (int b : {0, 1, 2, 3, 4, 6})
            sum += doc.binCounts[std::size_t(b)];
        EXPECT_EQ(sum, doc.groupCount);
        // Framed blue on the photo; a second drag of it is refused.
        EXPECT_TRUE(isColour(doc.displayedPhoto, 19, 19, clBlue));
        pressOnPhoto(doc, MouseButton::Left, 25, 20);
        EXPECT_FALSE(correctionBarAccepts(doc));
    }
}

TEST(BarDrop, UnframedGroupIsTakenFromBinOne)
{
    Document doc = countedDocument();
    dragGroup(doc, 62, 40, 450);
    EXPECT_EQ(doc.binCounts[1], 1);
    EXPECT_EQ(doc.binCounts[2], 1);
    EXPECT_EQ(doc.binCounts[3], 1);
    EXPECT_EQ(doc.totalText, "6");
}

TEST(BarDrop, RightClickOnAMovedGroupDoesNothing)
{
    Document doc = countedDocument();
    dragGroup(doc, 62, 40, 450);  // group 2, one bird, into bin 3
    const auto bins = doc.binCounts;
    EXPECT_FALSE(MarkGroupAsTwo(doc, 62, 40));
    EXPECT_EQ(doc.binCounts, bins);
    EXPECT_EQ(doc.groupSizes[2], 5);
}

// Random drops, right clicks and recounts, against a plain model that keeps
// the bin each group stands in: the bins always hold every group exactly once.
TEST(BarDrop, BinsFollowTheGroupsThroughAnySequence)
{
    std::mt19937 random(18);
    const char* thresholds[] = {"4", "5", "8", "11", "auto"};
    for (int run = 0; run < 40; ++run) {
        Document doc = countedDocument();
        std::vector<int> standsIn(std::size_t(doc.groupCount) + 1);
        auto recount = [&](const char* threshold) {
            countBirds(doc, threshold);
            for (int g = 1; g <= doc.groupCount; ++g)
                standsIn[std::size_t(g)] = doc.groupSizes[std::size_t(g)] >= doc.twoBirdThreshold ? 2 : 1;
        };
        recount("8");
        std::vector<bool> moved(standsIn.size());
        for (int step = 0; step < 12; ++step) {
            const int g = 1 + int(random() % unsigned(doc.groupCount));
            const TRect r = doc.groupRects[std::size_t(g)];
            SCOPED_TRACE(testing::Message() << "run " << run << " step " << step << " group " << g);
            switch (random() % 3) {
            case 0: {
                const int X = int(random() % 800);
                pressOnPhoto(doc, MouseButton::Left, r.Left + 1, r.Top + 1);
                dropGroupOnBar(doc, X, 50);
                if (!moved[std::size_t(g)]) {
                    moved[std::size_t(g)] = true;
                    standsIn[std::size_t(g)] = binAt(X);
                }
                break;
            }
            case 1:
                pressOnPhoto(doc, MouseButton::Right, r.Left + 1, r.Top + 1);
                if (!moved[std::size_t(g)])
                    standsIn[std::size_t(g)] = 2;
                break;
            default:
                recount(thresholds[random() % 5]);
                moved.assign(moved.size(), false);
            }
            std::array<std::int32_t, 7> expected{};
            for (int h = 1; h <= doc.groupCount; ++h)
                ++expected[std::size_t(standsIn[std::size_t(h)])];
            ASSERT_EQ(doc.binCounts, expected);
            ASSERT_EQ(doc.totalText, QString::number(totalBirds(expected)));
        }
    }
}

TEST(BarDrop, GroupPictureCentredOnTheDropAndClipped)
{
    Document doc = countedDocument();
    dragGroup(doc, 25, 20, 300);
    // Frame (19, 19, 30, 21): hw = 4, hh = 0; photo (20..29, 20) lands at bar
    // (296..305, 50): black with the overlay on, and the dots of the blue
    // frame's bottom edge, which runs along the group's row.
    EXPECT_TRUE(isColour(doc.correctionBar, 296, 50, clBlue));
    EXPECT_TRUE(isColour(doc.correctionBar, 297, 50, clBlack));
    EXPECT_TRUE(isColour(doc.correctionBar, 305, 50, clBlack));
    EXPECT_TRUE(isColour(doc.correctionBar, 306, 50, clBtnFace));
    EXPECT_TRUE(isColour(doc.correctionBar, 296, 49, clBtnFace));

    Document edge = countedDocument();
    dragGroup(edge, 25, 20, 798);  // mostly outside the bar: nothing breaks
    EXPECT_TRUE(isColour(edge.correctionBar, 795, 50, clBlack));
}

TEST(BarDrop, RefusedBeforeACountAndOutsideGroups)
{
    Document doc = countedDocument();
    pressOnPhoto(doc, MouseButton::Left, 150, 10);
    EXPECT_FALSE(correctionBarAccepts(doc));
    pressOnPhoto(doc, MouseButton::Left, 25, 20);
    doc.workflowStep = 2;
    EXPECT_FALSE(correctionBarAccepts(doc));
    const auto bins = doc.binCounts;
    dropGroupOnBar(doc, 50, 50);
    EXPECT_EQ(doc.binCounts, bins);
}

TEST(Strip, DropFillsTheCellTurnedByHalfATurn)
{
    Document doc = documentWithPhoto(50, 40, qRgb(10, 20, 30));
    doc.displayedPhoto.setPixel(20, 15, qRgb(200, 100, 50));  // pressed pixel
    doc.displayedPhoto.setPixel(21, 15, qRgb(1, 2, 3));       // one right of it
    doc.displayedPhoto.setPixel(22, 17, qRgb(7, 8, 9));       // two right, two below
    doc.stripPicture = blankStripPicture();
    doc.pressPoint = {20, 15};

    struct Row {
        int X;
        int cell;
    };
    const Row rows[] = {{0, 0}, {30, 0}, {31, 1}, {61, 1}, {62, 2}, {92, 2}, {93, 3}, {97, 3}, {123, 3},
                        {124, 4}, {127, 4}, {154, 4}, {155, 5}, {158, 5}, {185, 5}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.X);
        doc.pixo = {};
        doc.pixno = {};
        dropSampleOnStrip(doc, row.X, 10);
        const ColorTriple expected = ColorToTriple(fromQRgb(qRgb(200, 100, 50)));
        const ColorTriple stored = row.cell < 3 ? doc.pixo[std::size_t(row.cell)] : doc.pixno[std::size_t(row.cell - 3)];
        EXPECT_EQ(stored, expected);
        const int L = cellLeft(row.cell);
        EXPECT_TRUE(isColour(doc.stripPicture, L + 13, 14, fromQRgb(qRgb(200, 100, 50))));
        EXPECT_TRUE(isColour(doc.stripPicture, L + 11, 12, clWhite));
        EXPECT_TRUE(isColour(doc.stripPicture, L + 18, 19, clWhite));
        EXPECT_TRUE(isColour(doc.stripPicture, L + 6 + 2, 13 + 2, fromQRgb(qRgb(1, 2, 3))));  // square (1, 2)
        EXPECT_TRUE(isColour(doc.stripPicture, L + 2, 3, fromQRgb(qRgb(7, 8, 9))));          // square (0, 0)
    }
}

TEST(Strip, DropNearAndOutsideThePhoto)
{
    Document doc = documentWithPhoto(50, 40, qRgb(10, 20, 30));
    doc.stripPicture = blankStripPicture();
    doc.pressPoint = {0, 0};
    dropSampleOnStrip(doc, 10, 10);
    EXPECT_TRUE(isColour(doc.stripPicture, 1 + 2, 3, fromQRgb(qRgb(10, 20, 30))));     // (2, 2) of the photo
    EXPECT_TRUE(isColour(doc.stripPicture, 1 + 24 + 2, 27, stripBackground));          // (-2, -2)
    EXPECT_EQ(doc.pixo[0], ColorToTriple(fromQRgb(qRgb(10, 20, 30))));

    const QImage before = doc.stripPicture.copy();
    doc.pixo[1] = ColorTriple{1, 1, 1};
    doc.pressPoint = {60, 10};  // outside the photo
    dropSampleOnStrip(doc, 40, 10);
    EXPECT_EQ(doc.pixo[1], (ColorTriple{1, 1, 1}));
    EXPECT_EQ(doc.stripPicture, before);
    doc.pressPoint = {5, 5};
    dropSampleOnStrip(doc, 188, 10);  // cell 6
    EXPECT_EQ(doc.stripPicture, before);
}

TEST(Strip, ClickExamples)
{
    struct Row {
        int X, Y;
        int cell;
        TRect frame;
    };
    const Row rows[] = {{50, 20, 1, {49, 18, 57, 26}}, {140, 14, 4, {140, 12, 148, 20}}, {100, 14, 3, {97, 12, 105, 20}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.X);
        Document doc;
        doc.stripPicture = blankStripPicture();
        setPixelAt(doc.stripPicture, row.X, row.Y, fromQRgb(qRgb(33, 66, 99)));
        clickOnStrip(doc, row.X, row.Y);
        const ColorTriple stored = row.cell < 3 ? doc.pixo[std::size_t(row.cell)] : doc.pixno[std::size_t(row.cell - 3)];
        EXPECT_EQ(stored, ColorToTriple(fromQRgb(qRgb(33, 66, 99))));
        const TRect f = row.frame;
        EXPECT_TRUE(isColour(doc.stripPicture, f.Left, f.Top, clYellow));
        EXPECT_TRUE(isColour(doc.stripPicture, f.Right - 1, f.Bottom - 1, clYellow));
        EXPECT_FALSE(isColour(doc.stripPicture, f.Right, f.Top, clYellow));
        EXPECT_FALSE(isColour(doc.stripPicture, f.Left + 1, f.Top + 1, clYellow));
    }
    Document doc;
    doc.stripPicture = blankStripPicture();
    const QImage before = doc.stripPicture.copy();
    clickOnStrip(doc, 190, 10);  // cell 6
    EXPECT_EQ(doc.stripPicture, before);
    EXPECT_EQ(doc.pixno[2], ColorTriple{});
}
