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

// Writes through a temporary file that replaces the old one only once every
// byte is written, so a failed write (full disk, read-only folder) leaves the
// old file whole. Throws "Impossible de créer le fichier <path>".
void writeFileSafely(const QString& path, const QByteArray& bytes);
// The same without waiting for the disk: the bytes go to a new temporary file
// beside `path`, which is renamed over it once every byte is written, so a
// stopped program or a full disk never leaves a half-written file under the
// name. Only a power cut before the system writes it back may lose it (see
// syncFileSystemOf). Throws "Impossible de créer le fichier <path>".
void writeFileAtomically(const QString& path, const QByteArray& bytes);
// Waits until everything written to the file system that holds `folder` is on
// the disk; does nothing for a folder that cannot be opened.
void syncFileSystemOf(const QString& folder);

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
