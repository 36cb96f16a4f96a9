#pragma once

#include "BmpFile.h"
#include "core/Document.h"

// The photo's name less its last 4 characters, plus ".bmp".
QString workBitmapFileName(const QString& photoFileName);

// "sauver bmp": writes the working bitmap beside the photo. Throws "Impossible
// de créer le fichier %s"; nothing changes.
void saveWorkBitmap(const Document& doc);

// "charger bmp": reads the working bitmap saved beside the photo, then step 2,
// the group mask rebuilt and the overlay on. On failure nothing changes.
void loadWorkBitmap(Document& doc);
