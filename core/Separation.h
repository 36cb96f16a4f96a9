#pragma once

#include "Document.h"

#include <functional>

// Colour distance |R1 - R2| + |G1 - G2| + |B1 - B2|, from 0 to 765.
int colorDistance(const ColorTriple& a, const ColorTriple& b);

// Classes one row of 24-bit pixels (blue, green, red bytes): bird[x] becomes 1
// when the pixel is strictly nearer to a bird sample than to every sky sample,
// else 0 (a tie is sky).
void separateRow(const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
                 const std::array<ColorTriple, 3>& sky, std::uint8_t* bird);

// The ways separateRow can run, all with the same result: one pixel at a time,
// 16 at a time with SSE2 (any x86-64 processor), 16 at a time with AVX2 (on a
// processor that has it). `best` is the fastest this processor runs; the others
// are for the tests and benchmarks, and give false when this build or
// processor has no such way.
enum class RowKernel { best, plain, sse2, avx2 };
bool separateRowWith(RowKernel kernel, const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
                     const std::array<ColorTriple, 3>& sky, std::uint8_t* bird);

// The separation ("Séparer les oiseaux"): rebuilds the displayed photo from
// the decoded photo, classes every pixel into the working bitmap (black bird,
// white sky) and blackens the bird pixels on the display, then saves the
// sample set through `saveSampleSet`, enters step 2, turns the overlay flag on,
// builds the group mask and moves the arrow beside "Compter les oiseaux".
// When the save throws, the error goes on to the caller and the working bitmap
// and display are already complete, but nothing after the save is done.
void separateBirds(Document& doc, const std::function<void()>& saveSampleSet);

// The separation of a count-only document with no working bitmap, from a
// photo given a row at a time: `photoRow(y)` gives row y (blue, green, red
// bytes, doc.photoWidth pixels), asked for once each from the top. The mask
// copy and the state are those separateBirds makes from the whole photo;
// there is no sample set to save.
void separateBirdsByRows(Document& doc, const std::function<const std::uint8_t*(int y)>& photoRow);
