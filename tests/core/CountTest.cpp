#include "CoreTestSupport.h"

#include "core/Count.h"
#include "core/OrnivalError.h"
#include "core/Separation.h"

#include <gtest/gtest.h>

#include <random>

using namespace coretest;

namespace {

// A separated photo: groups of 3 pixels (one bird) and of 6 (two birds) with
// bird pixels blackened on the display, ready to count.
Document separatedDocument()
{
    Document doc = documentWithPhoto(120, 80);
    int placed = 0;
    for (int y = 5; y < 70; y += 10)
        for (int x = 5; x < 110; x += 12, ++placed) {
            const int length = placed % 4 == 0 ? 6 : 3;
            for (int i = 0; i < length; ++i)
                setBird(doc, x + i, y);
        }
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    doc.workflowStep = 2;
    doc.blackShown = true;
    return doc;
}

} // namespace

TEST(ThresholdText, Conversion)
{
    struct Row {
        const char* text;
        std::optional<int> value;
    };
    const Row rows[] = {
        {"12", 12}, {"  12", 12}, {"+7", 7}, {"-3", -3}, {" -0", 0}, {"007", 7},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt}, {"-2147483649", std::nullopt}, {"99999999999999999999999", std::nullopt},
        {"12 ", std::nullopt}, {"1 2", std::nullopt}, {"", std::nullopt}, {" ", std::nullopt}, {"+", std::nullopt},
        {"-", std::nullopt}, {"Auto", std::nullopt}, {" auto", std::nullopt}, {"1e3", std::nullopt},
        {"$10", std::nullopt}, {"0x10", std::nullopt}, {"12.5", std::nullopt}, {"\t12", std::nullopt},
        {"١٢", std::nullopt},
    };
    for (const Row& row : rows) {
        const QString text = QString::fromUtf8(row.text);
        SCOPED_TRACE(row.text);
        if (row.value) {
            EXPECT_EQ(thresholdFromText(text), *row.value);
        } else {
            try {
                thresholdFromText(text);
                ADD_FAILURE() << "accepted";
            } catch (const OrnivalError& error) {
                EXPECT_EQ(error.text(), QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(text));
            }
        }
    }
}

TEST(Count, RefusedBeforeAWorkingBitmap)
{
    Document doc = separatedDocument();
    doc.workflowStep = 1;
    const QStringList log = doc.log;
    const QImage display = doc.displayedPhoto;
    const CountOutcome out = countBirds(doc, "auto");
    ASSERT_TRUE(out.message);
    EXPECT_EQ(*out.message, "Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp");
    EXPECT_FALSE(out.thresholdText);
    EXPECT_EQ(doc.workflowStep, 1);
    EXPECT_EQ(doc.groupCount, 0);
    EXPECT_EQ(doc.log, log);
    EXPECT_EQ(doc.displayedPhoto, display);
    EXPECT_EQ(doc.arrowPosition, (TPoint{816, 5}));
}

TEST(Count, BadThresholdChangesNothing)
{
    Document doc = separatedDocument();
    countBirds(doc, "auto");
    doc.workflowStep = 2;
    const Document before = doc;
    EXPECT_THROW(countBirds(doc, "Auto"), OrnivalError);
    EXPECT_EQ(doc.workflowStep, 2);
    EXPECT_EQ(doc.twoBirdThreshold, before.twoBirdThreshold);
    EXPECT_EQ(doc.groupCount, before.groupCount);
    EXPECT_EQ(doc.binCounts, before.binCounts);
    EXPECT_EQ(doc.log, before.log);
    EXPECT_EQ(doc.displayedPhoto, before.displayedPhoto);
    EXPECT_EQ(doc.correctionBar, before.correctionBar);
    EXPECT_EQ(doc.curvePicture, before.curvePicture);
    EXPECT_EQ(doc.arrowPosition, before.arrowPosition);
}

TEST(Count, AutomaticCountThenRecount)
{
    Document doc = separatedDocument();
    doc.log = QStringList{"header"};
    const CountOutcome first = countBirds(doc, "auto");
    ASSERT_FALSE(first.message);
    // 70 groups: every fourth of 6 pixels, the others of 3. Mode 3 → threshold 4.
    EXPECT_EQ(doc.groupCount, 63);
    EXPECT_EQ(doc.twoBirdThreshold, 4);
    EXPECT_EQ(first.thresholdText, "4");
    EXPECT_EQ(doc.binCounts[2], 16);
    EXPECT_EQ(doc.binCounts[1], 47);
    EXPECT_EQ(doc.totalText, "79");
    EXPECT_EQ(doc.workflowStep, 3);
    EXPECT_TRUE(doc.blackShown);
    EXPECT_TRUE(doc.correctionHintsShown);
    EXPECT_FALSE(doc.curveSmoothed);
    EXPECT_EQ(doc.arrowPosition, (TPoint{775, 223}));
    ASSERT_EQ(doc.log.size(), 5);
    EXPECT_EQ(doc.log[3], "63");
    EXPECT_EQ(doc.log[4], "Terminé");
    // Black overlay on, and the white dotted frame of the first two-bird group.
    EXPECT_TRUE(isColour(doc.displayedPhoto, 5, 5, clBlack));
    const TRect frame = doc.groupRects[1];
    EXPECT_EQ(doc.groupSizes[1], 6);
    EXPECT_TRUE(isColour(doc.displayedPhoto, frame.Left, frame.Top, clWhite));

    doc.curveSmoothed = true;
    const CountOutcome second = countBirds(doc, *first.thresholdText);
    EXPECT_EQ(doc.arrowPosition, (TPoint{770, 464}));
    EXPECT_EQ(second.thresholdText, "4");
    EXPECT_FALSE(doc.curveSmoothed);
    EXPECT_EQ(doc.log.size(), 9);

    const CountOutcome typed = countBirds(doc, " +7");
    EXPECT_EQ(typed.thresholdText, "7");
    EXPECT_EQ(doc.binCounts[2], 0);
    EXPECT_EQ(doc.totalText, "63");
}

TEST(Count, ClearsTheMovedMarks)
{
    Document doc = separatedDocument();
    countBirds(doc, "auto");
    doc.movedGroups[1] = 1;
    countBirds(doc, "4");
    EXPECT_EQ(doc.movedGroups[1], 0);
}

TEST(MinimumSizeText, NumbersOfThreeOrMoreOrAuto)
{
    struct Row {
        const char* text;
        std::optional<int> value;  // unset: "auto"
        const char* error;         // set: refused with this text
    };
    const QString notInteger = QStringLiteral("'%1' n'est pas une valeur entière correcte");
    const QString belowThree =
        QStringLiteral("'%1' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto");
    const Row rows[] = {
        {"auto", std::nullopt, nullptr}, {"3", 3, nullptr}, {" 12", 12, nullptr}, {"2147483647", 2147483647, nullptr},
        {"2", std::nullopt, "below"},    {"0", std::nullopt, "below"}, {"-4", std::nullopt, "below"},
        {"abc", std::nullopt, "text"},   {"Auto", std::nullopt, "text"}, {"99999999999", std::nullopt, "text"},
        {"", std::nullopt, "text"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const QString text = QString::fromUtf8(row.text);
        if (!row.error) {
            EXPECT_EQ(minimumSizeFromText(text), row.value);
            continue;
        }
        try {
            minimumSizeFromText(text);
            ADD_FAILURE() << "accepted";
        } catch (const OrnivalError& error) {
            EXPECT_EQ(error.text(), (QLatin1String(row.error) == "below" ? belowThree : notInteger).arg(text));
        }
    }
}

TEST(Count, BadMinimumSizeChangesNothing)
{
    Document doc = separatedDocument();
    countBirds(doc, "auto");
    const Document before = doc;
    for (const char* text : {"0", "-4", "abc", "99999999999"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(countBirds(doc, "auto", QString::fromUtf8(text)), OrnivalError);
        EXPECT_EQ(doc.minGroupSize, before.minGroupSize);
        EXPECT_EQ(doc.groupCount, before.groupCount);
        EXPECT_EQ(doc.twoBirdThreshold, before.twoBirdThreshold);
        EXPECT_EQ(doc.log, before.log);
        EXPECT_EQ(doc.curvePicture, before.curvePicture);
        EXPECT_EQ(doc.displayedPhoto, before.displayedPhoto);
    }
}

// Groups below the minimum are gone from the table, its numbering, the bins
// and the log; a group of exactly the minimum stays.
TEST(Count, MinimumSizeDropsSmallerGroupsAtDetection)
{
    Document doc = separatedDocument();
    const CountOutcome atSix = countBirds(doc, "auto", "6");
    EXPECT_EQ(atSix.minGroupSize, 6);
    EXPECT_EQ(doc.groupCount, 16);
    for (int g = 1; g <= doc.groupCount; ++g)
        EXPECT_EQ(doc.groupSizes[std::size_t(g)], 6);
    EXPECT_EQ(doc.log.at(doc.log.size() - 2), "16");
    EXPECT_EQ(GroupAt(doc, 5 + 12, 5), 0) << "a dropped group is not found";
    countBirds(doc, "auto", "7");
    EXPECT_EQ(doc.groupCount, 0);
    EXPECT_EQ(doc.totalText, "0");
}

// Three hundred specks of 3 to 8 pixels around forty birds of about 60: the
// automatic minimum drops the specks, says so in the log, and the curve marks
// it with a grey line.
TEST(Count, AutomaticMinimumSizeDropsTheSpecks)
{
    Document doc = documentWithPhoto(400, 300);
    int birds = 0;
    for (int y = 10; y < 290 && birds < 40; y += 30)
        for (int x = 10; x < 380 && birds < 40; x += 40, ++birds)
            for (int i = 0; i < 8; ++i)
                for (int j = 0; j < 7 + (birds % 3); ++j)
                    setBird(doc, x + i, y + j);
    for (int s = 0; s < 300; ++s) {
        const int x = 5 + (s * 37) % 390, y = 25 + 30 * ((s * 7) % 9);
        for (int i = 0; i < 3 + s % 6; ++i)
            setBird(doc, x + i % 3, y + i / 3);
    }
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    doc.workflowStep = 2;
    countBirds(doc, "auto", "3");
    ASSERT_GT(doc.groupCount, 300);
    const CountOutcome out = countBirds(doc, "auto", "auto");
    EXPECT_EQ(doc.groupCount, 40);
    EXPECT_GT(out.minGroupSize, 8);
    EXPECT_LE(out.minGroupSize, 56);
    EXPECT_EQ(doc.totalText, "40");
    EXPECT_EQ(doc.log.at(doc.log.size() - 2), QStringLiteral("taille mini auto : %1").arg(out.minGroupSize));
    const int xMin = int(std::lround(10 + out.minGroupSize * doc.curveXScale));
    EXPECT_TRUE(isColour(doc.curvePicture, xMin, 60, clGray));
}

// The batch counter's count-only documents report what the window's count
// reports, with or without a working bitmap, on photos narrower and wider
// than the smallest mask; they draw nothing.
TEST(Count, CountOnlyReportsTheWindowsCount)
{
    std::mt19937 random(2026);
    for (const QSize size : {QSize(1, 1), QSize(64, 48), QSize(900, 7), QSize(37, 610)}) {
        SCOPED_TRACE(size.width());
        Document window = documentWithPhoto(size.width(), size.height());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                window.photoJpeg.setPixel(x, y, random() % 3 == 0 ? qRgb(20, 20, 30) : qRgb(120, 160, 220));
        window.pixo = {ColorTriple{30, 20, 20}, ColorTriple{30, 20, 20}, ColorTriple{30, 20, 20}};
        window.pixno = {ColorTriple{220, 160, 120}, ColorTriple{220, 160, 120}, ColorTriple{220, 160, 120}};
        for (const bool withWorkBitmap : {false, true}) {
            SCOPED_TRACE(withWorkBitmap);
            Document batch = window;
            batch.countOnly = true;
            batch.displayedPhoto = QImage();
            if (!withWorkBitmap)
                batch.workBitmap = QImage();
            separateBirds(batch, [] {});
            countBirds(batch, "auto");
            Document reference = window;
            separateBirds(reference, [] {});
            countBirds(reference, "auto");

            EXPECT_EQ(batch.groupMaskCopy, reference.groupMaskCopy);
            EXPECT_EQ(batch.maskColumns, reference.maskColumns);
            EXPECT_EQ(batch.groupCount, reference.groupCount);
            EXPECT_EQ(batch.groupSizes, reference.groupSizes);
            EXPECT_EQ(batch.groupRects, reference.groupRects);
            EXPECT_EQ(batch.twoBirdThreshold, reference.twoBirdThreshold);
            EXPECT_EQ(batch.binCounts, reference.binCounts);
            EXPECT_EQ(batch.totalText, reference.totalText);
            EXPECT_EQ(batch.log, reference.log);
            EXPECT_EQ(batch.workflowStep, 3);
            EXPECT_EQ(batch.arrowPosition, reference.arrowPosition);
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
