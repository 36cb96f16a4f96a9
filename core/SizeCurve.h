#pragma once

#include "Document.h"

#include <optional>

// Size of the curve picture (Image3).
constexpr int curveWidth = 214;
constexpr int curveHeight = 172;

// Draws the number of groups against their size into curvePicture: the red
// curve (light or strong smoothing), a grey marker at the minimum group size
// when it is above 3, the green marker at the two-bird threshold, the axis captions and the threshold text. When the groups give no
// scale (no group under 500 pixels, or all of one size) only the axis captions
// are drawn and curveXScale becomes 0, so that a click picks nothing.
void DrawSizeCurve(Document& doc);

// "Lisser": switches between the light and the strong smoothing and redraws.
void toggleCurveSmoothing(Document& doc);

// What a click on the curve shows: the picked threshold beside the click and in
// the threshold field.
struct ThresholdPick {
    std::int32_t threshold = 0;
    QString labelText;  // Label5's caption
    TPoint labelPosition;  // Label5's Left and Top in Panel3
    QString fieldText;  // edit_seuil's new text
};

// A click at (X, Y) on the curve picture. Only after a count (step 3) and on a
// drawn scale; moves the step arrow beside "Recompter les oiseaux".
std::optional<ThresholdPick> pickThreshold(Document& doc, int X, int Y);
