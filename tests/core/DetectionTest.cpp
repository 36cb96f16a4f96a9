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

namespace {

// Random blobs and single cells on a photo of any width, so runs cross the
// scan's 16- and 64-column blocks.
void scatterBirds(Document& doc, std::mt19937& random, int density)
{
    const int width = doc.photoWidth, height = doc.photoHeight;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (int(random() % 1000) < density)
                setBird(doc, x, y);
    for (int blob = 0; blob < width * height / 400; ++blob) {
        const int cx = int(random() % std::uint32_t(width)), cy = int(random() % std::uint32_t(height));
        const int r = 1 + int(random() % 6);
        for (int y = std::max(cy - r, 0); y <= std::min(cy + r, height - 1); ++y)
            for (int x = std::max(cx - r, 0); x <= std::min(cx + r, width - 1); ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                    setBird(doc, x, y);
    }
}

} // namespace

TEST(Detection, MatchesPlainLabellingOnWideRandomPhotos)
{
    std::mt19937 random(5150);
    for (int round = 0; round < 300; ++round) {
        const int width = 1 + int(random() % 300);
        const int height = 1 + int(random() % 60);
        Document doc = documentWithPhoto(width, height);
        scatterBirds(doc, random, int(random() % 700));
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << width << " x " << height);
        expectSameAsReference(doc);
        if (testing::Test::HasFatalFailure())
            return;
        // The log's sizes line lists the same sizes in the same order.
        std::string sizes;
        for (int g = 1; g <= doc.groupCount; ++g)
            sizes += std::to_string(doc.groupSizes[std::size_t(g)]) + ",";
        ASSERT_EQ(doc.log[doc.log.size() - 3].toStdString(), sizes);

        // FillGroup from every bird cell in scan order takes the same groups.
        doc.groupMask = doc.groupMaskCopy;
        int g = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (doc.groupMask[doc.maskIndex(x, y)] != 255)
                    continue;
                doc.fillSize = 0;
                doc.fillMinX = width;
                doc.fillMaxX = 0;
                doc.fillMinY = height;
                doc.fillMaxY = 0;
                FillGroup(doc, x, y);
                if (doc.fillSize <= 2)
                    continue;
                ++g;
                ASSERT_LE(g, doc.groupCount);
                ASSERT_EQ(doc.fillSize, doc.groupSizes[std::size_t(g)]);
                ASSERT_EQ((TRect{doc.fillMinX - 1, doc.fillMinY - 1, doc.fillMaxX + 1, doc.fillMaxY + 1}),
                          doc.groupRects[std::size_t(g)]);
            }
        }
        ASSERT_EQ(g, doc.groupCount);
    }
}

TEST(Detection, PassTakesEveryBirdCellAndRestoresTheRest)
{
    // A mask copy with values other than 0 and 255, and bird cells beyond the
    // photo: those are never scanned and come back as they were.
    std::mt19937 random(77);
    for (const int width : {1, 15, 16, 17, 63, 64, 65, 130, 800}) {
        Document doc = documentWithPhoto(width, 40);
        BuildMask(doc, width, 40);
        const std::uint8_t values[] = {0, 255, 255, 254, 17};
        for (auto& cell : doc.groupMaskCopy)
            cell = values[random() % 5];
        const std::vector<std::uint8_t> copy = doc.groupMaskCopy;
        DetectGroups(doc);
        EXPECT_EQ(doc.groupMaskCopy, copy);
        for (int y = 0; y < doc.maskRows; ++y) {
            for (int x = 0; x < doc.maskColumns; ++x) {
                const std::uint8_t before = copy[doc.maskIndex(x, y)];
                const bool inside = x < width && y < 40;
                ASSERT_EQ(doc.groupMask[doc.maskIndex(x, y)], inside && before == 255 ? 0 : before)
                    << width << ": " << x << ", " << y;
            }
        }
        // The cells beyond the photo joined no group.
        for (int g = 1; g <= doc.groupCount; ++g) {
            ASSERT_LE(doc.groupRects[std::size_t(g)].Right, width);
            ASSERT_LE(doc.groupRects[std::size_t(g)].Bottom, 40);
        }
    }
}

TEST(Detection, GroupsThatMeetLateAndMergeInManyPlaces)
{
    // Shapes whose branches get labels of their own before they meet lower
    // down: a V, a W whose three tips join at the bottom, a hook, a second V
    // and a comb whose teeth meet only at their foot.
    const std::vector<std::string> rows = {
        "..........................",
        ".#...#..#...#...#.....###.",
        "..#.#....#.#.#.#......#.#.",
        "...#......#...#.......#.#.",
        "..........#####.......#.#.",
        ".#.....#..............#...",
        "..#...#..#...........##...",
        "...#.#...#.#.#.#.#.#......",
        "....#....##########.......",
        "..........................",
    };
    Document doc = documentFromRows(rows);
    expectSameAsReference(doc);
    // The V, the W, the hook, the lower V and the comb.
    EXPECT_EQ(doc.groupCount, 5);
}

TEST(Detection, FillGroupTakesOneComponent)
{
    Document doc = documentFromRows({".......", ".##..#.", "...#.#.", ".#...#.", "......."});
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    doc.groupMask = doc.groupMaskCopy;
    doc.fillSize = 0;
    doc.fillMinX = doc.photoWidth;
    doc.fillMaxX = 0;
    doc.fillMinY = doc.photoHeight;
    doc.fillMaxY = 0;
    FillGroup(doc, 1, 1);
    EXPECT_EQ(doc.fillSize, 3);
    EXPECT_EQ(doc.fillMinX, 1);
    EXPECT_EQ(doc.fillMaxX, 3);
    EXPECT_EQ(doc.fillMinY, 1);
    EXPECT_EQ(doc.fillMaxY, 2);
    EXPECT_EQ(doc.groupMask[doc.maskIndex(3, 2)], 0);
    EXPECT_EQ(doc.groupMask[doc.maskIndex(5, 1)], 255);  // another component
    FillGroup(doc, -1, 2);  // outside the photo: nothing
    EXPECT_EQ(doc.fillSize, 3);
}

namespace {

// The mask rule cell by cell: 255 - red inside the photo and the bitmap (an
// 8-bit pixel outside the colour table reads as 0), the photo's outermost rows
// and columns and everything else 0.
std::vector<std::uint8_t> referenceMask(const QImage& bitmap, int width, int height, int columns, int rows)
{
    std::vector<std::uint8_t> mask(std::size_t(columns) * std::size_t(rows), 0);
    for (int y = 1; y + 1 < height; ++y) {
        for (int x = 1; x + 1 < width; ++x) {
            if (x >= bitmap.width() || y >= bitmap.height())
                continue;
            std::uint8_t value;
            if (bitmap.format() == QImage::Format_Indexed8) {
                const int index = bitmap.constScanLine(y)[x];
                value = index < bitmap.colorCount() ? std::uint8_t(255 - qRed(bitmap.color(index))) : 0;
            } else {
                value = std::uint8_t(255 - qRed(bitmap.pixel(x, y)));
            }
            mask[std::size_t(y) * std::size_t(columns) + std::size_t(x)] = value;
        }
    }
    return mask;
}

} // namespace

TEST(Detection, BuildMaskMatchesTheCellRule)
{
    std::mt19937 random(31);
    QList<QRgb> blackAndWhite{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    QList<QRgb> odd;
    for (int i = 0; i < 40; ++i)
        odd.append(qRgb(int(random() % 3), int(random() % 256), 9));
    for (int round = 0; round < 60; ++round) {
        const int width = 1 + int(random() % 200);
        const int height = 1 + int(random() % 50);
        const int kind = round % 4;
        const int bw = std::max(1, width + int(random() % 21) - 10);
        const int bh = std::max(1, height + int(random() % 11) - 5);
        QImage bitmap;
        if (kind == 0) {
            bitmap = newWorkBitmap(bw, bh);  // the program's grey table
        } else if (kind == 3) {
            bitmap = QImage(bw, bh, QImage::Format_RGB32);
        } else {
            bitmap = QImage(bw, bh, QImage::Format_Indexed8);
            bitmap.setColorTable(kind == 1 ? blackAndWhite : odd);  // indices past the table too
        }
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x) {
                if (kind == 3)
                    bitmap.setPixel(x, y, qRgb(int(random() % 2 ? 0 : random() % 256), 0, 200));
                else
                    bitmap.scanLine(y)[x] = std::uint8_t(random() % (kind == 1 ? 2 : 256));
            }
        Document doc = documentWithPhoto(width, height);
        std::fill(doc.groupMask.begin(), doc.groupMask.end(), 255);  // stale cells must go
        std::fill(doc.groupMaskCopy.begin(), doc.groupMaskCopy.end(), 255);
        doc.workBitmap = bitmap;
        BuildMask(doc, width, height);
        SCOPED_TRACE(testing::Message() << "round " << round << ", kind " << kind << ", " << width << " x " << height
                                        << " over " << bw << " x " << bh);
        ASSERT_EQ(doc.groupMask, referenceMask(bitmap, width, height, doc.maskColumns, doc.maskRows));
        ASSERT_EQ(doc.groupMaskCopy, doc.groupMask);
    }
}
