#pragma once

#include <QByteArray>
#include <QImage>

// A PNG file of the picture, lossless, written for speed: the pixels as they
// are (no row filter) in stored deflate blocks, so the file is about the
// picture's raw size and costs little more than a copy to write. Any format is
// written as 8-bit RGB (alpha dropped). Throws OrnivalError "Image PNG
// impossible à écrire" when the encoder fails.
QByteArray encodePngFast(const QImage& image);
