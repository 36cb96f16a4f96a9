#include "CoreTestSupport.h"

#include "core/Count.h"
#include "core/Overlay.h"

#include <gtest/gtest.h>

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
