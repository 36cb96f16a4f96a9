#pragma once

#include "Document.h"

#include <optional>

enum class MouseButton { Left, Right, Middle };

// The size tag shown while the middle button is held on a group.
struct SizeTag {
    QString text;      // "taille: " and the group's size
    TPoint position;   // Left and Top in the window
};

struct PhotoPress {
    std::optional<SizeTag> sizeTag;
    bool mayStartDrag = false;  // a left press: a drag begins once the pointer has moved 5 pixels
};

// A press on the photo at photo point (X, Y). Right: the group under it
// becomes a group of two (nothing else). Left or middle: the pressed group
// and point are kept and logged; the middle button on a group shows its size.
PhotoPress pressOnPhoto(Document& doc, MouseButton button, int X, int Y);

// Whether the correction bar takes the drag under way: after a count, of a
// group that has not been moved yet.
bool correctionBarAccepts(const Document& doc);

// Bin of a drop at column X of the correction bar.
int binAt(int X);

// Drop of the pressed group at bar point (X, Y): logged, marked as moved,
// framed blue, its picture copied into the bar centred on the drop point, and
// counted in the bin under the drop instead of the bin it stood in (2 when it
// is framed, 1 when it is not).
void dropGroupOnBar(Document& doc, int X, int Y);
