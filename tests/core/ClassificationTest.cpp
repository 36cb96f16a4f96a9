#include "CoreTestSupport.h"

#include "core/Classification.h"

#include <map>
#include <random>

using namespace coretest;

namespace {

// 1.5 times the most frequent size from 3 to below the largest size under
// 500, the smaller size winning a tie, an exact half rounded to even.
std::optional<int> referenceThreshold(const std::vector<int>& sizes)
{
    int largest = 0;
    std::map<int, int> count;
    for (int s : sizes)
        if (s >= 0 && s < 500) {
            ++count[s];
            largest = std::max(largest, s);
        }
    std::optional<int> mode;
    for (const auto& [size, n] : count)
        if (size >= 3 && size < largest && (!mode || n > count[*mode]))
            mode = size;
    if (!mode)
        return std::nullopt;
    const int floor = 3 * *mode / 2;
    return 3 * *mode % 2 && floor % 2 ? floor + 1 : floor;
}

} // namespace

class Classification : public CoreTest {};

TEST_F(Classification, AutomaticThresholdMatchesThePlainRule)
{
    std::mt19937 random(1905);
    Document doc;  // one document for every round: the rule reads only the group table
    for (int round = 0; round < 3000; ++round) {
        std::vector<int> sizes(random() % 12);
        const int spread = round % 3 == 0 ? 12 : 30;
        for (int& s : sizes)
            s = random() % 4 == 0 ? 495 + int(random() % 10) : int(random() % spread);  // 499 counts, 500 not
        doc.groupCount = int(sizes.size());
        doc.groupSizes.assign(1, 0);
        doc.groupSizes.insert(doc.groupSizes.end(), sizes.begin(), sizes.end());
        SCOPED_TRACE(testing::Message() << "round " << round);
        ASSERT_EQ(automaticThreshold(doc), referenceThreshold(sizes));
    }
}

TEST_F(Classification, GroupsAtTheThresholdAreTwoBirdsAndFramed)
{
    struct Row { const char* name; int threshold; bool automatic; int two; };
    // Sizes 3, 9, 12, 5: threshold 9 frames 9 and 12; the automatic rule
    // takes 3 on a tie of single sizes: 4.5 → 4.
    const Row rows[] = {{"zero frames all", 0, false, 4},      {"negative frames all", -5, false, 4},
                        {"equal size is two birds", 9, false, 2}, {"one above", 10, false, 1},
                        {"above the largest frames none", 13, false, 0}, {"automatic", 4, true, 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Document doc = withGroups({3, 9, 12, 5}, row.automatic ? 99 : row.threshold);
        doc.binCounts.fill(5);
        ClassifyGroups(doc, row.automatic);
        EXPECT_EQ(doc.twoBirdThreshold, row.threshold);
        EXPECT_EQ(doc.binCounts, (std::array<std::int32_t, 7>{0, 4 - row.two, row.two, 0, 0, 5, 0}));
        EXPECT_EQ(doc.binFieldTexts[2], QString::number(row.two));
        EXPECT_EQ(doc.totalText, QString::number(4 + row.two));
        // A two-bird group is framed dotted white (the pixels whose x + y is
        // even) on Left..Right-1, Top..Bottom-1.
        for (int g = 1; g <= 4; ++g) {
            const TRect r = doc.groupRects[std::size_t(g)];
            const bool two = doc.groupSizes[std::size_t(g)] >= row.threshold;
            const int odd = (r.Left + r.Top) % 2;
            EXPECT_EQ(isColour(doc.displayedPhoto, r.Left + odd, r.Top, clWhite), two) << g;
            EXPECT_EQ(isColour(doc.displayedPhoto, r.Right - 1 - odd, r.Bottom - 1, clWhite), two) << g;
            EXPECT_FALSE(isColour(doc.displayedPhoto, r.Left + odd + 1, r.Top, clWhite));
            EXPECT_FALSE(isColour(doc.displayedPhoto, r.Right + odd, r.Bottom, clWhite));
            EXPECT_FALSE(isColour(doc.displayedPhoto, r.Left + 2, r.Top + 2, clWhite));
        }
    }
}

TEST_F(Classification, CorrectionBarBinsAndLabels)
{
    const QImage bar = paintCorrectionBar();
    ASSERT_EQ(bar.size(), QSize(800, 100));
    // Painted once and shared: a drop into a document's bar leaves it alone.
    Document doc = withGroups({5});
    ClassifyGroups(doc, false);
    setPixelAt(doc.correctionBar, 150, 50, clBlue);
    EXPECT_EQ(drawCorrectionBar(), bar);
    ClassifyGroups(doc, false);
    EXPECT_EQ(doc.correctionBar, bar);
    // Shared borders at the bins' left columns, the last column 800 left out.
    for (int x : {0, 100, 200, 400, 600, 700})
        EXPECT_TRUE(isColour(bar, x, 50, clBlack)) << x;
    for (int x : {99, 101, 199, 399, 599, 699, 799})
        EXPECT_TRUE(isColour(bar, x, 50, clBtnFace)) << x;
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

TEST_F(Classification, RightClickMakesTheLastGroupUnderItTwoBirds)
{
    Document doc = withGroups({5, 9, 10, 4}, 10);
    doc.groupRects[2] = doc.groupRects[1];  // overlapping frames
    ClassifyGroups(doc, false);
    ASSERT_EQ(doc.binCounts[1], 3);
    const TRect r = doc.groupRects[1];
    EXPECT_TRUE(MarkGroupAsTwo(doc, r.Left + 1, r.Top + 1));
    EXPECT_EQ(doc.groupSizes[2], 10);
    EXPECT_EQ(doc.groupSizes[1], 5);
    EXPECT_EQ(doc.binCounts[1], 2);
    EXPECT_EQ(doc.binCounts[2], 2);
    EXPECT_EQ(doc.totalText, "6");
    EXPECT_TRUE(isColour(doc.displayedPhoto, r.Left, r.Top, clWhite));

    // A group at the threshold, a point outside every frame, or a table of
    // another photo: no change.
    const auto before = doc.binCounts;
    EXPECT_FALSE(MarkGroupAsTwo(doc, doc.groupRects[3].Left, doc.groupRects[3].Top));
    EXPECT_FALSE(MarkGroupAsTwo(doc, 399, 299));
    doc.groupsMatchPhoto = false;
    EXPECT_FALSE(MarkGroupAsTwo(doc, doc.groupRects[4].Left, doc.groupRects[4].Top));
    EXPECT_EQ(doc.binCounts, before);
}

// Filling whole rows gives the picture that setting every pixel gives, in
// every format, for rectangles inside, across and outside the raster. The
// platform's rectangle: the outline on columns Left and Right - 1 and rows Top
// and Bottom - 1 (dotted: where x + y is even), the inside filled by a solid
// brush, nothing at all for an empty one; corners in any order.
TEST_F(Classification, FillAndRectangleMatchThePixelByPixelRule)
{
    std::mt19937 random(1208);
    std::uniform_int_distribution<int> coordinate(-10, 50);
    for (const QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32, QImage::Format_ARGB32,
                                        QImage::Format_Indexed8, QImage::Format_RGB16}) {
        SCOPED_TRACE(int(format));
        QImage fast = format == QImage::Format_Indexed8 ? newWorkBitmap(37, 23) : QImage(37, 23, format);
        fast.fill(0);
        QImage plain = fast.copy();
        for (int i = 0; i < 400; ++i) {
            const TRect r{coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
            const Pen pen{Color(random() & 0xFFFFFF), random() % 2 ? PenStyle::Solid : PenStyle::Dot};
            const Brush brush{Color(random() & 0xFFFFFF), random() % 2 ? BrushStyle::Solid : BrushStyle::Clear};
            const bool fill = i % 2;
            if (fill)
                fillRect(fast, r, pen.color);
            else
                drawRectangle(fast, r, pen, brush);
            const int x1 = fill ? r.Left : std::min(r.Left, r.Right), x2 = fill ? r.Right : std::max(r.Left, r.Right);
            const int y1 = fill ? r.Top : std::min(r.Top, r.Bottom), y2 = fill ? r.Bottom : std::max(r.Top, r.Bottom);
            for (int y = std::max(y1, 0); y < y2 && x1 < x2; ++y)
                for (int x = std::max(x1, 0); x < x2; ++x) {
                    const bool edge = !fill && (x == x1 || x == x2 - 1 || y == y1 || y == y2 - 1);
                    if (fill || (edge && (pen.style == PenStyle::Solid || (x + y) % 2 == 0)))
                        setPixelAt(plain, x, y, pen.color);
                    else if (!edge && brush.style == BrushStyle::Solid)
                        setPixelAt(plain, x, y, brush.color);
                }
            ASSERT_EQ(fast, plain) << (fill ? "fill " : "rectangle ") << r.Left << " " << r.Top << " " << r.Right << " " << r.Bottom;
        }
    }
}

// A line walks one pixel per step along its longer axis from its start, its
// end pixel left out, each pixel within half a pixel of the ideal line, on an
// exact half the one on the end's side.
TEST_F(Classification, LineWalksThePixelsNearestTheIdealLine)
{
    std::mt19937 random(6);
    for (int i = 0; i < 1500; ++i) {
        const int x0 = int(random() % 24), y0 = int(random() % 24), x1 = int(random() % 24), y1 = int(random() % 24);
        const int dx = x1 - x0, dy = y1 - y0, steps = std::max(std::abs(dx), std::abs(dy));
        QImage image(24, 24, QImage::Format_RGB32);
        image.fill(Qt::white);
        LinePen pen(image, clRed);
        pen.MoveTo(x0, y0);
        pen.LineTo(x1, y1);
        SCOPED_TRACE(testing::Message() << x0 << "," << y0 << " to " << x1 << "," << y1);
        int painted = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                if (!isColour(image, x, y, clRed))
                    continue;
                ++painted;
                const bool wide = std::abs(dx) >= std::abs(dy);
                const int along = wide ? (x - x0) * (dx < 0 ? -1 : 1) : (y - y0) * (dy < 0 ? -1 : 1);
                const int across = (y - y0) * dx - (x - x0) * dy;  // steps times the offset across
                ASSERT_TRUE(along >= 0 && along < steps) << x << "," << y;
                ASSERT_LE(2 * std::abs(across), steps) << x << "," << y;
                // On an exact half the pixel on the end's side is taken.
                ASSERT_TRUE(2 * std::abs(across) < steps || (wide ? 1 : -1) * across * dx * dy > 0) << x << "," << y;
            }
        ASSERT_EQ(painted, steps);
        ASSERT_EQ(pen.position(), (TPoint{x1, y1}));
    }
}

// A colour drawn on an 8-bit picture takes the nearest entry of its table.
TEST_F(Classification, IndexedPicturesTakeTheNearestColourOfTheirTable)
{
    QImage two(3, 1, QImage::Format_Indexed8);
    two.setColorTable({qRgb(255, 255, 255), qRgb(128, 128, 128)});
    two.fill(0);
    setPixelAt(two, 1, 0, clBlack);
    EXPECT_EQ(pixelAt(two, 1, 0), fromQRgb(qRgb(128, 128, 128)));
    EXPECT_EQ(pixelAt(two, 0, 0), clWhite);
}
