#include "CoreTestSupport.h"

#include "core/OrnivalError.h"
#include "core/Separation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace coretest;

namespace {

ColorTriple rgb(int r, int g, int b)
{
    return ColorTriple{std::uint8_t(b), std::uint8_t(g), std::uint8_t(r)};
}

// A 4 x 3 photo of chosen colours.
Document smallPhoto(const std::vector<QRgb>& pixels, int width)
{
    const int height = int(pixels.size()) / width;
    Document doc = documentWithPhoto(width, height);
    for (int i = 0; i < int(pixels.size()); ++i)
        doc.photoJpeg.setPixel(i % width, i / width, pixels[std::size_t(i)]);
    return doc;
}

bool workIsBird(const Document& doc, int x, int y)
{
    return pixelAt(doc.workBitmap, x, y) == clBlack;
}

} // namespace

TEST(Separation, ClassesByNearestSampleTieIsSky)
{
    Document doc = smallPhoto({qRgb(250, 250, 250), qRgb(20, 40, 200), qRgb(100, 100, 100), qRgb(0, 0, 0)}, 4);
    doc.pixo = {rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255)};
    doc.pixno = {rgb(0, 0, 255), rgb(0, 0, 255), rgb(0, 0, 255)};
    // (100,100,100): 465 from white, 355 from blue; (0,0,0): 765 from white, 255 from blue.
    separateBirds(doc, [] {});
    EXPECT_TRUE(workIsBird(doc, 0, 0));
    EXPECT_FALSE(workIsBird(doc, 1, 0));
    EXPECT_FALSE(workIsBird(doc, 2, 0));
    EXPECT_TRUE(isColour(doc.displayedPhoto, 0, 0, clBlack));
    EXPECT_TRUE(isColour(doc.displayedPhoto, 1, 0, fromQRgb(qRgb(20, 40, 200))));

    // Exactly between a bird and a sky sample: sky.
    Document tie = smallPhoto({qRgb(100, 100, 100)}, 1);
    tie.pixo = {rgb(110, 100, 100), rgb(255, 0, 0), rgb(255, 0, 0)};
    tie.pixno = {rgb(100, 90, 100), rgb(0, 255, 0), rgb(0, 255, 0)};
    separateBirds(tie, [] {});
    EXPECT_FALSE(workIsBird(tie, 0, 0));

    // A bird sample equal to a sky sample: that colour is sky.
    Document same = smallPhoto({qRgb(1, 2, 3)}, 1);
    same.pixo = {rgb(1, 2, 3), rgb(1, 2, 3), rgb(1, 2, 3)};
    same.pixno = {rgb(9, 9, 9), rgb(1, 2, 3), rgb(9, 9, 9)};
    separateBirds(same, [] {});
    EXPECT_FALSE(workIsBird(same, 0, 0));
}

TEST(Separation, AllBlackSamplesLeaveEverythingSky)
{
    Document doc = documentWithPhoto(30, 20, qRgb(0, 0, 0));
    separateBirds(doc, [] {});
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_FALSE(workIsBird(doc, x, y));
    EXPECT_EQ(doc.displayedPhoto, doc.photoJpeg);
}

TEST(Separation, OrderOfSamplesAndRepeatDoNotMatter)
{
    std::mt19937 random(42);
    Document doc = documentWithPhoto(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            doc.photoJpeg.setPixel(x, y, qRgb(int(random() % 256), int(random() % 256), int(random() % 256)));
    doc.pixo = {rgb(250, 250, 250), rgb(10, 10, 10), rgb(128, 128, 128)};
    doc.pixno = {rgb(30, 80, 200), rgb(120, 170, 230), rgb(200, 220, 250)};
    separateBirds(doc, [] {});
    const QImage work = doc.workBitmap.copy();
    const QImage display = doc.displayedPhoto.copy();
    separateBirds(doc, [] {});  // starts again from the decoded photo, not the blackened display
    EXPECT_EQ(doc.workBitmap, work);
    EXPECT_EQ(doc.displayedPhoto, display);
    std::reverse(doc.pixo.begin(), doc.pixo.end());
    std::rotate(doc.pixno.begin(), doc.pixno.begin() + 1, doc.pixno.end());
    separateBirds(doc, [] {});
    EXPECT_EQ(doc.workBitmap, work);
}

TEST(Separation, StateChangesAfterTheSave)
{
    Document doc = documentWithPhoto(10, 10, qRgb(0, 0, 0));
    doc.pixo = {rgb(0, 0, 0), rgb(0, 0, 0), rgb(0, 0, 0)};
    doc.pixno = {rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255)};
    doc.workflowStep = 3;
    bool saved = false;
    separateBirds(doc, [&] {
        // The save comes after the pixel pass and before any state change.
        saved = true;
        EXPECT_TRUE(workIsBird(doc, 5, 5));
        EXPECT_EQ(doc.workflowStep, 3);
        EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 5)], 0);
    });
    EXPECT_TRUE(saved);
    EXPECT_EQ(doc.workflowStep, 2);
    EXPECT_TRUE(doc.blackShown);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 5)], 255);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(0, 5)], 0);
    EXPECT_EQ(doc.arrowPosition, (TPoint{816, 190}));
}

TEST(Separation, FailedSaveStopsAfterThePixelPass)
{
    Document doc = documentWithPhoto(10, 10, qRgb(0, 0, 0));
    doc.pixno = {rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255)};
    doc.workflowStep = 3;
    doc.blackShown = false;
    EXPECT_THROW(separateBirds(doc, [] { throw OrnivalError("Impossible de créer le fichier ornival.ini"); }),
                 OrnivalError);
    EXPECT_TRUE(workIsBird(doc, 5, 5));
    EXPECT_TRUE(isColour(doc.displayedPhoto, 5, 5, clBlack));
    EXPECT_EQ(doc.workflowStep, 3);
    EXPECT_FALSE(doc.blackShown);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 5)], 0);
    EXPECT_EQ(doc.arrowPosition, (TPoint{816, 5}));
}

TEST(Separation, EmptyPhotoStillSavesAndEntersStepTwo)
{
    Document doc = documentWithPhoto(0, 0);
    int saves = 0;
    separateBirds(doc, [&] { ++saves; });
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(doc.workflowStep, 2);
    EXPECT_EQ(doc.arrowPosition, (TPoint{816, 190}));
}

TEST(Separation, WorkingBitmapOfAnotherSizeKeepsItsSize)
{
    Document doc = documentWithPhoto(20, 20, qRgb(0, 0, 0));
    doc.pixno = {rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255)};
    doc.workBitmap = QImage(8, 30, QImage::Format_RGB888);  // as loaded from a file
    doc.workBitmap.fill(Qt::white);
    separateBirds(doc, [] {});
    EXPECT_EQ(doc.workBitmap.size(), QSize(8, 30));
    EXPECT_TRUE(workIsBird(doc, 7, 19));
    EXPECT_FALSE(workIsBird(doc, 7, 25));
    // Photo pixels outside the bitmap count as sky for the mask.
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(10, 10)], 0);
    EXPECT_EQ(doc.groupMaskCopy[doc.maskIndex(5, 10)], 255);
}

TEST(WorkBitmap, FormatAndSizeKeepTheCommonArea)
{
    QImage work = QImage(4, 4, QImage::Format_RGB32);
    work.fill(qRgb(255, 255, 255));
    work.setPixel(1, 1, qRgb(0, 90, 90));
    setWorkBitmapFormatAndSize(work, 6, 2);
    EXPECT_EQ(work.format(), QImage::Format_Indexed8);
    EXPECT_EQ(work.colorCount(), 256);
    EXPECT_EQ(work.size(), QSize(6, 2));
    EXPECT_EQ(pixelAt(work, 1, 1), clBlack);
    EXPECT_EQ(pixelAt(work, 5, 1), clWhite);
    setWorkBitmapFormatAndSize(work, 0, 0);
    EXPECT_TRUE(work.isNull());
}
