#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <limits>

// The whole file, or "Impossible d'ouvrir le fichier <path>" when it cannot be
// opened or read (missing, a folder, unreadable, larger than `maxBytes` or
// than 256 MB), the size being checked before anything is read.
QByteArray readWholeFile(const QString& path, qint64 maxBytes = std::numeric_limits<qint64>::max());
// The same into `bytes`, whose room is reused from one file to the next.
void readWholeFileInto(const QString& path, QByteArray& bytes, qint64 maxBytes = std::numeric_limits<qint64>::max());

// Checks a BMP's headers before any pixel is decoded: known compression,
// width > 0, height != 0, a size cap, and pixel rows inside the file. Returns
// an empty text when it is sound, else why not.
QString bmpHeaderProblem(const QByteArray& bytes);

// Decodes a BMP held in memory; throws "Image bitmap incorrecte". An empty
// buffer gives a null image and no error.
QImage decodeBmp(const QByteArray& bytes);

// Reads a BMP file: "Impossible d'ouvrir le fichier <path>" or "Image bitmap
// incorrecte". A 0-byte file is an empty picture, no error.
QImage readBmpFile(const QString& path);

// Writes the picture as a BMP (an empty picture as a 0-byte file).
QByteArray encodeBmp(const QImage& image);
void writeBmpFile(const QImage& image, const QString& path);
