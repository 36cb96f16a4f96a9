#include "CoreTestSupport.h"

#include "core/OrnivalError.h"
#include "core/Overlay.h"

using namespace coretest;

class Count : public CoreTest {};

TEST_F(Count, ThresholdTextIsADecimalIntegerOf32Bits)
{
    const std::pair<const char*, std::optional<int>> rows[] = {
        {"12", 12}, {"  12", 12}, {"+7", 7}, {"-3", -3}, {" -0", 0}, {"007", 7},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt}, {"-2147483649", std::nullopt}, {"99999999999999999999999", std::nullopt},
        {"12 ", std::nullopt}, {"1 2", std::nullopt}, {"", std::nullopt}, {" ", std::nullopt}, {"+", std::nullopt},
        {"-", std::nullopt}, {"Auto", std::nullopt}, {"1e3", std::nullopt}, {"/1", std::nullopt}, {":1", std::nullopt},
        {"$10", std::nullopt}, {"0x10", std::nullopt}, {"12.5", std::nullopt}, {"\t12", std::nullopt}, {"١٢", std::nullopt},
    };
    for (const auto& [text, value] : rows) {
        SCOPED_TRACE(text);
        const QString t = QString::fromUtf8(text);
        if (value) {
            EXPECT_EQ(thresholdFromText(t), *value);
        } else {
            try {
                thresholdFromText(t);
                ADD_FAILURE() << "accepted";
            } catch (const OrnivalError& error) {
                EXPECT_EQ(error.text(), QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(t));
            }
        }
    }
}

TEST_F(Count, RefusedCountsChangeNothing)
{
    Document doc = counted();
    struct Row {
        const char* name;
        int step;
        QString threshold;
    };
    for (const Row& row : {Row{"before a working bitmap", 1, "auto"}, Row{"bad threshold", 3, " auto"}}) {
        SCOPED_TRACE(row.name);
        doc.workflowStep = row.step;
        const Document before = doc;
        std::optional<CountOutcome> out;
        try {
            out = countBirds(doc, row.threshold);
        } catch (const OrnivalError&) {
        }
        EXPECT_EQ(out.has_value(), row.step == 1);
        if (out) {
            EXPECT_EQ(out->message, "Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp");
            EXPECT_FALSE(out->thresholdText);
        }
        EXPECT_EQ(doc.workflowStep, row.step);
        EXPECT_EQ(doc.twoBirdThreshold, before.twoBirdThreshold);
        EXPECT_EQ(doc.binCounts, before.binCounts);
        EXPECT_EQ(doc.log, before.log);
        EXPECT_EQ(doc.displayedPhoto, before.displayedPhoto);
        EXPECT_EQ(doc.correctionBar, before.correctionBar);
        EXPECT_EQ(doc.curvePicture, before.curvePicture);
        EXPECT_EQ(doc.arrowPosition, before.arrowPosition);
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
    // After a new photo nothing of the old mask is painted.
    ForgetPhotoGroups(doc);
    toggleBlackOverlay(doc);
    toggleBlackOverlay(doc);
    EXPECT_EQ(doc.displayedPhoto, doc.photoJpeg);
}
