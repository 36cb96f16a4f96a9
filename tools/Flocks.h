#pragma once

// The extra shipped flocks: each drawn from a fixed seed into
// OUTDIR/flocks/<name>/ as <name>.jpg, its truth file <name>.txt and the
// sample set a user would take from it (ornival.ini, blocs_couleurs.bmp).

#include "core/Document.h"

#include <QByteArray>
#include <QDir>
#include <QStringList>

// The text of a sample-set file for the document's six samples: the header
// and the three bird and three sky samples, each line ended by CR LF.
QByteArray sampleSetFileText(const Document& doc);

// Writes the bytes to the file at path. False (with a message on the
// standard error) when it cannot be written.
bool saveFile(const QString& path, const QByteArray& bytes);

// The names of the extra flocks, in the order they are made.
QStringList flockNames();

// Makes every extra flock under out/flocks. False (with a message on the
// standard error) when a file cannot be written.
bool makeFlocks(const QDir& out);

// Makes a large flock, not shipped, of width x height pixels in `folder`:
// "grand vol.jpg" with its truth file and sample set, for the window's
// benchmark and for trying the window on a camera-sized photo.
bool makeLargeFlock(const QDir& folder, int width, int height);
