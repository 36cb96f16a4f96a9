#pragma once

#include "Types.h"

#include <QImage>

#include <array>

// Three sky and three bird samples chosen from a photo itself, as a user
// would drag them: the sky is the large part that changes only slowly, the
// birds the small patches that stand clearly apart from the sky behind them,
// darker or lighter (or both, as gulls with a dark back and a white belly).
//
// The photo is cut into square blocks; the sky behind a block is the median
// of the median colours of the block and its eight neighbours (a bird does
// not fill five blocks out of nine, a gradient or a cloud is followed). The
// sky samples are that colour at 10 %, 50 % and 90 % of its order by
// brightness over the blocks. A pixel is a candidate when its colour
// distance to the sky behind it is beyond the sky's noise (2.5 times the
// 90th percentile of that distance over the smoothest 40 % of the blocks, at
// least 40). The candidates' 8-connected patches are sized like groups, and
// only those from 0.4 to 8 typical one-bird sizes are birds: not specks, not
// a crack, a textured stretch of ground or a cloud edge. Their core pixels
// (at least 3/5 as far from the sky behind them as the clearest tenth of
// their side, and more than twice the sky's spread around its samples from
// every sky sample) give the bird samples as the mean colours of slices of
// their brightness order, darker and lighter than the sky apart: three
// slices of one side when the birds are all darker or all lighter, two of
// the larger side and one of the smaller when the smaller holds 8 %.
struct ChosenSamples {
    std::array<ColorTriple, 3> birds{};
    std::array<ColorTriple, 3> sky{};
    // False when the photo holds no patch apart from its sky (a blank sky):
    // the bird samples are then the sky samples, so every pixel ties and is
    // sky, and the count finds no bird.
    bool split = false;
};

// `photo` in Format_BGR888 (any other format is converted first). An empty
// photo gives black samples and no split.
ChosenSamples chooseSamples(const QImage& photo);
