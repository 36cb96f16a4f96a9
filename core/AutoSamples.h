#pragma once

#include "Types.h"

#include <QImage>

#include <array>

// Three sky and three bird samples chosen from a photo itself, as a user
// would drag them: the sky is the large, smooth part of the photo, the birds
// the pixels that stand clearly apart from it, darker or lighter (or both, as
// gulls with a dark back and a white belly).
//
// The photo is cut into square blocks; the smoothest 40 % of them (least mean
// distance of their pixels to their own mean colour) are sky. The sky samples
// are the mean colours of those blocks at 10 %, 50 % and 90 % of their order by
// brightness, so a gradient or soft clouds are covered. A pixel is a bird
// candidate when its colour distance to the nearest sky sample is beyond the
// sky's own spread (2.5 times the 90th percentile of that distance over the
// sky blocks, at least 40); the bird samples are the middle colours of the
// clearest candidates (twice that far): three brightness slices of one side
// when the birds are all darker or all lighter than the sky, two of the larger
// side and one of the smaller when both sides hold a fair share.
struct ChosenSamples {
    std::array<ColorTriple, 3> birds{};
    std::array<ColorTriple, 3> sky{};
    // False when the photo holds no pixel apart from its sky (a blank sky):
    // the bird samples are then the sky samples, so every pixel ties and is
    // sky, and the count finds no bird.
    bool split = false;
};

// `photo` in Format_BGR888 (any other format is converted first). An empty
// photo gives black samples and no split.
ChosenSamples chooseSamples(const QImage& photo);
