#pragma once

#include "core/Document.h"

#include <QString>
#include <QStringList>

// The sample-colour set: a text file of seven lines (a header, then the three
// bird and the three sky samples as "red,green,blue") and a BMP of the strip.
struct SampleSetNames {
    QString text;
    QString picture;
};
const SampleSetNames& userSampleSet();     // "ornival.ini", "blocs_couleurs.bmp"
const SampleSetNames& factorySampleSet();  // "ornival0.ini", "blocs_couleurs0.bmp"

// The header line written at the top of every sample-set text file.
QString sampleSetHeader();

QString TripleToText(const ColorTriple& color);
// Reads "red,green,blue" the lenient way: never fails, anything gives a colour.
ColorTriple TextToTriple(const QString& line);
// An integer read up to its first bad character, 0 when there is no digit:
// blanks skipped, a sign, or "$", "x", "0x" for hexadecimal.
std::int64_t Number(const QString& text);

// Lines of 8-bit text ended by CR LF, CR, LF or LF CR.
QStringList splitLines(const QByteArray& bytes);

// A sample-set text file holds seven short lines: a file beyond this size is
// refused before it is read, as one that cannot be opened, since every byte
// read costs many more in the lines of the log.
constexpr qint64 maxSampleSetFileBytes = 64 * 1024;
// The bytes of a sample-set text file; "Impossible d'ouvrir le fichier %s"
// when it is missing, unreadable or larger than the limit above.
QByteArray readSampleSetBytes(const QString& path);

// Writes "ornival.ini" (the log is replaced by its lines) and then
// "blocs_couleurs.bmp". Throws "Impossible de créer le fichier %s".
void SaveSampleSet(Document& doc);
// Reads the user's or the factory set: the log becomes the text file's lines,
// the six samples are replaced, then the strip's picture. Throws "Impossible
// d'ouvrir le fichier %s" or "Image bitmap incorrecte" at the point it fails.
void LoadSampleSet(Document& doc);
void LoadFactorySampleSet(Document& doc);
void loadSampleSetFiles(Document& doc, const SampleSetNames& names);
// The text part of a load, on the file's bytes: the log becomes their lines
// and the six samples are replaced.
void readSampleSetText(Document& doc, const QByteArray& bytes);
