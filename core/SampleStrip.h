#pragma once

#include "Document.h"

// Size of the sample strip (Image2).
constexpr int stripWidth = 191;
constexpr int stripHeight = 31;
// What the strip shows where it has nothing to show: the window's background.
constexpr Color stripBackground = clBtnFace;

// Left edge of the 5 x 5 block of cell n: the sky half (cells 3..5) lies 4
// pixels further right.
int cellLeft(int n);

// A blank strip, for when the strip's picture file could not be read.
QImage blankStripPicture();

// A drop on the strip at X: the cell X div 31 shows the 5 x 5 neighbourhood of
// the pressed photo point, magnified six times and turned by half a turn, its
// centre framed in white, and takes the centre's colour as its sample. A drop
// on no cell, or of a point outside the photo, changes nothing; squares of the
// neighbourhood outside the photo show the strip's background.
void dropSampleOnStrip(Document& doc, int X, int Y);

// A click on the strip at (X, Y): the pixel under it becomes its cell's sample
// and its square gets a yellow frame.
void clickOnStrip(Document& doc, int X, int Y);
