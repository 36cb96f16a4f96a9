#include "CoreTestSupport.h"

#include "core/Count.h"
#include "core/Overlay.h"

#include <gtest/gtest.h>

#include <random>

using namespace coretest;

namespace {

// A counted photo with one two-bird group (6 pixels) and one bird (3 pixels),
// plus a black pixel on the border.
Document countedDocument()
{
    Document doc = documentWithPhoto(40, 30);
    for (int x = 5; x < 11; ++x)
        setBird(doc, x, 10);
    for (int x = 20; x < 23; ++x)
        setBird(doc, x, 20);
    setBird(doc, 0, 5);
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    doc.workflowStep = 2;
    countBirds(doc, "5");
    return doc;
}

} // namespace

TEST(Overlay, CorrectionsBoxButtonTwiceAfterACount)
{
    Document doc = countedDocument();
    ASSERT_TRUE(doc.blackShown);
    const QImage counted = doc.displayedPhoto.copy();
    EXPECT_TRUE(isColour(counted, 7, 10, clBlack));
    EXPECT_FALSE(isColour(counted, 0, 5, clBlack));  // border pixels keep their colour

    doc.movedGroups[1] = 1;
    toggleBlackOverlayWithFrames(doc);
    EXPECT_FALSE(doc.blackShown);
    EXPECT_FALSE(isColour(doc.displayedPhoto, 7, 10, clBlack));
    EXPECT_TRUE(isColour(doc.displayedPhoto, 5, 9, clBlue));  // moved group framed blue
    toggleBlackOverlayWithFrames(doc);
    EXPECT_TRUE(isColour(doc.displayedPhoto, 7, 10, clBlack));
    EXPECT_TRUE(isColour(doc.displayedPhoto, 5, 9, clBlue));
}

TEST(Overlay, SeparationBoxButtonRemovesFramesAndRepaintsWithout)
{
    Document doc = countedDocument();
    toggleBlackOverlay(doc);
    EXPECT_FALSE(doc.blackShown);
    EXPECT_EQ(doc.displayedPhoto, doc.photoJpeg);
    toggleBlackOverlay(doc);
    EXPECT_TRUE(isColour(doc.displayedPhoto, 7, 10, clBlack));
    EXPECT_FALSE(isColour(doc.displayedPhoto, 5, 9, clWhite));
}

TEST(Overlay, CorrectionsBoxButtonOnlyFlipsBeforeACount)
{
    Document doc = countedDocument();
    doc.workflowStep = 2;
    const QImage shown = doc.displayedPhoto.copy();
    toggleBlackOverlayWithFrames(doc);
    EXPECT_FALSE(doc.blackShown);
    EXPECT_EQ(doc.displayedPhoto, shown);
}

TEST(Overlay, NewPhotoPaintsNothingOfTheOldMask)
{
    Document doc = countedDocument();
    ForgetPhotoGroups(doc);
    redrawDisplayedPhoto(doc);
    doc.blackShown = false;
    toggleBlackOverlay(doc);
    EXPECT_EQ(doc.displayedPhoto, doc.photoJpeg);
}

// Passing over sixteen sky cells at a time paints what the cell-by-cell rule
// paints: black exactly where the mask copy holds 255 inside the photo.
TEST(Overlay, PaintsWhatTheCellByCellRulePaints)
{
    std::mt19937 random(99);
    for (const int width : {1, 15, 16, 17, 33, 64, 97}) {
        SCOPED_TRACE(width);
        Document doc = documentWithPhoto(width, 9);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < width; ++x)
                setPixelAt(doc.displayedPhoto, x, y, Color(random() & 0xFFFFFF));
        BuildMask(doc, width, 9);
        const std::uint8_t values[] = {0, 1, 254, 255, 255};
        for (std::uint8_t& cell : doc.groupMaskCopy)
            cell = values[random() % 5];
        QImage expected = doc.displayedPhoto.copy();
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < width; ++x)
                if (doc.groupMaskCopy[doc.maskIndex(x, y)] == 255)
                    setPixelAt(expected, x, y, clBlack);
        PaintBlackOverlay(doc);
        EXPECT_EQ(doc.displayedPhoto, expected);
    }
}
