#include "CoreTestSupport.h"

#include "core/Groups.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

using namespace coretest;

namespace {

struct ReferenceGroup {
    int size = 0;
    TRect frame;
};

// A plain breadth-first 8-connected labelling of the working bitmap's black
// pixels, the photo's outermost rows and columns left out.
std::vector<ReferenceGroup> referenceGroups(const QImage& bitmap, int width, int height)
{
    std::vector<char> bird(std::size_t(width * height), 0);
    for (int y = 1; y + 1 < height; ++y)
        for (int x = 1; x + 1 < width; ++x)
            bird[std::size_t(y * width + x)] = bitmap.constScanLine(y)[x] == 0;
    std::vector<ReferenceGroup> groups;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!bird[std::size_t(y * width + x)])
                continue;
            int size = 0, minX = x, maxX = x, minY = y, maxY = y;
            std::deque<std::pair<int, int>> queue{{x, y}};
            bird[std::size_t(y * width + x)] = 0;
            while (!queue.empty()) {
                auto [cx, cy] = queue.front();
                queue.pop_front();
                ++size;
                minX = std::min(minX, cx);
                maxX = std::max(maxX, cx);
                minY = std::min(minY, cy);
                maxY = std::max(maxY, cy);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = cx + dx, ny = cy + dy;
                        if (nx >= 0 && ny >= 0 && nx < width && ny < height && bird[std::size_t(ny * width + nx)]) {
                            bird[std::size_t(ny * width + nx)] = 0;
                            queue.push_back({nx, ny});
                        }
                    }
            }
            if (size > 2)
                groups.push_back({size, {minX - 1, minY - 1, maxX + 1, maxY + 1}});
        }
    }
    return groups;
}

void expectSameAsReference(Document& doc)
{
    const auto expected = referenceGroups(doc.workBitmap, doc.photoWidth, doc.photoHeight);
    detect(doc);
    ASSERT_EQ(doc.groupCount, int(expected.size()));
    for (int g = 1; g <= doc.groupCount; ++g) {
        ASSERT_EQ(doc.groupSizes[std::size_t(g)], expected[std::size_t(g - 1)].size) << "group " << g;
        ASSERT_EQ(doc.groupRects[std::size_t(g)], expected[std::size_t(g - 1)].frame) << "group " << g;
    }
}

} // namespace

TEST(Detection, MatchesPlainLabellingOnRandomMasks)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 3000; ++round) {
        const int width = 1 + int(random() % 40);
        const int height = 1 + int(random() % 30);
        const int density = int(random() % 100);
        Document doc = documentWithPhoto(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (int(random() % 100) < density)
                    setBird(doc, x, y);
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << width << " x " << height << ", density " << density);
        expectSameAsReference(doc);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

TEST(Detection, WorkedExamples)
{
    // A run of three in row 20, columns 10..12.
    Document doc = documentWithPhoto(40, 40);
    for (int x = 10; x <= 12; ++x)
        setBird(doc, x, 20);
    detect(doc);
    ASSERT_EQ(doc.groupCount, 1);
    EXPECT_EQ(doc.groupSizes[1], 3);
    EXPECT_EQ(doc.groupRects[1], (TRect{9, 19, 13, 21}));
    ASSERT_GE(doc.log.size(), 3);
    EXPECT_EQ(doc.log[doc.log.size() - 3], "3,");
    EXPECT_EQ(doc.log[doc.log.size() - 2], "\"left:10;top:20;width:3;height:1\", ");
    EXPECT_EQ(doc.log[doc.log.size() - 1], "1");

    struct Row {
        const char* name;
        std::vector<std::string> rows;
        int groups;
        std::vector<int> sizes;
    };
    const Row rows[] = {
        {"corner touch joins", {".....", ".#...", "..#..", "...#.", "....."}, 1, {3}},
        {"two pixels are no group", {".....", ".##..", ".....", "..#..", "....."}, 0, {}},
        {"border pixels never belong", {"#####", "#...#", "#...#", "#...#", "#####"}, 0, {}},
        {"border pixel touching a group", {"#....", ".##..", ".#...", ".....", "....."}, 1, {3}},
        {"top row first, then left", {"......", "....#.", "....#.", ".#..#.", ".#....", ".#....", "......"}, 2, {3, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Document d = documentFromRows(row.rows);
        detect(d);
        ASSERT_EQ(d.groupCount, row.groups);
        for (int g = 1; g <= d.groupCount; ++g)
            EXPECT_EQ(d.groupSizes[std::size_t(g)], row.sizes[std::size_t(g - 1)]);
    }
    // The group whose top row is higher comes first even though it lies further right.
    Document order = documentFromRows(rows[4].rows);
    detect(order);
    EXPECT_EQ(order.groupRects[1].Left, 3);
    EXPECT_EQ(order.groupRects[2].Left, 0);
}

TEST(Detection, NoBirdGivesEmptyLogLines)
{
    Document doc = documentWithPhoto(30, 20);
    detect(doc);
    EXPECT_EQ(doc.groupCount, 0);
    EXPECT_EQ(doc.log, (QStringList{"", "", "0"}));
}

TEST(Detection, RepeatedPassesGiveTheSameTable)
{
    std::mt19937 random(7);
    Document doc = documentWithPhoto(200, 150);
    for (int i = 0; i < 9000; ++i)
        setBird(doc, int(random() % 200), int(random() % 150));
    detect(doc);
    const auto sizes = doc.groupSizes;
    const auto rects = doc.groupRects;
    const int count = doc.groupCount;
    DetectGroups(doc);
    EXPECT_EQ(doc.groupCount, count);
    EXPECT_TRUE(std::equal(sizes.begin(), sizes.begin() + count + 1, doc.groupSizes.begin()));
    EXPECT_TRUE(std::equal(rects.begin(), rects.begin() + count + 1, doc.groupRects.begin()));
}

TEST(Detection, CombCoveringTheWholePhoto)
{
    // One group: a row joining 400 teeth of one pixel, each a full column high.
    Document doc = documentWithPhoto(800, 600);
    for (int x = 1; x < 799; ++x)
        setBird(doc, x, 1);
    for (int x = 1; x < 799; x += 2)
        for (int y = 2; y < 599; ++y)
            setBird(doc, x, y);
    expectSameAsReference(doc);
    EXPECT_EQ(doc.groupCount, 1);
    EXPECT_EQ(doc.groupRects[1], (TRect{0, 0, 799, 599}));
}

TEST(Detection, SerpentineGroupOfManyRuns)
{
    // Rows joined alternately at the left and right end: one group whose runs
    // chain through the whole photo.
    Document doc = documentWithPhoto(800, 600);
    for (int y = 1; y < 599; y += 2) {
        for (int x = 1; x < 799; ++x)
            setBird(doc, x, y);
        if (y + 1 < 599)
            setBird(doc, (y / 2) % 2 ? 1 : 798, y + 1);
    }
    expectSameAsReference(doc);
    EXPECT_EQ(doc.groupCount, 1);
}

TEST(Detection, FullyBlackPhotoIsOneGroupInsideTheBorder)
{
    Document doc = documentWithPhoto(800, 600);
    doc.workBitmap.fill(0);
    detect(doc);
    ASSERT_EQ(doc.groupCount, 1);
    EXPECT_EQ(doc.groupSizes[1], 798 * 598);
    EXPECT_EQ(doc.groupRects[1], (TRect{0, 0, 799, 599}));
}

TEST(Detection, TableGrowsPastTwoThousandAndAHundredThousandGroups)
{
    // Runs of three every 4 columns and every 2 rows on a photo larger than
    // the window accepts: the mask is sized from the photo.
    Document doc = documentWithPhoto(1202, 1002);
    for (int y = 1; y < 1001; y += 2)
        for (int x = 1; x + 3 < 1201; x += 4)
            for (int i = 0; i < 3; ++i)
                setBird(doc, x + i, y);
    detect(doc);
    EXPECT_EQ(doc.groupCount, 500 * 300);
    EXPECT_GE(doc.maskColumns, 1203);
    EXPECT_GE(doc.maskRows, 1003);
    EXPECT_EQ(doc.groupSizes[std::size_t(doc.groupCount)], 3);
    EXPECT_EQ(doc.groupRects[std::size_t(doc.groupCount)], (TRect{1196, 998, 1200, 1000}));
    EXPECT_GE(doc.movedGroups.size(), std::size_t(doc.groupCount) + 1);
}

TEST(Detection, MaskReadsTheRedComponentOfAnyBitmap)
{
    // A 24-bit working bitmap, smaller than the photo: red 0 is a bird pixel
    // whatever green and blue say; outside the bitmap everything is sky.
    Document doc = documentWithPhoto(20, 20);
    doc.workBitmap = QImage(10, 10, QImage::Format_RGB32);
    doc.workBitmap.fill(qRgb(255, 255, 255));
    for (int x = 3; x < 6; ++x)
        doc.workBitmap.setPixel(x, 4, qRgb(0, 200, 90));
    doc.workBitmap.setPixel(7, 7, qRgb(1, 0, 0));
    detect(doc);
    ASSERT_EQ(doc.groupCount, 1);
    EXPECT_EQ(doc.groupSizes[1], 3);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(7, 7)], 254);

    // An empty working bitmap counts as all sky.
    doc.workBitmap = QImage();
    detect(doc);
    EXPECT_EQ(doc.groupCount, 0);
}

TEST(Detection, EmptyPhotoIsSafe)
{
    Document doc = documentWithPhoto(0, 0);
    detect(doc);
    EXPECT_EQ(doc.groupCount, 0);
    Document line = documentWithPhoto(1, 1);
    line.workBitmap.fill(0);
    detect(line);
    EXPECT_EQ(line.groupCount, 0);
}

TEST(GroupAtTest, WidenedFrameAndLowestNumberWins)
{
    Document doc = documentWithPhoto(60, 40);
    for (int x = 20; x <= 22; ++x)
        setBird(doc, x, 20);  // frame (19, 19, 23, 21)
    for (int x = 28; x <= 30; ++x)
        setBird(doc, x, 21);  // frame (27, 20, 31, 22): widened frames overlap at x = 25
    detect(doc);
    ASSERT_EQ(doc.groupCount, 2);
    EXPECT_EQ(GroupAt(doc, 17, 20), 1);  // 2 pixels left of Left
    EXPECT_EQ(GroupAt(doc, 16, 20), 0);  // 3 pixels left
    EXPECT_EQ(GroupAt(doc, 25, 21), 1);
    EXPECT_EQ(GroupAt(doc, 26, 21), 2);
    EXPECT_EQ(GroupAt(doc, 33, 24), 2);
    EXPECT_EQ(GroupAt(doc, 34, 24), 0);

    // After a new photo the old groups are not found.
    ForgetPhotoGroups(doc);
    EXPECT_EQ(GroupAt(doc, 21, 20), 0);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(21, 20)], 0);
}
