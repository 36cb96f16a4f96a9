#pragma once

#include "core/Document.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// The largest photo a caller accepts; the header is checked against it before
// any pixel is decoded. Whatever the limits, a photo of more than 64 Mpixels
// (the decoder's pixel cap) is refused.
struct JpegLimits {
    int maxWidth = 800;
    int maxHeight = 600;
};

// The window's limits: any photo within the pixel cap.
constexpr JpegLimits windowPhotoLimits{65535, 65535};

// Decodes a JPG file at full size with the decoder's default settings into a
// 24-bit picture (Format_BGR888; a greyscale file gives equal bytes). Throws
// OrnivalError: "Impossible d'ouvrir le fichier %s", "Erreur JPEG #%d" with the
// decoder's error number, or a text naming the size of a too-large photo.
QImage decodeJpegFile(const QString& path, const JpegLimits& limits = {});
QImage decodeJpeg(const QByteArray& bytes, const JpegLimits& limits = {});
// The same into `photo`, whose buffer is reused when it already has the
// photo's size and format and is not shared (a batch decodes photo after photo
// without fresh memory). On failure `photo` may hold part of a picture.
void decodeJpegInto(const QByteArray& bytes, const JpegLimits& limits, QImage& photo);

// The same decode a band of rows at a time, for a reader that uses each row
// once and needs no whole photo in memory (the batch counter's count). The
// file is refused at construction as decodeJpegInto refuses it, with the same
// messages; damaged data met in a row throws as there. `bytes` must outlive
// the reader.
class JpegRowReader {
public:
    JpegRowReader(const QByteArray& bytes, const JpegLimits& limits);
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader&) = delete;
    JpegRowReader& operator=(const JpegRowReader&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    // Row y, width() pixels of blue, green, red bytes, valid until the next
    // call. Rows come from the top down: a row above the last one given is
    // refused.
    const std::uint8_t* row(int y);

private:
    struct State;
    std::unique_ptr<State> state_;
    int width_ = 0;
    int height_ = 0;
};

struct PhotoLoadOutcome {
    // The plain message to show when the load failed.
    std::optional<QString> failureMessage;
};

// The photo load of "Charger un fichier jpg" once a file is chosen, of a photo
// of any size within the pixel cap: the name is kept whatever happens; on
// failure nothing else changes ("Mauvais Format", or the too-large text); on success the photo, its display and size, the working
// bitmap, the moved marks, the workflow step (1) and the arrow (point 2) follow,
// and the previous photo's groups no longer act. The caller then puts "auto"
// into the threshold field.
PhotoLoadOutcome loadPhoto(Document& doc, const QString& path);

// The start-up load of "vol de cigognes.jpg" from the current folder, within
// the same limits: a missing file is no error (empty photo); a damaged or too
// large one throws.
void loadDefaultPhoto(Document& doc);

// Puts a decoded photo into the document: photo, display, size, working bitmap.
void setPhoto(Document& doc, const QImage& photo);
