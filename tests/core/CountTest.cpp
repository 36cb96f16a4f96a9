#include "CoreTestSupport.h"

#include "core/OrnivalError.h"
#include "core/Estimate.h"
#include "core/Overlay.h"
#include "core/Rounding.h"
#include "core/Separation.h"

#include <random>

using namespace coretest;

class Count : public CoreTest {};

// The threshold's text is a decimal integer of 32 bits; the minimum size's is
// "auto" or such an integer of 3 or more.
TEST_F(Count, ThresholdAndMinimumSizeTexts)
{
    const std::pair<const char*, std::optional<int>> rows[] = {
        {"12", 12}, {"90", 90}, {"  12", 12}, {"+7", 7}, {"-3", -3}, {" -0", 0}, {"007", 7}, {"3", 3}, {"2", 2},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt}, {"-2147483649", std::nullopt}, {"99999999999999999999999", std::nullopt},
        {"12 ", std::nullopt}, {"1 2", std::nullopt}, {"", std::nullopt}, {" ", std::nullopt}, {"+", std::nullopt},
        {"-", std::nullopt}, {"Auto", std::nullopt}, {"auto", std::nullopt}, {"1e3", std::nullopt}, {"/1", std::nullopt},
        {":1", std::nullopt}, {"$10", std::nullopt}, {"0x10", std::nullopt}, {"12.5", std::nullopt}, {"\t12", std::nullopt},
        {"١٢", std::nullopt},
    };
    auto error = [](auto parse) -> QString {
        try {
            parse();
        } catch (const OrnivalError& e) {
            return e.text();
        }
        return {};
    };
    for (const auto& [text, value] : rows) {
        SCOPED_TRACE(text);
        const QString t = QString::fromUtf8(text);
        const QString notInteger = QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(t);
        EXPECT_EQ(error([&] { EXPECT_EQ(thresholdFromText(t), value.value_or(-1)); }), value ? "" : notInteger);
        const QString minimum = t == "auto" || value >= 3 ? QString()
            : value ? QStringLiteral("'%1' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto").arg(t)
                    : notInteger;
        EXPECT_EQ(error([&] { EXPECT_EQ(minimumSizeFromText(t), t == "auto" ? std::nullopt : value); }), minimum);
    }
}

TEST_F(Count, RefusedCountsChangeNothing)
{
    Document doc = counted();
    struct Row { const char* name; int step; QString threshold, minimumSize; };
    for (const Row& row : {Row{"before a working bitmap", 1, "auto", "3"}, Row{"bad threshold", 3, " auto", "3"},
                           Row{"minimum below 3", 3, "auto", "2"}, Row{"minimum no number", 3, "auto", "abc"}}) {
        SCOPED_TRACE(row.name);
        doc.workflowStep = row.step;
        const Document before = doc;
        std::optional<CountOutcome> out;
        try {
            out = countBirds(doc, row.threshold, row.minimumSize);
        } catch (const OrnivalError&) {
        }
        EXPECT_EQ(out.has_value(), row.step == 1);
        if (out) {
            EXPECT_EQ(out->message, "Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp");
            EXPECT_FALSE(out->thresholdText);
        }
        auto state = [](const Document& d) {
            return std::tie(d.workflowStep, d.twoBirdThreshold, d.minGroupSize, d.groupCount, d.binCounts, d.log,
                            d.displayedPhoto, d.correctionBar, d.curvePicture, d.arrowPosition);
        };
        EXPECT_TRUE(state(doc) == state(before));
    }
}

TEST_F(Count, AutomaticCountThenRecount)
{
    Document doc = separated();
    doc.log = QStringList{"header"};
    const CountOutcome first = countBirds(doc, "auto");
    ASSERT_FALSE(first.message);
    // Sizes 10, 5, 5: mode 5, 7.5 rounds to 8.
    EXPECT_EQ(doc.groupCount, 3);
    EXPECT_EQ(first.thresholdText, "8");
    EXPECT_EQ(doc.binCounts[2], 1);
    EXPECT_EQ(doc.totalText, "4");
    EXPECT_EQ(doc.workflowStep, 3);
    EXPECT_TRUE(doc.blackShown);
    EXPECT_TRUE(doc.correctionHintsShown);
    EXPECT_EQ(doc.arrowPosition, (TPoint{775, 223}));
    EXPECT_EQ(doc.log.mid(3), (QStringList{"3", "Terminé"}));
    // Black overlay on, border pixels left, and the white frame of group 1.
    EXPECT_TRUE(isColour(doc.displayedPhoto, 22, 20, clBlack));
    EXPECT_FALSE(isColour(doc.displayedPhoto, 0, 5, clBlack));
    EXPECT_TRUE(isColour(doc.displayedPhoto, 19, 19, clWhite));

    doc.curveSmoothed = true;
    doc.movedGroups[1] = 1;
    EXPECT_EQ(countBirds(doc, " +5").thresholdText, "5");
    EXPECT_EQ(doc.arrowPosition, (TPoint{770, 464}));
    EXPECT_FALSE(doc.curveSmoothed);
    EXPECT_EQ(doc.movedGroups[1], 0);  // the bins are new, so are the marks
    EXPECT_EQ(doc.log.size(), 9);
    EXPECT_EQ(doc.totalText, "6");
}

TEST_F(Count, StepArrowMovesOnlyToItsSixPoints)
{
    Document doc = withPhoto(1, 1);
    for (const auto& [k, point] : {std::pair{0, TPoint{816, 5}}, {7, {816, 5}}, {6, {770, 464}}, {-1, {770, 464}}, {1, {816, 5}}}) {
        MoveStepArrow(doc, k);
        EXPECT_EQ(doc.arrowPosition, point) << k;
    }
}

TEST_F(Count, CorrectionsBoxOverlayButtonShowsFramesWithoutBlack)
{
    for (const auto& [threshold, smallFramed] : {std::pair{5, true}, std::pair{6, false}}) {
        SCOPED_TRACE(threshold);
        Document doc = counted();
        doc.twoBirdThreshold = threshold;
        doc.movedGroups[1] = 1;
        toggleBlackOverlayWithFrames(doc);
        EXPECT_FALSE(doc.blackShown);
        EXPECT_FALSE(isColour(doc.displayedPhoto, 22, 20, clBlack));
        EXPECT_TRUE(isColour(doc.displayedPhoto, 19, 19, clBlue));  // moved by hand
        EXPECT_EQ(isColour(doc.displayedPhoto, 59, 39, clWhite), smallFramed);
        toggleBlackOverlayWithFrames(doc);
        EXPECT_TRUE(isColour(doc.displayedPhoto, 22, 20, clBlack));
        EXPECT_TRUE(isColour(doc.displayedPhoto, 19, 19, clBlue));
    }
    // Before a count it only flips.
    Document doc = counted();
    doc.workflowStep = 2;
    const QImage shown = doc.displayedPhoto;
    toggleBlackOverlayWithFrames(doc);
    EXPECT_FALSE(doc.blackShown);
    EXPECT_EQ(doc.displayedPhoto, shown);
}

TEST_F(Count, SeparationBoxOverlayButtonShowsThePhotoThenBlackWithoutFrames)
{
    Document doc = counted();
    toggleBlackOverlay(doc);
    EXPECT_FALSE(doc.blackShown);
    EXPECT_EQ(doc.displayedPhoto, doc.photoJpeg);
    toggleBlackOverlay(doc);
    EXPECT_TRUE(isColour(doc.displayedPhoto, 22, 20, clBlack));
    EXPECT_FALSE(isColour(doc.displayedPhoto, 19, 19, clWhite));
    // After a new photo nothing of the old mask is painted; a photo of
    // another format is shown in the display's.
    ForgetPhotoGroups(doc);
    doc.photoJpeg = doc.photoJpeg.convertToFormat(QImage::Format_RGB32);
    toggleBlackOverlay(doc);
    EXPECT_EQ(doc.displayedPhoto.format(), QImage::Format_BGR888);
    toggleBlackOverlay(doc);
    EXPECT_EQ(doc.displayedPhoto, doc.photoJpeg.convertToFormat(QImage::Format_BGR888));
}

// Passing over sixteen sky cells at a time paints what the cell-by-cell rule
// paints: black exactly where the mask copy holds 255 inside the photo.
TEST_F(Count, OverlayPaintsWhatTheCellByCellRulePaints)
{
    std::mt19937 random(99);
    for (const int width : {1, 15, 16, 17, 33, 64, 97}) {
        SCOPED_TRACE(width);
        Document doc = withPhoto(width, 9);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < width; ++x)
                setPixelAt(doc.displayedPhoto, x, y, Color(random() & 0xFFFFFF));
        BuildMask(doc, width, 9);
        // A mask of five rows, shorter than the photo, paints those; one cell
        // short of them, nothing.
        const int rows = width < 64 ? 9 : 5, painted = width == 64 ? 0 : rows;
        if (width >= 64) {
            doc.maskRows = rows;
            doc.groupMaskCopy.resize(doc.maskIndex(0, rows) - (width == 64));
        }
        const std::uint8_t values[] = {0, 1, 254, 255, 255};
        for (std::uint8_t& cell : doc.groupMaskCopy)
            cell = values[random() % 5];
        QImage expected = doc.displayedPhoto.copy();
        for (int y = 0; y < painted; ++y)
            for (int x = 0; x < width; ++x)
                if (doc.groupMaskCopy[doc.maskIndex(x, y)] == 255)
                    setPixelAt(expected, x, y, clBlack);
        PaintBlackOverlay(doc);
        EXPECT_EQ(doc.displayedPhoto, expected);
    }
}

// Groups below the minimum are gone from the table, its numbering, the bins
// and the log; a group of exactly the minimum stays.
TEST_F(Count, MinimumSizeDropsSmallerGroupsAtDetection)
{
    Document doc = separated();
    EXPECT_EQ(countBirds(doc, "8", "5").minGroupSize, 5);
    EXPECT_EQ(doc.groupCount, 3);
    EXPECT_EQ(countBirds(doc, "8", "6").minGroupSize, 6);
    EXPECT_EQ(doc.groupCount, 1);
    EXPECT_EQ(doc.groupSizes[1], 10);
    EXPECT_EQ(doc.log.at(doc.log.size() - 2), "1");
    EXPECT_EQ(doc.totalText, "2");
    EXPECT_EQ(GroupAt(doc, 62, 40), 0) << "a dropped group is not found";
    countBirds(doc, "auto", "11");
    EXPECT_EQ(doc.groupCount, 0);
    EXPECT_EQ(doc.totalText, "0");
    // The automatic minimum weighs every group, the first too: one bird of 60
    // pixels and a speck of 5 give 24.
    Document two = withPhoto(100, 100);
    for (int i = 0; i < 65; ++i)
        setBird(two, i < 60 ? 10 + i % 10 : 50 + i % 5, i < 60 ? 10 + i / 10 : 50);
    detect(two);
    EXPECT_EQ(countBirds(two, "auto", "auto").minGroupSize, 24);
    EXPECT_EQ(two.groupCount, 1);
    EXPECT_EQ(countBirds(two, "5", "auto").thresholdText, "5");  // a typed threshold stays
    // No group at all: the automatic rules keep the threshold there was.
    Document sky = withPhoto(20, 20);
    detect(sky);
    sky.twoBirdThreshold = 7;
    EXPECT_EQ(countBirds(sky, "auto", "auto").thresholdText, "7");
}

// Forty birds of 56 to 72 pixels among three hundred specks of 3 to 8: the
// automatic minimum drops the specks, says so in the log, and the curve marks
// it with a grey line; the threshold follows the typical size, not the most
// frequent one (56 pixels, which would give 84).
TEST_F(Count, AutomaticMinimumSizeDropsTheSpecks)
{
    Document doc = withPhoto(400, 300);
    for (int bird = 0; bird < 40; ++bird)
        for (int i = 0; i < 8 * (7 + bird % 3); ++i)
            setBird(doc, 10 + (bird % 10) * 40 + i % 8, 10 + (bird / 10) * 30 + i / 8);
    for (int s = 0; s < 300; ++s)
        for (int i = 0; i < 3 + s % 6; ++i)
            setBird(doc, 5 + (s * 37) % 390 + i % 3, 25 + 30 * ((s * 7) % 9) + i / 3);
    detect(doc);
    ASSERT_GT(doc.groupCount, 300);
    const CountOutcome out = countBirds(doc, "auto", "auto");
    EXPECT_EQ(doc.groupCount, 40);
    EXPECT_EQ(doc.totalText, "40");
    EXPECT_GT(out.minGroupSize, 8);
    EXPECT_LE(out.minGroupSize, 56);
    const std::vector<std::int32_t> sizes(doc.groupSizes.begin() + 1, doc.groupSizes.begin() + 41);
    EXPECT_EQ(doc.twoBirdThreshold, roundHalfEven(1.5 * typicalGroupSize(sizes)));
    EXPECT_NE(doc.twoBirdThreshold, 84);
    EXPECT_EQ(doc.log.at(doc.log.size() - 2), QStringLiteral("taille mini auto : %1").arg(out.minGroupSize));
    EXPECT_TRUE(isColour(doc.curvePicture, int(std::lround(10 + out.minGroupSize * doc.curveXScale)), 60, clGray));
}

// Two hills of sizes, each on one cell of the histogram: four lone birds of 63
// pixels hold exactly 0.4 of the pixels of five pairs of 126 and are the
// typical bird, not beside pairs of 127; of two equal hills (six of 86, four
// of 129) the smaller size wins.
TEST_F(Count, TypicalSizeAtTheBoundsOfItsHills)
{
    const std::array<int, 5> rows[] = {{4, 63, 5, 126, 63}, {4, 63, 5, 127, 127}, {6, 86, 4, 129, 86}, {6, 86, 4, 130, 130}};
    for (const auto& [n, size, m, larger, typical] : rows) {
        std::vector<std::int32_t> sizes(std::size_t(n), size);
        sizes.insert(sizes.end(), std::size_t(m), larger);
        sizes.push_back(3);  // a speck far below puts each hill on one cell
        EXPECT_EQ(typicalGroupSize(sizes), typical) << larger;
    }
}

// The batch counter's count-only documents report what the window's count
// reports, with or without a working bitmap, on photos narrower and wider
// than the smallest mask; they draw nothing.
TEST_F(Count, CountOnlyReportsTheWindowsCount)
{
    std::mt19937 random(2026);
    for (const QSize size : {QSize(1, 1), QSize(64, 48), QSize(900, 7), QSize(37, 610)}) {
        Document window = withPhoto(size.width(), size.height());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                window.photoJpeg.setPixel(x, y, random() % 3 == 0 ? qRgb(20, 20, 30) : qRgb(120, 160, 220));
        window.pixo.fill(rgb(20, 20, 30));
        window.pixno.fill(rgb(120, 160, 220));
        Document reference = window;
        separateBirds(reference, [] {});
        countBirds(reference, "auto");
        for (const bool withWorkBitmap : {false, true}) {
            SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height() << ", bitmap " << withWorkBitmap);
            Document batch = window;
            batch.countOnly = true;
            batch.displayedPhoto = QImage();
            if (!withWorkBitmap)
                batch.workBitmap = QImage();
            separateBirds(batch, [] {});
            EXPECT_TRUE(batch.blackShown && batch.workflowStep == 2);
            countBirds(batch, "auto");
            auto counted = [](const Document& d) {
                return std::tie(d.groupMaskCopy, d.maskColumns, d.groupCount, d.groupSizes, d.groupRects, d.twoBirdThreshold,
                                d.binCounts, d.totalText, d.log, d.workflowStep, d.arrowPosition);
            };
            EXPECT_TRUE(counted(batch) == counted(reference));
            if (withWorkBitmap)
                EXPECT_EQ(batch.workBitmap, reference.workBitmap);
            else
                EXPECT_TRUE(batch.groupMask.empty());
            EXPECT_TRUE(batch.displayedPhoto.isNull());
            EXPECT_TRUE(batch.correctionBar.isNull());
            EXPECT_EQ(batch.curvePicture, Document::blankCurvePicture());
        }
    }
}
