#include "CoreTestSupport.h"

#include "core/Classification.h"
#include "core/Corrections.h"
#include "core/SampleStrip.h"

#include <random>

using namespace coretest;

namespace {

ColorTriple sampleOf(const Document& doc, int cell)
{
    return cell < 3 ? doc.pixo[std::size_t(cell)] : doc.pixno[std::size_t(cell - 3)];
}

} // namespace

class Corrections : public CoreTest {};

TEST_F(Corrections, PressesOnThePhoto)
{
    Document doc = counted();
    const qsizetype lines = doc.log.size();
    const PhotoPress outside = pressOnPhoto(doc, MouseButton::Left, 120, 45);
    EXPECT_TRUE(outside.mayStartDrag);
    EXPECT_FALSE(outside.sizeTag);
    EXPECT_EQ(doc.log.back(), "120 45 0");
    EXPECT_EQ(doc.pressPoint, (TPoint{120, 45}));

    const PhotoPress middle = pressOnPhoto(doc, MouseButton::Middle, 25, 21);
    ASSERT_TRUE(middle.sizeTag);
    EXPECT_EQ(middle.sizeTag->text, "taille: 10");
    EXPECT_EQ(middle.sizeTag->position, (TPoint{0, 1}));
    EXPECT_FALSE(middle.mayStartDrag);
    EXPECT_EQ(doc.log.back(), "25 21 1");
    EXPECT_FALSE(pressOnPhoto(doc, MouseButton::Middle, 150, 10).sizeTag);

    // A right click makes a group of two, logs nothing and keeps the pressed point and group.
    pressOnPhoto(doc, MouseButton::Left, 62, 40);
    pressOnPhoto(doc, MouseButton::Right, 102, 100);
    EXPECT_EQ(doc.log.size(), lines + 4);
    EXPECT_EQ(doc.pressPoint, (TPoint{62, 40}));
    EXPECT_EQ(doc.pressedGroup, 2);
    EXPECT_EQ(doc.binCounts[2], 2);
}

TEST_F(Corrections, BarColumnsGiveTheirBins)
{
    const std::pair<int, int> rows[] = {{0, 0},   {99, 0},  {100, 1}, {199, 1}, {200, 2}, {399, 2},
                                        {400, 3}, {599, 3}, {600, 4}, {699, 4}, {700, 6}, {799, 6}};
    for (const auto& [x, bin] : rows)
        EXPECT_EQ(binAt(x), bin) << x;
}

TEST_F(Corrections, BarTakesAGroupOnceAfterACount)
{
    struct Row { const char* name; int step, group; bool moved, accepted; };
    const Row rows[] = {{"first group", 3, 1, false, true}, {"last group", 3, 3, false, true},
                        {"no group", 3, 0, false, false},   {"past the last", 3, 4, false, false},
                        {"moved already", 3, 1, true, false}, {"before a count", 2, 1, false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Document doc = counted();
        doc.movedGroups.resize(8, 0);
        doc.workflowStep = row.step;
        doc.pressedGroup = row.group;
        doc.movedGroups[1] = row.moved;
        EXPECT_EQ(correctionBarAccepts(doc), row.accepted);
        const auto bins = doc.binCounts;
        dropGroupOnBar(doc, 50, 50);
        EXPECT_EQ(doc.binCounts == bins, !row.accepted);
    }
}

// Random drops, right clicks and recounts, against a plain model that keeps
// the bin each group stands in: the bins always hold every group exactly once,
// and a right click on a group already dropped does nothing.
TEST_F(Corrections, BinsFollowTheGroupsThroughAnySequence)
{
    std::mt19937 random(18);
    const char* thresholds[] = {"4", "5", "8", "11", "auto"};
    for (int run = 0; run < 40; ++run) {
        Document doc = separated();
        std::vector<int> standsIn(4);
        std::vector<bool> moved(4);
        auto recount = [&](const char* threshold) {
            countBirds(doc, threshold);
            for (int g = 1; g <= doc.groupCount; ++g)
                standsIn[std::size_t(g)] = doc.groupSizes[std::size_t(g)] >= doc.twoBirdThreshold ? 2 : 1;
            moved.assign(moved.size(), false);
        };
        recount("8");
        for (int step = 0; step < 12; ++step) {
            const int g = 1 + int(random() % unsigned(doc.groupCount));
            const TRect r = doc.groupRects[std::size_t(g)];
            SCOPED_TRACE(testing::Message() << "run " << run << " step " << step << " group " << g);
            switch (random() % 3) {
            case 0: {
                const int X = int(random() % 800);
                pressOnPhoto(doc, MouseButton::Left, r.Left + 1, r.Top + 1);
                dropGroupOnBar(doc, X, 50);
                if (!moved[std::size_t(g)])
                    standsIn[std::size_t(g)] = binAt(X);
                moved[std::size_t(g)] = true;
                break;
            }
            case 1:
                EXPECT_EQ(MarkGroupAsTwo(doc, r.Left + 1, r.Top + 1), !moved[std::size_t(g)] && standsIn[std::size_t(g)] == 1);
                if (!moved[std::size_t(g)])
                    standsIn[std::size_t(g)] = 2;
                break;
            default:
                recount(thresholds[random() % 5]);
            }
            std::array<std::int32_t, 7> expected{};
            for (int h = 1; h <= doc.groupCount; ++h)
                ++expected[std::size_t(standsIn[std::size_t(h)])];
            ASSERT_EQ(doc.binCounts, expected);
            ASSERT_EQ(doc.totalText, QString::number(totalBirds(expected)));
        }
    }
}

TEST_F(Corrections, GroupPictureCentredOnTheDropAndClipped)
{
    Document doc = counted();
    pressOnPhoto(doc, MouseButton::Left, 25, 20);
    dropGroupOnBar(doc, 300, 50);
    EXPECT_EQ(doc.log.back(), "Posé");
    EXPECT_TRUE(isColour(doc.displayedPhoto, 19, 19, clBlue));
    // Frame (19, 19, 30, 21): hw = 4, hh = 0; photo (20..29, 20) lands at bar
    // (296..305, 50): black with the overlay on, and the dots of the blue
    // frame's bottom edge, which runs along the group's row.
    EXPECT_TRUE(isColour(doc.correctionBar, 296, 50, clBlue));
    EXPECT_TRUE(isColour(doc.correctionBar, 297, 50, clBlack));
    EXPECT_TRUE(isColour(doc.correctionBar, 305, 50, clBlack));
    EXPECT_TRUE(isColour(doc.correctionBar, 306, 50, clBtnFace));
    EXPECT_TRUE(isColour(doc.correctionBar, 296, 49, clBtnFace));
    EXPECT_TRUE(isColour(doc.correctionBar, 296, 51, clBtnFace));

    Document edge = counted();
    pressOnPhoto(edge, MouseButton::Left, 25, 20);
    dropGroupOnBar(edge, 798, 50);  // mostly outside the bar: nothing breaks
    EXPECT_TRUE(isColour(edge.correctionBar, 795, 50, clBlack));
}

TEST_F(Corrections, StripDropFillsTheCellTurnedByHalfATurn)
{
    Document doc = withPhoto(50, 40, qRgb(10, 20, 30));
    doc.displayedPhoto.setPixel(20, 15, qRgb(200, 100, 50));  // pressed pixel
    doc.displayedPhoto.setPixel(21, 15, qRgb(1, 2, 3));       // one right of it
    doc.displayedPhoto.setPixel(22, 17, qRgb(7, 8, 9));       // two right, two below
    doc.pressPoint = {20, 15};
    const Color centre = fromQRgb(qRgb(200, 100, 50));
    const std::pair<int, int> rows[] = {{-1, -1}, {0, 0},   {30, 0},  {31, 1},  {61, 1},  {62, 2},  {92, 2},  {93, 3},
                                        {97, 3},  {123, 3}, {124, 4}, {127, 4}, {154, 4}, {155, 5}, {185, 5}, {186, -1}};
    for (const auto& [x, cell] : rows) {
        SCOPED_TRACE(x);
        doc.pixo = {};
        doc.pixno = {};
        doc.stripPicture = blankStripPicture();
        dropSampleOnStrip(doc, x, 10);
        if (cell < 0) {
            EXPECT_EQ(doc.stripPicture, blankStripPicture());
            EXPECT_EQ(doc.pixo, (std::array<ColorTriple, 3>{}));
            EXPECT_EQ(doc.pixno, (std::array<ColorTriple, 3>{}));
            continue;
        }
        EXPECT_EQ(sampleOf(doc, cell), ColorToTriple(centre));
        const int L = std::array{1, 32, 63, 98, 129, 160}[std::size_t(cell)];  // the sky's cells 4 pixels further right
        EXPECT_TRUE(isColour(doc.stripPicture, L + 13, 14, centre));
        EXPECT_TRUE(isColour(doc.stripPicture, L + 11, 12, clWhite));
        EXPECT_TRUE(isColour(doc.stripPicture, L + 18, 19, clWhite));
        EXPECT_TRUE(isColour(doc.stripPicture, L + 6 + 2, 13 + 2, fromQRgb(qRgb(1, 2, 3))));  // square (1, 2)
        EXPECT_TRUE(isColour(doc.stripPicture, L + 2, 3, fromQRgb(qRgb(7, 8, 9))));           // square (0, 0)
        EXPECT_TRUE(isColour(doc.stripPicture, L + 29, 30, fromQRgb(qRgb(10, 20, 30))));      // square (4, 4)
        EXPECT_TRUE(isColour(doc.stripPicture, L + 30, 30, stripBackground));
    }
    // Squares outside the photo show the background; a point outside it changes nothing.
    doc.pressPoint = {0, 0};
    dropSampleOnStrip(doc, 10, 10);
    EXPECT_TRUE(isColour(doc.stripPicture, 1 + 2, 3, fromQRgb(qRgb(10, 20, 30))));  // (2, 2) of the photo
    EXPECT_TRUE(isColour(doc.stripPicture, 1 + 24 + 2, 27, stripBackground));       // (-2, -2)
    const QImage before = doc.stripPicture;
    doc.pressPoint = {50, 10};
    dropSampleOnStrip(doc, 40, 10);
    EXPECT_EQ(doc.pixo[1], ColorTriple{});
    EXPECT_EQ(doc.stripPicture, before);
}

TEST_F(Corrections, StripClickTakesThePixelAndFramesItsSquareInYellow)
{
    struct Row {
        int X, Y;
        int cell;  // -1: none
        TRect frame;
    };
    const Row rows[] = {{50, 20, 1, {49, 18, 57, 26}}, {140, 14, 4, {140, 12, 148, 20}}, {100, 14, 3, {97, 12, 105, 20}},
                        {127, 14, 3, {127, 12, 135, 20}}, {128, 14, 4, {128, 12, 136, 20}}, {189, 3, 5, {189, 0, 197, 8}},
                        {190, 3, -1, {}}, {-1, 3, -1, {}}, {20, 31, -1, {}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.X);
        Document doc;
        doc.stripPicture = blankStripPicture();
        setPixelAt(doc.stripPicture, row.X, row.Y, fromQRgb(qRgb(33, 66, 99)));
        const QImage before = doc.stripPicture;
        clickOnStrip(doc, row.X, row.Y);
        if (row.cell < 0) {
            EXPECT_EQ(doc.stripPicture, before);
            EXPECT_EQ(doc.pixo, (std::array<ColorTriple, 3>{}));
            EXPECT_EQ(doc.pixno, (std::array<ColorTriple, 3>{}));
            continue;
        }
        EXPECT_EQ(sampleOf(doc, row.cell), ColorToTriple(fromQRgb(qRgb(33, 66, 99))));
        const TRect f = row.frame;
        EXPECT_TRUE(isColour(doc.stripPicture, f.Left, f.Top, clYellow));
        EXPECT_TRUE(isColour(doc.stripPicture, std::min(f.Right - 1, 190), f.Bottom - 1, clYellow));
        EXPECT_FALSE(isColour(doc.stripPicture, f.Left - 1, f.Top, clYellow));
        EXPECT_FALSE(isColour(doc.stripPicture, f.Left + 1, f.Top + 1, clYellow));
    }
}
