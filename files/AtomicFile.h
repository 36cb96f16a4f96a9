#pragma once

#include <QByteArray>
#include <QString>

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
