#include "CoreTestSupport.h"

#include "core/Classification.h"

#include <gtest/gtest.h>

#include <random>

using namespace coretest;

namespace {

// A document whose group table holds the given sizes, each group a frame of
// its own on a 400 x 300 photo.
Document documentWithGroups(const std::vector<int>& sizes)
{
    Document doc = documentWithPhoto(400, 300);
    doc.groupCount = int(sizes.size());
    doc.groupSizes.assign(sizes.size() + 1, 0);
    doc.groupRects.assign(sizes.size() + 1, {});
    doc.movedGroups.assign(sizes.size() + 1, 0);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const int left = 10 + int(i % 20) * 19, top = 10 + int(i / 20) * 19;
        doc.groupSizes[i + 1] = sizes[i];
        doc.groupRects[i + 1] = {left, top, left + 10, top + 8};
    }
    doc.workflowStep = 3;
    return doc;
}

} // namespace

TEST(AutomaticThreshold, RoundsHalfToEven)
{
    const std::pair<int, int> table[] = {{3, 4}, {4, 6}, {5, 8}, {6, 9}, {7, 10}, {8, 12},
                                         {9, 14}, {10, 15}, {11, 16}, {13, 20}, {15, 22}};
    for (auto [mode, expected] : table) {
        SCOPED_TRACE(mode);
        // The mode occurs twice; a larger size once so that the mode is examined.
        Document doc = documentWithGroups({mode, mode, 100});
        EXPECT_EQ(automaticThreshold(doc), expected);
    }
}

TEST(AutomaticThreshold, Rules)
{
    struct Row {
        const char* name;
        std::vector<int> sizes;
        std::optional<int> expected;
    };
    const Row rows[] = {
        {"tie goes to the smaller size", {3, 3, 4, 4, 9}, 4},
        {"all of one size: the largest is not examined", {7, 7, 7}, std::nullopt},
        {"no group", {}, std::nullopt},
        {"largest below 4", {3, 3}, std::nullopt},
        {"500 and more neither count nor are the largest", {20, 600, 600, 600, 500, 500}, std::nullopt},
        {"499 is the largest size", {20, 20, 30, 499}, 30},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(automaticThreshold(documentWithGroups(row.sizes)), row.expected);
    }
}

TEST(Classify, SplitsFramesAndCounts)
{
    Document doc = documentWithGroups({3, 3, 4, 4, 9});
    doc.binCounts = {5, 5, 5, 5, 5, 5, 5};
    ClassifyGroups(doc, true);
    EXPECT_EQ(doc.twoBirdThreshold, 4);
    EXPECT_EQ(doc.binCounts[2], 3);
    EXPECT_EQ(doc.binCounts[1], 2);
    EXPECT_EQ(doc.binCounts[0], 0);
    EXPECT_EQ(doc.binCounts[6], 0);
    EXPECT_EQ(doc.totalText, "8");
    EXPECT_EQ(doc.binFieldTexts[0], "0");
    EXPECT_EQ(doc.binFieldTexts[1], "2");
    EXPECT_EQ(doc.binFieldTexts[2], "3");
    EXPECT_EQ(doc.binFieldTexts[6], "0");

    // The third group is framed, dotted white on Left..Right-1, Top..Bottom-1;
    // the first is not.
    const TRect framed = doc.groupRects[3];
    EXPECT_TRUE(isColour(doc.displayedPhoto, framed.Left, framed.Top, clWhite));  // x + y even
    EXPECT_FALSE(isColour(doc.displayedPhoto, framed.Left + 1, framed.Top, clWhite));
    EXPECT_TRUE(isColour(doc.displayedPhoto, framed.Right - 1, framed.Bottom - 1, clWhite));
    EXPECT_FALSE(isColour(doc.displayedPhoto, framed.Right, framed.Bottom, clWhite));
    EXPECT_FALSE(isColour(doc.displayedPhoto, framed.Left + 2, framed.Top + 2, clWhite));
    const TRect plain = doc.groupRects[1];
    EXPECT_FALSE(isColour(doc.displayedPhoto, plain.Left, plain.Top, clWhite));
}

TEST(Classify, TypedThresholds)
{
    struct Row {
        const char* name;
        int threshold;
        int framed;
    };
    const Row rows[] = {{"zero frames all", 0, 4}, {"negative frames all", -5, 4},
                        {"equal size is two birds", 9, 2}, {"above the largest frames none", 1000, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Document doc = documentWithGroups({3, 9, 12, 5});
        doc.twoBirdThreshold = row.threshold;
        ClassifyGroups(doc, false);
        EXPECT_EQ(doc.binCounts[2], row.framed);
        EXPECT_EQ(doc.binCounts[1], 4 - row.framed);
        EXPECT_EQ(doc.twoBirdThreshold, row.threshold);
    }
}

TEST(Classify, FirstAutomaticCountWithOneSizeFramesEverything)
{
    Document doc = documentWithGroups({6, 6, 6});
    ClassifyGroups(doc, true);
    EXPECT_EQ(doc.twoBirdThreshold, 0);
    EXPECT_EQ(doc.binCounts[2], 3);
    EXPECT_EQ(doc.totalText, "6");
}

TEST(Classify, CorrectionBarBinsAndLabels)
{
    const QImage bar = drawCorrectionBar();
    ASSERT_EQ(bar.size(), QSize(800, 100));
    // Shared borders at the bins' left columns, the last column 800 left out.
    for (int x : {0, 100, 200, 400, 600, 700})
        EXPECT_TRUE(isColour(bar, x, 50, clBlack)) << x;
    for (int x : {99, 199, 399, 599, 699})
        EXPECT_TRUE(isColour(bar, x, 50, clBtnFace)) << x;
    EXPECT_TRUE(isColour(bar, 799, 50, clBtnFace));  // the right border lies outside
    EXPECT_TRUE(isColour(bar, 50, 0, clBlack));
    EXPECT_TRUE(isColour(bar, 50, 99, clBlack));
    EXPECT_TRUE(isColour(bar, 150, 98, clBtnFace));
    // Each label leaves dark pixels near its top-left corner.
    for (int left : {2, 102, 202, 402, 602, 702}) {
        bool dark = false;
        for (int y = 1; y < 14 && !dark; ++y)
            for (int x = left; x < left + 40 && !dark; ++x)
                dark = (pixelAt(bar, x, y) & 0xFF) < 100;
        EXPECT_TRUE(dark) << left;
    }
}

TEST(Classify, CorrectionBarPaintedOnceIsTheFreshBarAndDropsLeaveItAlone)
{
    const QImage fresh = paintCorrectionBar();
    EXPECT_EQ(drawCorrectionBar(), fresh);
    Document doc = documentWithGroups({5});
    ClassifyGroups(doc, false);
    setPixelAt(doc.correctionBar, 150, 50, clBlue);  // what a drop does to the document's bar
    EXPECT_EQ(drawCorrectionBar(), fresh);
    ClassifyGroups(doc, false);
    EXPECT_EQ(doc.correctionBar, fresh);
}

// Filling whole rows gives the picture that setting every pixel gives, in
// every format, for rectangles inside, across and outside the raster.
TEST(Classify, FillRectEqualsPixelByPixelFill)
{
    std::mt19937 random(1208);
    QImage indexed(37, 23, QImage::Format_Indexed8);
    indexed.setColorTable(workBitmapColorTable());
    for (const QImage::Format format :
         {QImage::Format_BGR888, QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Indexed8,
          QImage::Format_RGB16}) {
        SCOPED_TRACE(int(format));
        QImage fast = format == QImage::Format_Indexed8 ? indexed : QImage(37, 23, format);
        fast.fill(0);
        QImage plain = fast.copy();
        for (int i = 0; i < 200; ++i) {
            std::uniform_int_distribution<int> coordinate(-10, 50);
            const TRect r{coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
            const Color colour = Color(random() & 0xFFFFFF);
            fillRect(fast, r, colour);
            for (int y = std::max(r.Top, 0); y < r.Bottom; ++y)
                for (int x = std::max(r.Left, 0); x < r.Right; ++x)
                    setPixelAt(plain, x, y, colour);
            ASSERT_EQ(fast, plain) << r.Left << " " << r.Top << " " << r.Right << " " << r.Bottom;
        }
    }
}

TEST(MarkGroupAsTwoTest, HighestNumberWinsAndCountsMove)
{
    Document doc = documentWithGroups({5, 5, 20});
    doc.groupRects[2] = doc.groupRects[1];  // overlapping frames
    doc.twoBirdThreshold = 10;
    ClassifyGroups(doc, false);
    ASSERT_EQ(doc.binCounts[1], 2);
    const TRect r = doc.groupRects[1];
    EXPECT_TRUE(MarkGroupAsTwo(doc, r.Left + 1, r.Top + 1));
    EXPECT_EQ(doc.groupSizes[2], 10);
    EXPECT_EQ(doc.groupSizes[1], 5);
    EXPECT_EQ(doc.binCounts[1], 1);
    EXPECT_EQ(doc.binCounts[2], 2);
    EXPECT_EQ(doc.totalText, "5");
    EXPECT_TRUE(isColour(doc.displayedPhoto, r.Left, r.Top, clWhite));

    // A group already at the threshold, or a point outside every frame: no change.
    const auto before = doc.binCounts;
    EXPECT_FALSE(MarkGroupAsTwo(doc, doc.groupRects[3].Left, doc.groupRects[3].Top));
    EXPECT_FALSE(MarkGroupAsTwo(doc, 399, 299));
    EXPECT_EQ(doc.binCounts, before);

    // A later redraw that frames the groups at the threshold includes it.
    ClassifyGroups(doc, false);
    EXPECT_EQ(doc.binCounts[2], 2);
}
