#include "CoreTestSupport.h"

#include "core/Classification.h"
#include "core/Rounding.h"
#include "core/SizeCurve.h"

#include <cstring>
#include <random>

using namespace coretest;

namespace {

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

// The curve by the rule, drawn with the same pen, without texts. The plot ends
// at the first size from 3 below the largest size under 500 at which 24/25 of
// all groups are reached, else at that largest size; the light curve joins
// the averages of three sizes from 3 to end - 1, the strong one the averages
// over s - h .. s + h (h = 10 end / N) from 5 to end - 3; then the grey
// minimum and the green threshold markers, from the base line up.
QImage referenceCurve(const Document& doc, double& xs)
{
    QImage picture = Document::blankCurvePicture();
    const std::vector<int> sizes(doc.groupSizes.begin() + 1, doc.groupSizes.begin() + 1 + doc.groupCount);
    std::vector<long long> histogram(500);
    int largest = 0;
    for (const int s : sizes)
        if (s < 500) {
            ++histogram[std::size_t(s)];
            largest = std::max(largest, s);
        }
    auto count = [&](long long size) { return size >= 0 && size < 500 ? histogram[std::size_t(size)] : 0; };
    long long tallest = 0, below = 0;
    int end = largest;
    for (int s = 3; s < largest; ++s) {
        tallest = std::max(tallest, count(s));
        below += count(s);
        if (end == largest && 25 * below >= 24 * std::ssize(sizes))
            end = s;
    }
    xs = largest && tallest ? 194.0 / end : 0.0;
    if (xs == 0)
        return picture;
    const double sy = 152.0 / double(tallest);
    LinePen pen(picture, clRed);
    pen.MoveTo(10, 152);
    const long long h = doc.curveSmoothed ? roundHalfEven(10.0 * end / double(sizes.size())) : 1;
    for (int s = doc.curveSmoothed ? 5 : 3; s <= end - (doc.curveSmoothed ? 3 : 1); ++s) {
        long long sum = 0;
        for (long long i = s - h; i <= s + h; ++i)
            sum += count(i);
        const double y = doc.curveSmoothed ? sy * (double(sum) / double(2 * h + 1)) : sy * double(sum) / 3;
        pen.LineTo(roundHalfEven(10 + s * xs), std::max(roundHalfEven(152 - y), -(1 << 20)));
    }
    for (const auto& [size, colour] : {std::pair{doc.minGroupSize, clGray}, {doc.twoBirdThreshold, clGreen}}) {
        if (colour == clGray && size <= 3)
            continue;
        pen.setColor(colour);
        const int x = std::clamp(roundHalfEven(10 + size * xs), -(1 << 20), 1 << 20);
        pen.MoveTo(x, 152);
        pen.LineTo(x, 0);
    }
    return picture;
}

} // namespace

class SizeCurve : public CoreTest {};

// Random tables, and worked examples: 3, 3, 4, 5; a hundred groups whose 96 %
// are reached at size 20; 25 groups whose 96 % are reached exactly at 7; two groups whose strong window reaches far past
// the sizes; one size far more frequent than the tallest counted one, with
// thresholds far outside (clipped). The picture is the rule's wherever no
// text is written.
TEST_F(SizeCurve, PictureFollowsTheRuleOnRandomTables)
{
    std::mt19937 random(1505);
    std::vector<int> hundred(60, 10), far(200000, 10), exact(12, 4);
    hundred.insert(hundred.end(), 37, 20);
    hundred.insert(hundred.end(), {40, 40, 80});
    far.push_back(5);
    exact.insert(exact.end(), {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 30});
    const std::vector<int> examples[] = {{3, 3, 4, 5}, hundred, {3, 490}, far, exact};
    for (int round = 0; round < 200; ++round) {
        std::vector<int> sizes = round < 10 ? examples[round / 2] : std::vector<int>(random() % 60);
        const int spread = 4 + int(random() % 60);
        for (int& s : sizes)
            s = round < 10 ? s : random() % 8 == 0 ? 490 + int(random() % 20) : 3 + int(random() % std::uint32_t(spread));
        Document doc = withGroups(sizes, round >= 6 && round < 8 ? (round % 2 ? 2000000000 : -2000000000) : int(random() % 80) - 5);
        doc.curveSmoothed = round % 2;
        doc.minGroupSize = round % 3 ? 3 : 4 + int(random() % 30);
        double xs = 0;
        const QImage expected = referenceCurve(doc, xs);
        DrawSizeCurve(doc);
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << sizes.size() << " groups");
        ASSERT_DOUBLE_EQ(doc.curveXScale, xs);
        ASSERT_TRUE(round >= 4 || xs == (round < 2 ? 38.8 : 9.7));
        // The threshold text's white box may hide what lies under it.
        const int textLeft = roundHalfEven(10 + doc.twoBirdThreshold * xs - 57);
        for (int y = 0; y < 172; ++y) {
            if (std::memcmp(doc.curvePicture.constScanLine(y), expected.constScanLine(y), 4 * 214) == 0)
                continue;
            for (int x = 0; x < 214; ++x) {
                const Color got = pixelAt(doc.curvePicture, x, y);
                // Letters, smoothed: grey only in the captions' boxes and the bottom rows.
                const bool letters = y >= 150 || QRect(5, 18, 70, 30).contains(x, y);
                const bool ink = got != clWhite && got != clRed && got != clGreen && (got != clGray || letters);
                const bool underText = xs > 0 && y >= 151 && x >= textLeft && got == clWhite;
                if (got != pixelAt(expected, x, y) && !ink && !underText)
                    FAIL() << x << ", " << y;
            }
        }
    }
}

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
    // The threshold text from (108, 151) over white, the axis captions; the
    // line is walked pixel by pixel, its end pixel left out.
    const QImage& p = doc.curvePicture;
    EXPECT_TRUE(hasDarkPixelIn(p, QRect(108, 151, 60, 12)));
    EXPECT_FALSE(hasDarkPixelIn(p, QRect(100, 151, 7, 12)));
    EXPECT_TRUE(hasDarkPixelIn(p, QRect(128, 160, 60, 12)));
    EXPECT_TRUE(hasDarkPixelIn(p, QRect(5, 20, 30, 10)));
    EXPECT_TRUE(hasDarkPixelIn(p, QRect(5, 32, 40, 10)));
    EXPECT_TRUE(isColour(p, 68, 114, clRed));
    EXPECT_TRUE(isColour(p, 165, 1, clGreen));
    EXPECT_FALSE(isColour(p, 165, 0, clGreen));
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
    // Without a scale nothing is picked.
    doc.curveXScale = 0;
    EXPECT_FALSE(pickThreshold(doc, 100, 50));
}
