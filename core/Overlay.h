#pragma once

#include "Document.h"

// Paints every bird pixel of the pristine group mask black on the displayed photo.
void PaintBlackOverlay(Document& doc);

// "Voir/enlever le noir" of the separation box, in any step: flips blackShown;
// off shows a fresh copy of the photo (no black, no frames), on paints the overlay.
void toggleBlackOverlay(Document& doc);

// "Voir/enlever le noir" of the corrections box: flips blackShown, and after a
// count (step 3) either paints the overlay or shows the photo with the frames of
// the two-bird groups, blue for the groups moved by hand.
void toggleBlackOverlayWithFrames(Document& doc);

// The displayed photo made again from the decoded photo.
void redrawDisplayedPhoto(Document& doc);
