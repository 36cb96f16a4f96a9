#include "CoreTestSupport.h"

#include "core/Classification.h"
#include "core/SizeCurve.h"

using namespace coretest;

namespace {

int countPixels(const QImage& image, Color colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += pixelAt(image, x, y) == colour;
    return n;
}

bool hasDarkPixelIn(const QImage& image, QRect box)
{
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if ((pixelAt(image, x, y) & 0xFF) < 100 && pixelAt(image, x, y) != clInvalid)
                return true;
    return false;
}

// Runs of three blank columns or more between inked ones in a box of text: the
// gaps a reader sees between words.
int wordGaps(const QImage& image, QRect box)
{
    int gaps = 0, blank = -1000;
    for (int x = box.left(); x <= box.right(); ++x) {
        bool ink = false;
        for (int y = box.top(); y <= box.bottom(); ++y)
            ink = ink || qGray(image.pixel(x, y)) < 160;
        gaps += ink && blank >= 3;
        blank = ink ? 0 : blank + 1;
    }
    return gaps;
}

} // namespace

class SizeCurve : public CoreTest {};

TEST_F(SizeCurve, TextsOfThePicturesKeepTheirWordsApart)
{
    Document doc = withGroups({3, 3, 4, 5}, 4);
    DrawSizeCurve(doc);
    const QImage bar = paintCorrectionBar();
    struct Row {
        const char* text;
        const QImage& picture;
        QRect box;  // the text's letters, without descenders or other drawings
    };
    const Row rows[] = {{"seuil actuel : 4", doc.curvePicture, QRect(108, 151, 98, 8)},
                        {"groupes de 2 oiseaux", bar, QRect(203, 1, 195, 10)},
                        {"groupes de 6 (5,6,...)", bar, QRect(703, 1, 96, 10)}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(wordGaps(row.picture, row.box), 3);
    }
}

TEST_F(SizeCurve, FourGroupExample)
{
    Document doc = withGroups({3, 3, 4, 5}, 4);
    DrawSizeCurve(doc);
    const QImage& p = doc.curvePicture;
    ASSERT_EQ(p.size(), QSize(214, 172));
    EXPECT_DOUBLE_EQ(doc.curveXScale, 38.8);
    // The red line from (10, 152) through (126, 76) towards (165, 51).
    EXPECT_TRUE(isColour(p, 10, 152, clRed));
    EXPECT_TRUE(isColour(p, 126, 76, clRed));
    EXPECT_TRUE(isColour(p, 68, 114, clRed));
    EXPECT_TRUE(isColour(p, 164, 51, clRed) || isColour(p, 164, 52, clRed));
    // The green marker at x = 165 from the base line up, its end pixel left out.
    EXPECT_TRUE(isColour(p, 165, 140, clGreen));  // the threshold text covers its foot
    EXPECT_TRUE(isColour(p, 165, 51, clGreen));
    EXPECT_TRUE(isColour(p, 165, 1, clGreen));
    EXPECT_FALSE(isColour(p, 165, 0, clGreen));
    // Texts: the threshold text from (108, 151) over white, the axis captions.
    EXPECT_TRUE(hasDarkPixelIn(p, QRect(108, 151, 60, 12)));
    EXPECT_FALSE(hasDarkPixelIn(p, QRect(100, 151, 7, 12)));
    EXPECT_TRUE(hasDarkPixelIn(p, QRect(128, 160, 60, 12)));
    EXPECT_TRUE(hasDarkPixelIn(p, QRect(5, 20, 30, 10)));
    EXPECT_TRUE(hasDarkPixelIn(p, QRect(5, 32, 40, 10)));

    // The strong curve's range 5..2 is empty: no red, marker and texts stay.
    toggleCurveSmoothing(doc);
    EXPECT_TRUE(doc.curveSmoothed);
    EXPECT_EQ(countPixels(doc.curvePicture, clRed), 0);
    EXPECT_TRUE(isColour(doc.curvePicture, 165, 100, clGreen));
    toggleCurveSmoothing(doc);
    EXPECT_TRUE(isColour(doc.curvePicture, 126, 76, clRed));
}

TEST_F(SizeCurve, PickOnTheFourGroupCurveAfterACount)
{
    Document doc = withGroups({3, 3, 4, 5}, 4);
    DrawSizeCurve(doc);
    doc.workflowStep = 2;
    doc.arrowPosition = {1, 1};
    EXPECT_FALSE(pickThreshold(doc, 126, 60));
    EXPECT_EQ(doc.arrowPosition, (TPoint{1, 1}));
    doc.workflowStep = 3;
    const auto pick = pickThreshold(doc, 126, 60);
    ASSERT_TRUE(pick);
    EXPECT_EQ(pick->threshold, 3);
    EXPECT_EQ(pick->labelText, "seuil | 3");
    EXPECT_EQ(pick->labelPosition, (TPoint{101, 40}));
    EXPECT_EQ(pick->fieldText, "3");
    EXPECT_EQ(doc.arrowPosition, (TPoint{816, 436}));
    // Left of the origin: zero or below; -0.26 rounds to 0. The even rule on
    // exact halves, through a scale of 2.
    const std::array<int, 3> rows[] = {{10, 39, 0}, {0, 39, 0}, {-40, 39, -1}, {15, 2, 2}, {17, 2, 4}};
    for (const auto& [x, scale, threshold] : rows) {
        doc.curveXScale = scale == 39 ? 38.8 : scale;
        EXPECT_EQ(pickThreshold(doc, x, 0)->threshold, threshold) << x;
    }
}

TEST_F(SizeCurve, HundredGroupExample)
{
    std::vector<int> sizes(60, 10);
    sizes.insert(sizes.end(), 37, 20);
    sizes.insert(sizes.end(), {40, 40, 80});
    Document doc = withGroups(sizes, 15);
    DrawSizeCurve(doc);
    EXPECT_DOUBLE_EQ(doc.curveXScale, 9.7);
    // Light curve: sizes 9 to 11 average 20 groups, sy = 152 / 60: a plateau at
    // y = round(152 - 50.67) from x = round(10 + 9 * 9.7) to round(10 + 11 * 9.7);
    // then from size 18 (0, at the base) up towards size 19 (37 / 3, y = 121),
    // the last point, x = 194, left out.
    for (const auto& [x, y] : {std::pair{97, 101}, {107, 101}, {116, 101}, {186, 148}, {190, 135}})
        EXPECT_TRUE(isColour(doc.curvePicture, x, y, clRed)) << x << "," << y;
    // Strong curve, window of 5 sizes: s = 10 averages 60 / 5 = 12; the points run
    // from s = 5 to 17, on the base from s = 14, so nothing red right of
    // x = round(10 + 17 * 9.7) = 175.
    toggleCurveSmoothing(doc);
    EXPECT_TRUE(isColour(doc.curvePicture, 107, 122, clRed));  // round(152 - 30.4)
    EXPECT_TRUE(isColour(doc.curvePicture, 174, 152, clRed));
    for (int x = 176; x < 214; ++x)
        for (int y = 0; y < 172; ++y)
            ASSERT_FALSE(isColour(doc.curvePicture, x, y, clRed)) << x << "," << y;
}

TEST_F(SizeCurve, NoScaleGivesAxisTextsOnly)
{
    const std::vector<std::vector<int>> cases = {{}, {12}, {9, 9, 9}, {600, 700}};
    for (const auto& sizes : cases) {
        SCOPED_TRACE(sizes.size());
        Document doc = withGroups(sizes, 5);
        doc.curveXScale = 3.0;
        DrawSizeCurve(doc);
        EXPECT_EQ(doc.curveXScale, 0.0);
        EXPECT_EQ(countPixels(doc.curvePicture, clRed), 0);
        EXPECT_EQ(countPixels(doc.curvePicture, clGreen), 0);
        EXPECT_TRUE(hasDarkPixelIn(doc.curvePicture, QRect(128, 160, 60, 12)));
        EXPECT_FALSE(hasDarkPixelIn(doc.curvePicture, QRect(60, 140, 60, 12)));  // no threshold text
        EXPECT_FALSE(pickThreshold(doc, 100, 50));
        EXPECT_EQ(doc.arrowPosition, (TPoint{816, 5}));
    }
}

TEST_F(SizeCurve, FarSizesCountsAndThresholdsAreClipped)
{
    // Two groups: h = round(10 * 490 / 2) = 2450 reaches far outside -50..500;
    // every window holds both groups: A = 2 / 4901, a line just on the base.
    Document two = withGroups({3, 490}, 5);
    two.curveSmoothed = true;
    DrawSizeCurve(two);
    EXPECT_TRUE(isColour(two.curvePicture, 100, 152, clRed));
    // One size far more frequent than the tallest counted one, and a threshold
    // far beyond the range: points outside the picture are clipped.
    std::vector<int> sizes(200000, 10);
    sizes.push_back(5);
    Document doc = withGroups(sizes, 2000000000);
    for (const int threshold : {2000000000, -2000000000}) {
        doc.twoBirdThreshold = threshold;
        DrawSizeCurve(doc);
        EXPECT_GT(countPixels(doc.curvePicture, clRed), 0);
        EXPECT_EQ(countPixels(doc.curvePicture, clGreen), 0);
    }
}
