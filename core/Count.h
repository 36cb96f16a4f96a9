#pragma once

#include "Document.h"

#include <optional>

// The text of a typed two-bird threshold as an integer: decimal, leading blanks
// and a sign accepted, nothing after the digits, within 32 bits. Anything else
// throws "'<text>' n'est pas une valeur entière correcte".
std::int32_t thresholdFromText(const QString& text);

// The "Taille mini" field's text: "auto" (no value: the automatic rule) or a
// whole number of 3 or more, read as the threshold is. A text that is no
// number throws the threshold's conversion error; a number below 3 throws
// "'<text>' n'est pas une taille mini correcte : il faut un nombre entier de 3
// ou plus, ou auto".
std::optional<std::int32_t> minimumSizeFromText(const QString& text);

// The detection pass with a minimum group size: the number given, or with
// none the automatic minimum (automaticMinimumSize of the groups of 3 pixels
// or more), which is then written to the log as "taille mini auto : N".
void detectGroupsOfMinimumSize(Document& doc, std::optional<std::int32_t> minimumSize);

struct CountOutcome {
    // Set when the count was refused: the plain message to show.
    std::optional<QString> message;
    // The threshold field's new text (unset when refused).
    std::optional<QString> thresholdText;
    // The minimum group size the count used.
    std::int32_t minGroupSize = 3;
};

// "Compter les oiseaux": needs a working bitmap (step 2 or 3); reads the
// threshold field's text ("auto" or a number), detects and classifies the
// groups (dropping those below the "Taille mini" field's size), draws the
// size curve, moves the arrow, enters step 3 and puts the black overlay on. A
// bad threshold or minimum-size text throws before anything changes.
CountOutcome countBirds(Document& doc, const QString& thresholdFieldText,
                        const QString& minimumSizeText = QStringLiteral("3"));
