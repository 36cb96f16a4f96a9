#pragma once

#include "Types.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

// The one document state: the open photo, its working bitmap, the samples, the
// group mask and table, the classification, the size curve and the workflow.
// The window owns exactly one; every operation reads and writes it directly.
struct Document {
    // The group mask is at least this large, with one spare column and row
    // beyond the largest photo the window accepts; a larger photo gets a mask of
    // its own size plus one.
    static constexpr int minMaskColumns = 801;
    static constexpr int minMaskRows = 601;

    Document() = default;
    // A count-only document (`countOnly` set) made without the window's group
    // mask, mask copy and curve picture: the separation sizes the mask copy to
    // its photo, and a batch makes one such document per photo.
    struct CountOnly {};
    explicit Document(CountOnly);

    // Photo
    QString photoFileName = QStringLiteral("vol de cigognes.jpg");
    QImage photoJpeg;  // the decoded photo, Format_BGR888 (null when none)
    std::int32_t photoWidth = 0;
    std::int32_t photoHeight = 0;

    // Working image: black = bird pixel, white = sky pixel.
    QImage workBitmap;
    bool blackShown = false;

    // Samples: bird cells 0..2 and sky cells 3..5 of the sample strip.
    std::array<ColorTriple, 3> pixo{};
    std::array<ColorTriple, 3> pixno{};

    // Group mask: 255 = bird pixel not yet taken by a group, anything else is
    // not available. Stored row after row (cell of (x, y) at y * maskColumns + x)
    // so that the scan and the fills walk memory in order.
    std::int32_t maskColumns = minMaskColumns;
    std::int32_t maskRows = minMaskRows;
    std::vector<std::uint8_t> groupMask = std::vector<std::uint8_t>(minMaskColumns * minMaskRows, 0);
    std::vector<std::uint8_t> groupMaskCopy = std::vector<std::uint8_t>(minMaskColumns * minMaskRows, 0);

    // Group table; entry 0 is never used, groups are 1..groupCount. The
    // vectors grow with the number of groups.
    std::int32_t groupCount = 0;
    std::vector<std::int32_t> groupSizes = std::vector<std::int32_t>(1, 0);
    std::vector<TRect> groupRects = std::vector<TRect>(1);
    std::vector<std::uint8_t> movedGroups = std::vector<std::uint8_t>(1, 0);
    // Groups smaller than this many pixels are dropped at detection: never
    // below 3 (patches of 1 and 2 pixels are no groups). The count sets it from
    // the "Taille mini" field, a number or the automatic rule.
    std::int32_t minGroupSize = 3;
    // False from a photo load until the next count: the table then describes
    // another photo, and the presses on the photo must not find its groups.
    bool groupsMatchPhoto = true;

    // Fill scratch of the group being taken.
    std::int32_t fillSize = 0;
    std::int32_t fillMinX = 0;
    std::int32_t fillMaxX = 0;
    std::int32_t fillMinY = 0;
    std::int32_t fillMaxY = 0;

    // Classification
    std::int32_t twoBirdThreshold = 0;
    std::array<std::int32_t, 7> binCounts{};  // bins 0, 1, 2, 3, 4 and 6; 5 unused

    // Size curve
    double curveXScale = 0.0;
    bool curveSmoothed = false;

    // Workflow
    std::int32_t workflowStep = 1;
    std::array<TPoint, 7> arrowPoints{};  // entries 1..6
    TPoint pressPoint;
    std::int32_t pressedGroup = 0;

    // True in the batch counter, which reports numbers only: the separation and
    // the count then make the same working bitmap (when there is one), group
    // mask copy, group table, threshold, bins and log as the window's, but not
    // what only the window shows (displayed photo, correction bar, size curve,
    // black overlay) nor the consumed group mask, sparing a copy of the photo
    // and several passes over it. Without a working bitmap the separation
    // writes the group mask copy directly.
    bool countOnly = false;

    // What the window shows, kept here so that every operation can be run and
    // checked without a window.
    QImage displayedPhoto;  // Image1's raster, Format_BGR888
    QImage correctionBar;   // Image4's raster, 800 x 100
    QImage curvePicture = blankCurvePicture();  // Image3's raster, 214 x 172
    QImage stripPicture;    // Image2's raster, the sample strip
    QStringList log;        // Memo1's lines
    // Texts of the count fields Edit0..Edit6 (index = bin, 5 unused) and nbtotal.
    std::array<QString, 7> binFieldTexts{"0", "0", "0", "0", "0", "0", "0"};
    QString totalText;
    bool correctionHintsShown = false;  // Label3 and Label4
    TPoint arrowPosition{816, 5};       // Panel_fleche's Left and Top

    std::size_t maskIndex(int x, int y) const { return std::size_t(y) * maskColumns + x; }

    static QImage blankCurvePicture();
};

// Colour table of the 8-bit working bitmap: 256 greys, index i = grey level i,
// so black is 0 and white 255. A full table keeps the file 8 bits per pixel.
const QList<QRgb>& workBitmapColorTable();
// A new all-white 8-bit working bitmap.
QImage newWorkBitmap(int width, int height);
// Gives the working bitmap 8 bits per pixel with the table above, then the new
// size. Pixels of the area common to the old and the new size keep their
// meaning (a pixel whose red is 0 stays black); every other pixel is white.
void setWorkBitmapFormatAndSize(QImage& workBitmap, int width, int height);

void InitArrowPoints(Document& doc);
// Moves the step arrow to point k (1..6) of arrowPoints.
void MoveStepArrow(Document& doc, int k);

// Number of birds in the bins by the program's rule: 1, 2, 3, 4 and 6 birds per
// group in bins 1, 2, 3, 4 and 6; bin 0 adds nothing.
std::int64_t totalBirds(const std::array<std::int32_t, 7>& binCounts);
// Writes the bin counts and the total into the count fields' texts.
void ShowBinCounts(Document& doc);
