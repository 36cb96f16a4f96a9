#pragma once

#include "Document.h"

#include <optional>

// The text of a typed two-bird threshold as an integer: decimal, leading blanks
// and a sign accepted, nothing after the digits, within 32 bits. Anything else
// throws "'<text>' n'est pas une valeur entière correcte".
std::int32_t thresholdFromText(const QString& text);

struct CountOutcome {
    // Set when the count was refused: the plain message to show.
    std::optional<QString> message;
    // The threshold field's new text (unset when refused).
    std::optional<QString> thresholdText;
};

// "Compter les oiseaux": needs a working bitmap (step 2 or 3); reads the
// threshold field's text ("auto" or a number), detects and classifies the
// groups, draws the size curve, moves the arrow, enters step 3 and puts the
// black overlay on. A bad threshold text throws before anything changes.
CountOutcome countBirds(Document& doc, const QString& thresholdFieldText);
