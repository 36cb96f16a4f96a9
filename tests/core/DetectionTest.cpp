#include "CoreTestSupport.h"

#include <deque>
#include <functional>
#include <random>

using namespace coretest;

namespace {

struct ReferenceGroup {
    int size = 0;
    TRect frame;
};

// A plain breadth-first 8-connected labelling of the working bitmap's black
// pixels, the photo's outermost rows and columns left out, groups of 3 pixels
// or more numbered in scan order of their first pixel.
std::vector<ReferenceGroup> referenceGroups(const QImage& bitmap, int width, int height)
{
    std::vector<char> bird(std::size_t(width * height), 0);
    for (int y = 1; y + 1 < height; ++y)
        for (int x = 1; x + 1 < width; ++x)
            bird[std::size_t(y * width + x)] = x < bitmap.width() && y < bitmap.height() && qRed(bitmap.pixel(x, y)) == 0;
    std::vector<ReferenceGroup> groups;
    for (int start = 0; start < width * height; ++start) {
        if (!bird[std::size_t(start)])
            continue;
        ReferenceGroup g{0, {width, height, -1, -1}};
        std::deque<int> queue{start};
        bird[std::size_t(start)] = 0;
        while (!queue.empty()) {
            const int cx = queue.front() % width, cy = queue.front() / width;
            queue.pop_front();
            ++g.size;
            g.frame = {std::min(g.frame.Left, cx - 1), std::min(g.frame.Top, cy - 1), std::max(g.frame.Right, cx + 1),
                       std::max(g.frame.Bottom, cy + 1)};
            for (int ny = cy - 1; ny <= cy + 1; ++ny)
                for (int nx = cx - 1; nx <= cx + 1; ++nx)
                    if (nx >= 0 && ny >= 0 && nx < width && ny < height && bird[std::size_t(ny * width + nx)]) {
                        bird[std::size_t(ny * width + nx)] = 0;
                        queue.push_back(ny * width + nx);
                    }
        }
        if (g.size > 2)
            groups.push_back(g);
    }
    return groups;
}

// The detection pass, a second pass, the log and FillGroup from every bird
// cell against the reference.
void expectSameAsReference(Document& doc)
{
    const auto expected = referenceGroups(doc.workBitmap, doc.photoWidth, doc.photoHeight);
    CoreTest::detect(doc);
    ASSERT_EQ(doc.groupCount, int(expected.size()));
    std::string sizes, frames;
    for (int g = 1; g <= doc.groupCount; ++g) {
        const ReferenceGroup& e = expected[std::size_t(g - 1)];
        ASSERT_EQ(doc.groupSizes[std::size_t(g)], e.size) << "group " << g;
        ASSERT_EQ(doc.groupRects[std::size_t(g)], e.frame) << "group " << g;
        sizes += std::to_string(e.size) + ",";
        frames += "\"left:" + std::to_string(e.frame.Left + 1) + ";top:" + std::to_string(e.frame.Top + 1) + ";width:"
            + std::to_string(e.frame.Right - e.frame.Left - 1) + ";height:" + std::to_string(e.frame.Bottom - e.frame.Top - 1) + "\", ";
    }
    ASSERT_GE(doc.movedGroups.size(), std::size_t(doc.groupCount) + 1);
    ASSERT_EQ(doc.log[doc.log.size() - 3].toStdString(), sizes);
    ASSERT_EQ(doc.log[doc.log.size() - 2].toStdString(), frames);
    ASSERT_EQ(doc.log.last(), QString::number(doc.groupCount));
    // A second pass starts again from the pristine mask.
    const auto rects = doc.groupRects;
    DetectGroups(doc);
    ASSERT_EQ(doc.groupCount, int(expected.size()));
    ASSERT_TRUE(std::equal(rects.begin(), rects.begin() + doc.groupCount + 1, doc.groupRects.begin()));

    doc.groupMask = doc.groupMaskCopy;
    std::size_t g = 0;
    for (int y = -1; y <= doc.photoHeight; ++y)
        for (int x = -1; x <= doc.photoWidth; ++x) {
            doc.fillSize = 0;
            doc.fillMinX = doc.fillMinY = 1 << 20;
            doc.fillMaxX = doc.fillMaxY = -1;
            FillGroup(doc, x, y);  // outside the photo, or on a taken cell: nothing
            if (doc.fillSize <= 2)
                continue;
            ASSERT_LT(g, expected.size());
            ASSERT_EQ(doc.fillSize, expected[g].size);
            ASSERT_EQ((TRect{doc.fillMinX - 1, doc.fillMinY - 1, doc.fillMaxX + 1, doc.fillMaxY + 1}), expected[g].frame);
            ++g;
        }
    ASSERT_EQ(g, expected.size());
}

struct Shape {
    const char* name;
    int width, height;
    std::function<bool(int x, int y)> bird;
};

const char* const branches[] = {"..........................", ".#...#..#...#...#.....###.", "..#.#....#.#.#.#......#.#.",
                                "...#......#...#.......#.#.", "..........#####.......#.#.", ".#.....#..............#...",
                                "..#...#..#...........##...", "...#.#...#.#.#.#.#.#......", "....#....##########.......",
                                ".........................."};

} // namespace

class Detection : public CoreTest {};

TEST_F(Detection, MatchesPlainLabellingOnShapes)
{
    const Shape shapes[] = {
        {"no photo", 0, 0, [](int, int) { return true; }},
        {"one black pixel", 1, 1, [](int, int) { return true; }},
        {"branches labelled apart before they meet", 26, 10, [](int x, int y) { return branches[y][x] == '#'; }},
        {"all black: one group inside the border", 800, 600, [](int, int) { return true; }},
        {"comb of 400 teeth joined at the top", 800, 600, [](int x, int y) { return y == 1 || (x % 2 && y > 1); }},
        {"serpentine of rows joined at alternate ends", 800, 600,
         [](int x, int y) { return y % 2 ? x > 0 && x < 799 : x == ((y / 2) % 2 ? 798 : 1); }},
        // Runs of three every 4 columns and 2 rows, beyond the window's largest
        // photo: the mask and the table grow past it.
        {"150000 groups", 1202, 1002, [](int x, int y) { return y % 2 && x % 4 != 0 && x < 1200 && y < 1001; }},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        Document doc = withPhoto(s.width, s.height);
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x)
                if (s.bird(x, y))
                    setBird(doc, x, y);
        expectSameAsReference(doc);
        EXPECT_EQ(std::pair(doc.maskColumns, doc.maskRows), std::pair(std::max(801, s.width + 1), std::max(601, s.height + 1)));
    }
}

TEST_F(Detection, MatchesPlainLabellingOnRandomMasks)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 1500 && !HasFatalFailure(); ++round) {
        // Small masks of any density, then wide ones of blobs over the scan's
        // 16- and 64-column blocks.
        const bool wide = round % 5 == 0;
        const int width = 1 + int(random() % (wide ? 300 : 40)), height = 1 + int(random() % (wide ? 60 : 30));
        const int density = int(random() % (wide ? 700 : 1000));
        Document doc = withPhoto(width, height);
        // A third of the masks repeat rows, as tall shapes do.
        const bool repeats = round % 3 == 1;
        std::vector<bool> row(static_cast<std::size_t>(width));
        for (int y = 0; y < height; ++y) {
            const bool again = repeats && y > 0 && random() % 2;
            for (int x = 0; x < width; ++x) {
                if (!again)
                    row[std::size_t(x)] = int(random() % 1000) < density;
                if (row[std::size_t(x)])
                    setBird(doc, x, y);
            }
        }
        for (int blob = 0; wide && blob < width * height / 400; ++blob) {
            const int cx = int(random() % std::uint32_t(width)), cy = int(random() % std::uint32_t(height));
            const int r = 1 + int(random() % 6);
            for (int y = std::max(cy - r, 0); y <= std::min(cy + r, height - 1); ++y)
                for (int x = std::max(cx - r, 0); x <= std::min(cx + r, width - 1); ++x)
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                        setBird(doc, x, y);
        }
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << width << " x " << height);
        expectSameAsReference(doc);
    }
}

TEST_F(Detection, PassTakesEveryBirdCellAndRestoresTheRest)
{
    // A mask copy with values other than 0 and 255, and bird cells beyond the
    // photo: those are never scanned and come back as they were.
    std::mt19937 random(77);
    for (const int width : {1, 15, 16, 17, 63, 64, 65, 130, 800}) {
        Document doc = withPhoto(width, 40);
        BuildMask(doc, width, 40);
        const std::uint8_t values[] = {0, 255, 255, 254, 17};
        for (auto& cell : doc.groupMaskCopy)
            cell = values[random() % 5];
        const std::vector<std::uint8_t> copy = doc.groupMaskCopy;
        DetectGroups(doc);
        EXPECT_EQ(doc.groupMaskCopy, copy);
        for (int y = 0; y < doc.maskRows; ++y)
            for (int x = 0; x < doc.maskColumns; ++x) {
                const std::uint8_t before = copy[doc.maskIndex(x, y)];
                const bool inside = x < width && y < 40;
                ASSERT_EQ(doc.groupMask[doc.maskIndex(x, y)], inside && before == 255 ? 0 : before)
                    << width << ": " << x << ", " << y;
            }
        for (int g = 1; g <= doc.groupCount; ++g) {
            ASSERT_LE(doc.groupRects[std::size_t(g)].Right, width);
            ASSERT_LE(doc.groupRects[std::size_t(g)].Bottom, 40);
        }
    }
}

// A fill takes 255-cells up to the mask's first column and the photo's last,
// whatever made them.
TEST_F(Detection, FillReachesTheEdgesOfTheScannedArea)
{
    Document doc = withPhoto(6, 3);
    BuildMask(doc, 6, 3);
    for (const int x : {0, 1, 4, 5, 6})
        doc.groupMask[doc.maskIndex(x, 1)] = 255;
    doc.groupMask[doc.maskIndex(1, 2)] = 255;  // the photo's last row
    doc.groupMask[doc.maskIndex(1, 3)] = 255;
    doc.fillSize = 0;
    doc.fillMinX = 3;
    doc.fillMaxX = 3;
    FillGroup(doc, 6, 1);  // beyond the photo: nothing
    FillGroup(doc, 1, 3);
    FillGroup(doc, 1, 1);
    FillGroup(doc, 4, 1);
    EXPECT_EQ(doc.fillSize, 5);
    EXPECT_EQ(std::pair(doc.fillMinX, doc.fillMaxX), std::pair(0, 5));
    EXPECT_EQ(doc.groupMask[doc.maskIndex(6, 1)], 255);
    EXPECT_EQ(doc.groupMask[doc.maskIndex(1, 3)], 255);
}

TEST_F(Detection, GroupAtTakesTheFirstFrameWidenedByTwo)
{
    Document doc = withGroups({3, 3});
    doc.groupRects[1] = {19, 19, 23, 21};
    doc.groupRects[2] = {27, 20, 31, 22};  // widened frames overlap at x = 25
    const struct {
        int x, y, group;
    } rows[] = {{17, 20, 1}, {16, 20, 0}, {21, 17, 1}, {21, 16, 0}, {25, 21, 1}, {26, 21, 2},
                {33, 24, 2}, {34, 24, 0}, {33, 25, 0}, {29, 18, 2}};
    for (const auto& row : rows)
        EXPECT_EQ(GroupAt(doc, row.x, row.y), row.group) << row.x << "," << row.y;
    // After a new photo the old groups are not found.
    ForgetPhotoGroups(doc);
    EXPECT_EQ(GroupAt(doc, 21, 20), 0);
}

namespace {

// The mask rule cell by cell: 255 - red inside the photo and the bitmap (an
// 8-bit pixel outside the colour table reads as 0), the photo's outermost rows
// and columns and everything else 0.
std::vector<std::uint8_t> referenceMask(const QImage& bitmap, int width, int height, int columns, int rows)
{
    std::vector<std::uint8_t> mask(std::size_t(columns) * std::size_t(rows), 0);
    for (int y = 1; y + 1 < height; ++y)
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
    return mask;
}

} // namespace

TEST_F(Detection, BuildMaskMatchesTheCellRule)
{
    std::mt19937 random(31);
    QList<QRgb> odd;
    for (int i = 0; i < 40; ++i)
        odd.append(qRgb(int(random() % 3), int(random() % 256), 9));
    for (int round = 0; round < 75; ++round) {
        const int width = 1 + int(random() % 200), height = 1 + int(random() % 50);
        const int kind = round % 5;
        const int bw = std::max(1, width + int(random() % 21) - 10), bh = std::max(1, height + int(random() % 11) - 5);
        QImage bitmap;
        if (kind == 0) {
            bitmap = newWorkBitmap(bw, bh);  // the program's grey table
        } else if (kind == 3) {
            bitmap = QImage(bw, bh, QImage::Format_RGB32);
        } else if (kind != 4) {  // 4: no working bitmap, all sky
            bitmap = QImage(bw, bh, QImage::Format_Indexed8);
            bitmap.setColorTable(kind == 1 ? QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} : odd);
        }
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bw; ++x) {
                if (kind == 3)
                    bitmap.setPixel(x, y, qRgb(int(random() % 2 ? 0 : random() % 256), int(random() % 256), 200));
                else
                    bitmap.scanLine(y)[x] = std::uint8_t(random() % (kind == 1 ? 2 : 256));  // indices past the table too
            }
        Document doc = withPhoto(width, height);
        std::fill(doc.groupMask.begin(), doc.groupMask.end(), 255);  // stale cells must go
        std::fill(doc.groupMaskCopy.begin(), doc.groupMaskCopy.end(), 255);
        doc.workBitmap = bitmap;
        BuildMask(doc, width, height);
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << width << " x " << height << " over " << bw
                                        << " x " << bh);
        ASSERT_EQ(doc.groupMask, referenceMask(bitmap, width, height, doc.maskColumns, doc.maskRows));
        ASSERT_EQ(doc.groupMaskCopy, doc.groupMask);
    }
}
