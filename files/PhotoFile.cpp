#include "PhotoFile.h"

#include "BmpFile.h"
#include "core/Groups.h"
#include "core/Overlay.h"
#include "core/OrnivalError.h"

#include <QFile>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr long maxDecoderMemory = 512L << 20;
// A scan's decoding work grows with the blocks it covers, whatever little data
// it holds: the scans of a file may cover its 8 x 8 blocks this many times on
// average, some four more than the ten scans of a common progressive file.
constexpr int maxBlockReads = 10;
// 64 Mpixels: 192 MB of picture, and a progressive file's coefficients within
// the decoder's memory cap.
constexpr qint64 maxPixels = 64LL << 20;
// Our own code for a file whose decoding was stopped for too much work.
constexpr int tooMuchWork = 10000;

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    int code;
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = cinfo->err->msg_code;
    longjmp(err->jump, 1);
}

// Missing or corrupt data is only a warning to the decoder, which then fills
// the rest with grey: for a photo to be counted that is a failure.
void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_ARITH_BAD_CODE:
        errorExit(cinfo);
    default:
        return;
    }
}

qint64 blocksOf(const jpeg_component_info& component)
{
    return qint64(component.width_in_blocks) * component.height_in_blocks;
}

// Owns the decompressor; its destructor runs in the caller's frame, never
// skipped by a jump.
struct Decoder {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    // Blocks of every scan begun so far, against the picture's blocks.
    qint64 blockReads = 0;
    qint64 pictureBlocks = 0;
    int scansCounted = 0;
    bool created = false;
    ~Decoder()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// Called before each step of the decoder's input, so a scan is counted
// before any of its data is decoded.
void progressMonitor(j_common_ptr common)
{
    auto* d = static_cast<Decoder*>(common->client_data);
    const jpeg_decompress_struct& cinfo = d->cinfo;
    if (cinfo.input_scan_number == d->scansCounted)
        return;
    d->scansCounted = cinfo.input_scan_number;
    if (d->pictureBlocks == 0)
        for (int c = 0; c < cinfo.num_components; ++c)
            d->pictureBlocks += blocksOf(cinfo.comp_info[c]);
    for (int c = 0; c < cinfo.comps_in_scan; ++c)
        d->blockReads += blocksOf(*cinfo.cur_comp_info[c]);
    if (d->blockReads > maxBlockReads * d->pictureBlocks) {
        d->err.code = tooMuchWork;
        longjmp(d->err.jump, 1);
    }
}

// Nothing with a destructor lives in these two frames: a jump out of the
// decoder skips them.
bool readHeader(Decoder* d, const unsigned char* data, unsigned long size)
{
    d->cinfo.err = jpeg_std_error(&d->err.pub);
    d->err.pub.error_exit = errorExit;
    d->err.pub.emit_message = emitMessage;
    d->err.code = 0;
    if (setjmp(d->err.jump))
        return false;
    jpeg_create_decompress(&d->cinfo);
    d->created = true;
    d->cinfo.client_data = d;
    d->cinfo.mem->max_memory_to_use = maxDecoderMemory;
    d->progress.progress_monitor = progressMonitor;
    d->cinfo.progress = &d->progress;
    jpeg_mem_src(&d->cinfo, data, size);
    jpeg_read_header(&d->cinfo, TRUE);
    return true;
}

// Runs the decoder up to its first output row. For a multi-scan file this
// reads every scan into the coefficient buffer, under the memory and work caps.
bool startDecompress(Decoder* d)
{
    if (setjmp(d->err.jump))
        return false;
    d->cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d->cinfo);
    return true;
}

OrnivalError jpegError(int code)
{
    if (code == tooMuchWork)
        return OrnivalError(
            QStringLiteral("Photo JPEG incorrecte : ses passes lisent chaque bloc plus de %1 fois en moyenne").arg(maxBlockReads));
    return OrnivalError(QStringLiteral("Erreur JPEG #%1").arg(code));
}

class PhotoTooLarge : public OrnivalError {
public:
    using OrnivalError::OrnivalError;
};

} // namespace

namespace {

// Reads the header, refuses what no caller takes and runs the decoder up to
// its first output row: every scan of a multi-scan file is read within the
// memory and work caps before any picture buffer is made.
void startChecked(Decoder& d, const QByteArray& bytes, const JpegLimits& limits)
{
    if (!readHeader(&d, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size()))
        throw jpegError(d.err.code);
    const int width = int(d.cinfo.image_width);
    const int height = int(d.cinfo.image_height);
    if (width > limits.maxWidth || height > limits.maxHeight)
        throw PhotoTooLarge(QStringLiteral("Photo trop grande : %1 x %2 pixels (%3 x %4 au plus)")
                                .arg(width).arg(height).arg(limits.maxWidth).arg(limits.maxHeight));
    // Whatever a caller allows, a picture past this never gets a buffer.
    if (qint64(width) * height > maxPixels)
        throw PhotoTooLarge(QStringLiteral("Photo trop grande : %1 x %2 pixels (%3 pixels au plus)")
                                .arg(width).arg(height).arg(maxPixels));
    // Four components are CMYK, or YCCK, its JPEG form.
    if (d.cinfo.num_components == 4)
        throw OrnivalError(QStringLiteral("Photo JPEG en couleurs CMJN : non prise en charge"));
    if (!startDecompress(&d))
        throw jpegError(d.err.code);
    if (d.cinfo.output_components != 3 || int(d.cinfo.output_width) != width
        || int(d.cinfo.output_height) != height)
        throw jpegError(JERR_CONVERSION_NOTIMPL);
}

// Decodes the next rows into `band`, as many as it has room for or the
// photo has left; the last row read finishes the decode. The whole photo is
// one band.
bool decodeRows(Decoder* d, unsigned char* band, long stride, int rows)
{
    if (setjmp(d->err.jump))
        return false;
    const int first = int(d->cinfo.output_scanline);
    while (int(d->cinfo.output_scanline) - first < rows) {
        JSAMPROW row = band + long(int(d->cinfo.output_scanline) - first) * stride;
        jpeg_read_scanlines(&d->cinfo, &row, 1);
    }
    if (d->cinfo.output_scanline == d->cinfo.output_height)
        jpeg_finish_decompress(&d->cinfo);
    return true;
}

// Rows decoded at a time by the row reader: a band of an 8000-pixel-wide
// photo stays in the processor's cache until it is used.
constexpr int bandRows = 16;

} // namespace

void decodeJpegInto(const QByteArray& bytes, const JpegLimits& limits, QImage& photo)
{
    Decoder d;
    startChecked(d, bytes, limits);
    const int width = int(d.cinfo.output_width);
    const int height = int(d.cinfo.output_height);
    // Only now, with every scan read within the caps, is the picture allocated.
    if (photo.width() != width || photo.height() != height || photo.format() != QImage::Format_BGR888
        || !photo.isDetached()) {
        photo = QImage();
        photo = QImage(width, height, QImage::Format_BGR888);
    }
    if (photo.isNull())
        throw PhotoTooLarge(QStringLiteral("Photo trop grande : %1 x %2 pixels").arg(width).arg(height));
    if (!decodeRows(&d, photo.bits(), long(photo.bytesPerLine()), height))
        throw jpegError(d.err.code);
}

struct JpegRowReader::State {
    Decoder decoder;
    std::vector<std::uint8_t> band;
    // Photo rows [bandFirst, bandFirst + bandCount) are in the band.
    int bandFirst = 0;
    int bandCount = 0;
};

JpegRowReader::JpegRowReader(const QByteArray& bytes, const JpegLimits& limits)
    : state_(std::make_unique<State>())
{
    startChecked(state_->decoder, bytes, limits);
    const jpeg_decompress_struct& cinfo = state_->decoder.cinfo;
    width_ = int(cinfo.output_width);
    height_ = int(cinfo.output_height);
    state_->band.resize(std::size_t(width_) * 3 * std::size_t(std::min(bandRows, height_)));
}

JpegRowReader::~JpegRowReader() = default;

const std::uint8_t* JpegRowReader::row(int y)
{
    State& s = *state_;
    const std::size_t stride = std::size_t(width_) * 3;
    if (y < 0 || y >= height_ || y < s.bandFirst)
        throw OrnivalError(QStringLiteral("Ligne %1 de la photo demandée hors de son ordre").arg(y));
    while (y >= s.bandFirst + s.bandCount) {
        const int first = s.bandFirst + s.bandCount;
        const int rows = std::min(bandRows, height_ - first);
        if (!decodeRows(&s.decoder, s.band.data(), long(stride), rows))
            throw jpegError(s.decoder.err.code);
        s.bandFirst = first;
        s.bandCount = rows;
    }
    return s.band.data() + std::size_t(y - s.bandFirst) * stride;
}

QImage decodeJpeg(const QByteArray& bytes, const JpegLimits& limits)
{
    QImage photo;
    decodeJpegInto(bytes, limits, photo);
    return photo;
}

QImage decodeJpegFile(const QString& path, const JpegLimits& limits)
{
    return decodeJpeg(readWholeFile(path), limits);
}

void setPhoto(Document& doc, const QImage& photo)
{
    doc.photoJpeg = photo;
    redrawDisplayedPhoto(doc);
    doc.photoWidth = photo.width();
    doc.photoHeight = photo.height();
    setWorkBitmapFormatAndSize(doc.workBitmap, doc.photoWidth, doc.photoHeight);
}

PhotoLoadOutcome loadPhoto(Document& doc, const QString& path)
{
    doc.photoFileName = path;
    QImage photo;
    try {
        photo = decodeJpegFile(path, windowPhotoLimits);
    } catch (const PhotoTooLarge& error) {
        return {error.text()};
    } catch (const OrnivalError&) {
        return {QStringLiteral("Mauvais Format")};
    }
    setPhoto(doc, photo);
    std::fill(doc.movedGroups.begin(), doc.movedGroups.end(), 0);
    ForgetPhotoGroups(doc);
    doc.workflowStep = 1;
    MoveStepArrow(doc, 2);
    return {};
}

void loadDefaultPhoto(Document& doc)
{
    doc.photoFileName = QStringLiteral("vol de cigognes.jpg");
    QImage photo;
    if (QFile::exists(doc.photoFileName))
        photo = decodeJpegFile(doc.photoFileName, windowPhotoLimits);
    setPhoto(doc, photo);
}
