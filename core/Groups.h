#pragma once

#include "Document.h"

#include <functional>

// Converts the working bitmap into the group mask over width x height photo
// pixels (255 - red of each pixel, so only a pixel whose red is 0 gives 255),
// clears the photo's outermost rows and columns, and keeps the pristine copy.
void BuildMask(Document& doc, int width, int height);

// The group mask copy of a count-only document made straight from the
// separation's bird flags, without a working bitmap: `birdRow(y, flags)` writes
// 1 (bird) or 0 (sky) for the first `readWidth` pixels of photo row y. The copy
// then holds what BuildMask makes from a working bitmap with those pixels; the
// consumed mask is left empty.
void BuildMaskFromBirdRows(Document& doc, int width, int height, int readWidth,
                           const std::function<void(int y, std::uint8_t* flags)>& birdRow);

// Takes the 8-connected component of 255-cells holding (x, y) out of the group
// mask, adding its cells to fillSize and widening fillMinX..fillMaxY. Pending
// runs are kept in an explicit work list, so a component of any shape is taken
// without deep calls.
void FillGroup(Document& doc, int x, int y);

// The detection pass of a count: restores the mask from its copy, scans it in
// row order, fills the group table with every component of at least minGroupSize cells
// (3 or more)
// (numbered in scan order) and appends the sizes line, the frames line and the
// number of groups to the log.
void DetectGroups(Document& doc);

// Whether (X, Y) lies in the frame r widened by 2 pixels on every side, edges
// included: a point up to 3 pixels outside a group's bounding box hits it.
bool widenedFrameHolds(const TRect& r, int X, int Y);

// Number of the first group whose frame widened by 2 pixels holds (X, Y), edges
// included; 0 when none does or when the table belongs to another photo.
int GroupAt(const Document& doc, int X, int Y);

// Called when a new photo is loaded: the mask and the group table of the
// previous photo no longer act on it (no press finds a group, the overlay paints
// nothing) until a new working bitmap is built and counted. The table itself is
// kept, so the size curve can still be redrawn from it.
void ForgetPhotoGroups(Document& doc);
