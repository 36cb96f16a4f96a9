#pragma once

#include <QByteArray>
#include <QImage>

// A PNG file of the picture, lossless and written for speed: 8-bit RGB rows
// without a filter in stored (uncompressed) deflate blocks, so the file is
// about the picture's raw size and costs little more than one copy and the two
// checksums (libdeflate's, with the processor's carry-less multiply and vector
// sums) to make. Any format is written as RGB (alpha dropped).
// Throws OrnivalError "Image PNG impossible à écrire" for an empty picture or
// one too large for a PNG file.
QByteArray encodePngFast(const QImage& image);
