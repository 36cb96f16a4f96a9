#pragma once

#include "core/Document.h"

#include <QImage>
#include <QString>

#include <array>
#include <string>

namespace bench {

// A file of the shipped data folder.
QString dataFile(const char* name);

// The default flock "vol de cigognes.jpg" decoded into a fresh document, with
// the factory samples of "ornival0.ini"; `separated` runs the separation too,
// so the document is ready for a count.
Document defaultFlock(bool separated);

// The four detection masks, as 800 x 600 working bitmaps (black = bird),
// made from fixed seeds so every run measures the same pixels.
struct MaskKind {
    const char* name;
    QImage (*make)();
};
const std::array<MaskKind, 4>& maskKinds();

// A document whose photo and working bitmap are `bitmap`'s size, with the group
// mask built from it.
Document maskDocument(const QImage& bitmap);

// A flock photo of width x height made from the default flock tiled over it
// (JPEG, quality 90) in the folder given, or in the folder named by
// ORNIVAL_BENCH_PHOTOS (else the system's temporary folder); made on first use
// and kept, so every run measures the same file. Returns its path.
QString flockPhoto(int width, int height, const QString& folder = {});

// Seconds per iteration of each benchmark run so far, by name: the median of
// its repetitions as the library gave it, else the median of the repetitions
// reported one by one; 0 when it did not run.
double medianSeconds(const std::string& name);
// Whether anything was recorded under the name (a counter's median may be 0).
bool measured(const std::string& name);
void recordIteration(const std::string& name, double seconds);
void recordMedian(const std::string& name, double seconds);

} // namespace bench
