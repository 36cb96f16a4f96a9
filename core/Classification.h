#pragma once

#include "Document.h"

#include <optional>

// The automatic two-bird threshold: 1.5 times the most frequent group size
// among the sizes 3 to (largest size - 1), sizes of 500 or more left out, the
// smallest size winning a tie, rounded half to even. Empty when no size in that
// range occurs (the threshold then keeps its value).
std::optional<std::int32_t> automaticThreshold(const Document& doc);

// Classification of the groups of the last detection pass: with `automatic`
// the threshold is worked out first; then the bins are reset, the correction
// bar and the displayed photo redrawn, the two-bird groups framed, and the
// count fields written.
void ClassifyGroups(Document& doc, bool automatic);

// The correction bar: six bins with their labels on an 800 x 100 picture.
// drawCorrectionBar gives the bar painted once for the whole run;
// paintCorrectionBar paints it afresh.
QImage drawCorrectionBar();
QImage paintCorrectionBar();

// Right click at photo point (X, Y): the highest-numbered group whose widened
// frame holds the point becomes a group of two birds if it counted as one and
// has not been dropped into a bin. Returns whether anything changed.
bool MarkGroupAsTwo(Document& doc, int X, int Y);

// Frames a group on the displayed photo: dotted, not filled.
void drawGroupFrame(Document& doc, int group, Color color);
