// Makes the bad-input corpus of the file readers, the same bytes on every run:
// photos (jpeg/), bitmaps (bmp/) and sample-set texts (ini/), each listed in
// manifest.tsv with the outcome it must have. The files tests loop over the
// manifest; the fuzzers start from these files.
//
// Manifest lines, tab-separated: folder, file name, outcome.
//   jpeg: "ok W H", "grey W H" (every pixel R = G = B), or "error <message>"
//   bmp:  "ok W H", "ok W H X Y RRGGBB" (one pixel's colour), "empty",
//         or "error <message>" and, in a fourth field, what the header check
//         says of it
//   ini:  "samples R,G,B R,G,B R,G,B R,G,B R,G,B R,G,B lines N"
#include "JpegMaking.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

struct Entry {
    QString folder;
    QString name;
    QByteArray bytes;
    QString outcome;
};

std::vector<Entry> corpus;

void add(const char* folder, const char* name, const QByteArray& bytes, const QString& outcome)
{
    corpus.push_back({QString::fromLatin1(folder), QString::fromUtf8(name), bytes, outcome});
}

QString jpegError(int code)
{
    return QStringLiteral("error Erreur JPEG #%1").arg(code);
}

// A refused bitmap, with the reason the header check gives (none when the
// headers are sound and the pixels are not).
QString badBitmap(const char* why = "")
{
    return QStringLiteral("error Image bitmap incorrecte\t%1").arg(QLatin1String(why));
}

// ---- JPEG ----------------------------------------------------------------

enum class Kind {
    Baseline,
    Progressive,
    Arithmetic,
    ArithmeticProgressive,
    Restarts,
    ProgressiveRestarts,
    ArithmeticRestarts,
    Greyscale,
    Cmyk,
    Ycck,
    ManyScans,
};

// A sound script for a 4:2:0 picture: the DC of every component, the luma's
// first coefficients one scan each, then each chroma component whole, the
// first one in two scans when asked. Each scan reads every block of its
// components.
std::vector<jpeg_scan_info> blockReadScript(int lumaBands, bool extraChroma)
{
    std::vector<jpeg_scan_info> scans{scanOf({0, 1, 2}, 0, 0, 0, 0)};
    for (int k = 1; k <= lumaBands; ++k)
        scans.push_back(scanOf({0}, k, k, 0, 0));
    scans.push_back(scanOf({1}, 1, 63, 0, extraChroma ? 1 : 0));
    if (extraChroma)
        scans.push_back(scanOf({1}, 1, 63, 1, 0));
    scans.push_back(scanOf({2}, 1, 63, 0, 0));
    return scans;
}

std::vector<jpeg_scan_info> manyScanScript()
{
    // Every coefficient of every component in its own band, then refined bit
    // by bit: a sound script of 2112 scans.
    std::vector<jpeg_scan_info> scans;
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 64; ++k)
            for (int a = 11; a > 0; --a) {
                jpeg_scan_info s{};
                s.comps_in_scan = 1;
                s.component_index[0] = c;
                s.Ss = s.Se = k;
                s.Ah = a == 11 ? 0 : a;
                s.Al = a - 1;
                scans.push_back(s);
            }
    return scans;
}

QByteArray makeJpeg(int width, int height, Kind kind = Kind::Baseline, std::vector<jpeg_scan_info> script = {})
{
    const bool four = kind == Kind::Cmyk || kind == Kind::Ycck;
    const int components = kind == Kind::Greyscale ? 1 : four ? 4 : 3;
    auto setUp = [&](jpeg_compress_struct& cinfo) {
        if (kind == Kind::Ycck)
            jpeg_set_colorspace(&cinfo, JCS_YCCK);
        if (kind == Kind::Progressive || kind == Kind::ArithmeticProgressive || kind == Kind::ProgressiveRestarts)
            jpeg_simple_progression(&cinfo);
        if (kind == Kind::Arithmetic || kind == Kind::ArithmeticProgressive || kind == Kind::ArithmeticRestarts)
            cinfo.arith_code = TRUE;
        if (kind == Kind::Restarts || kind == Kind::ProgressiveRestarts || kind == Kind::ArithmeticRestarts)
            cinfo.restart_interval = 3;
        if (kind == Kind::ManyScans)
            script = manyScanScript();
        if (!script.empty()) {
            cinfo.scan_info = script.data();
            cinfo.num_scans = int(script.size());
        }
    };
    auto fill = [&](int y, unsigned char* row) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c) {
                const bool dark = x > width / 3 && x < width / 2 && y > height / 3 && y < height / 2;
                row[std::size_t(x * components + c)] = dark ? 20 : (unsigned char)((x * 255 / width + c * 40 + y) & 0xFF);
            }
    };
    return compressJpeg(width, height, components, kind == Kind::Greyscale ? JCS_GRAYSCALE : four ? JCS_CMYK : JCS_RGB,
                        setUp, fill);
}

qsizetype frameHeader(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 1 < jpeg.size(); ++i) {
        const uchar m = uchar(jpeg[i + 1]);
        if (uchar(jpeg[i]) == 0xFF && (m & 0xF0) == 0xC0 && m != 0xC4 && m != 0xC8 && m != 0xCC)
            return i + 4;
    }
    return -1;
}

QByteArray withDeclaredSize(QByteArray jpeg, int width, int height)
{
    const qsizetype f = frameHeader(jpeg);
    jpeg[f + 1] = char(height >> 8);
    jpeg[f + 2] = char(height & 0xFF);
    jpeg[f + 3] = char(width >> 8);
    jpeg[f + 4] = char(width & 0xFF);
    return jpeg;
}

qsizetype startOfScan(const QByteArray& jpeg)
{
    return jpeg.indexOf(QByteArray("\xFF\xDA", 2));
}

void makeJpegCorpus()
{
    const QByteArray good = makeJpeg(64, 48);
    const QByteArray progressive = makeJpeg(64, 48, Kind::Progressive);
    const qsizetype sos = startOfScan(good);

    add("jpeg", "baseline.jpg", good, "ok 64 48");
    add("jpeg", "progressive.jpg", progressive, "ok 64 48");
    add("jpeg", "arithmetic.jpg", makeJpeg(64, 48, Kind::Arithmetic), "ok 64 48");
    add("jpeg", "arithmetic progressive.jpg", makeJpeg(64, 48, Kind::ArithmeticProgressive), "ok 64 48");
    add("jpeg", "restart markers.jpg", makeJpeg(64, 48, Kind::Restarts), "ok 64 48");
    add("jpeg", "progressive restart markers.jpg", makeJpeg(64, 48, Kind::ProgressiveRestarts), "ok 64 48");
    add("jpeg", "arithmetic restart markers.jpg", makeJpeg(64, 48, Kind::ArithmeticRestarts), "ok 64 48");
    add("jpeg", "greyscale.jpg", makeJpeg(64, 48, Kind::Greyscale), "grey 64 48");
    add("jpeg", "largest 800x600.jpg", makeJpeg(800, 600), "ok 800 600");
    add("jpeg", "one pixel.jpg", makeJpeg(1, 1), "ok 1 1");
    add("jpeg", "vol d'étourneaux.jpg", makeJpeg(30, 20), "ok 30 20");
    // Stray bytes before a marker are only a warning the decoder recovers from.
    add("jpeg", "extraneous bytes.jpg", good.left(sos) + QByteArray("\x12\x34\x56", 3) + good.mid(sos), "ok 64 48");

    add("jpeg", "empty.jpg", QByteArray(), jpegError(JERR_INPUT_EMPTY));
    add("jpeg", "not a jpeg.jpg", QByteArray("BM this is no photo at all"), jpegError(JERR_NO_SOI));
    add("jpeg", "only the start marker.jpg", good.left(2), jpegError(JWRN_JPEG_EOF));
    add("jpeg", "cut in the tables.jpg", good.left(sos - 20), jpegError(JWRN_JPEG_EOF));
    add("jpeg", "cut in the scan header.jpg", good.left(sos + 6), jpegError(JWRN_JPEG_EOF));
    add("jpeg", "cut after the scan header.jpg", good.left(sos + 30), jpegError(JWRN_JPEG_EOF));
    add("jpeg", "cut near the end.jpg", good.left(good.size() - 20), jpegError(JWRN_JPEG_EOF));
    add("jpeg", "no end marker.jpg", good.left(good.size() - 2), jpegError(JWRN_JPEG_EOF));
    add("jpeg", "progressive cut between scans.jpg",
        progressive.left(progressive.lastIndexOf(QByteArray("\xFF\xDA", 2))), jpegError(JWRN_JPEG_EOF));
    {
        // A marker in the middle of the entropy-coded data.
        QByteArray b = good;
        b[sos + 60] = char(0xFF);
        b[sos + 61] = char(0xD0);
        add("jpeg", "restart marker inside the data.jpg", b, jpegError(JWRN_HIT_MARKER));
    }
    {
        QByteArray b = good;
        for (qsizetype i = sos + 40; i < b.size() - 10; i += 7)
            b[i] = char(0xFF);
        add("jpeg", "corrupt data.jpg", b, jpegError(JWRN_HIT_MARKER));
    }
    {
        QByteArray b = good;
        b[frameHeader(b)] = 12;
        add("jpeg", "12-bit.jpg", b, jpegError(JERR_BAD_PRECISION));
    }
    const QString cmyk = QStringLiteral("error Photo JPEG en couleurs CMJN : non prise en charge");
    add("jpeg", "cmyk.jpg", makeJpeg(16, 16, Kind::Cmyk), cmyk);
    add("jpeg", "ycck.jpg", makeJpeg(16, 16, Kind::Ycck), cmyk);
    add("jpeg", "declares 801x600.jpg", withDeclaredSize(good, 801, 600),
        "error Photo trop grande : 801 x 600 pixels (800 x 600 au plus)");
    add("jpeg", "declares 800x601.jpg", withDeclaredSize(good, 800, 601),
        "error Photo trop grande : 800 x 601 pixels (800 x 600 au plus)");
    add("jpeg", "declares 65500x65500.jpg", withDeclaredSize(makeJpeg(16, 16, Kind::Progressive), 65500, 65500),
        "error Photo trop grande : 65500 x 65500 pixels (800 x 600 au plus)");
    add("jpeg", "declares 0 wide.jpg", withDeclaredSize(good, 0, 48), jpegError(JERR_EMPTY_IMAGE));
    add("jpeg", "declares more rows than it holds.jpg", withDeclaredSize(good, 64, 480), jpegError(JWRN_HIT_MARKER));
    {
        // The last scan of a progressive file repeated thousands of times.
        const QByteArray small = makeJpeg(16, 16, Kind::Progressive);
        const qsizetype last = small.lastIndexOf(QByteArray("\xFF\xDA", 2));
        const QByteArray scan = small.mid(last, small.size() - 2 - last);
        QByteArray b = small.left(small.size() - 2);
        for (int i = 0; i < 3000; ++i)
            b += scan;
        add("jpeg", "one scan repeated.jpg", b + QByteArray("\xFF\xD9", 2), jpegError(JWRN_BOGUS_PROGRESSION));
    }
    // The scans' blocks against ten times the picture's: 64 x 48 pixels are
    // 48 luma and twice 12 chroma blocks, 720 block reads allowed. Sound
    // scans that read little data each, arithmetic-coded as the slowest are.
    const QString tooMuchWork = QStringLiteral("error Photo JPEG incorrecte : ses passes lisent chaque bloc plus de 10 fois en moyenne");
    add("jpeg", "scans reading each block 10 times.jpg", makeJpeg(64, 48, Kind::Arithmetic, blockReadScript(13, false)),
        "ok 64 48");
    add("jpeg", "scans reading 12 blocks more.jpg",
        makeJpeg(64, 48, Kind::Arithmetic, blockReadScript(13, true)), tooMuchWork);
    add("jpeg", "scans reading each block 10 times, huffman coded.jpg",
        makeJpeg(64, 48, Kind::Progressive, blockReadScript(13, false)), "ok 64 48");
    add("jpeg", "thousands of sound scans.jpg", makeJpeg(16, 16, Kind::ManyScans), tooMuchWork);
}

// ---- BMP -----------------------------------------------------------------

void put32(QByteArray& b, int at, quint32 v)
{
    qToLittleEndian<quint32>(v, b.data() + at);
}

void put16(QByteArray& b, int at, quint16 v)
{
    qToLittleEndian<quint16>(v, b.data() + at);
}

QByteArray written(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "bmp").write(image);
    return bytes;
}

QString hex(QRgb c)
{
    return QStringLiteral("%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

// A bare BMP: file header, 40-byte info header, palette, then the given rows.
QByteArray bareBmp(int width, int height, int bits, quint32 compression, const QList<QRgb>& palette,
                   const QByteArray& pixels, int colorsUsed = -1)
{
    QByteArray b(14 + 40, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 14, 40);
    put32(b, 18, quint32(width));
    put32(b, 22, quint32(height));
    put16(b, 26, 1);
    put16(b, 28, quint16(bits));
    put32(b, 30, compression);
    put32(b, 46, quint32(colorsUsed < 0 ? palette.size() : colorsUsed));
    for (QRgb c : palette) {
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        b.append('\0');
    }
    put32(b, 10, quint32(b.size()));
    b += pixels;
    put32(b, 2, quint32(b.size()));
    return b;
}

QList<QRgb> greys(int n)
{
    QList<QRgb> table;
    for (int i = 0; i < n; ++i)
        table.append(qRgb(i * 255 / std::max(n - 1, 1), i * 255 / std::max(n - 1, 1), i * 255 / std::max(n - 1, 1)));
    return table;
}

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

void makeBmpCorpus()
{
    QImage colours(13, 7, QImage::Format_RGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            colours.setPixel(x, y, qRgb(x * 19, y * 36, 99));
    const QImage mono = colours.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    QImage four = colours.convertToFormat(QImage::Format_Indexed8, QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0)}, Qt::ThresholdDither);
    const QImage eight = colours.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    const QImage rgb24 = colours.convertToFormat(QImage::Format_RGB888);

    auto okAt = [](const QImage& image, int x, int y) {
        return QStringLiteral("ok %1 %2 %3 %4 %5").arg(image.width()).arg(image.height()).arg(x).arg(y).arg(hex(image.pixel(x, y)));
    };
    add("bmp", "1-bit.bmp", written(mono), okAt(mono, 3, 2));
    add("bmp", "4-bit.bmp", written(four), okAt(four, 3, 2));
    add("bmp", "8-bit.bmp", written(eight), okAt(eight, 3, 2));
    add("bmp", "24-bit.bmp", written(rgb24), okAt(rgb24, 3, 2));
    add("bmp", "32-bit.bmp", written(colours), okAt(colours, 3, 2));
    {
        // 16 bits, 5-5-5: one row of two pixels, full red then full blue. Qt
        // widens a channel by shifting it, so 5 bits of ones read as 248.
        add("bmp", "16-bit.bmp", bareBmp(2, 1, 16, 0, {}, bytesOf({0x00, 0x7C, 0x1F, 0x00})), "ok 2 1 0 0 F80000");
        // 16 bits with masks, 5-6-5: full green, 6 bits of ones read as 252.
        QByteArray b = bareBmp(1, 1, 16, 3, {}, bytesOf({0, 0, 0xE0, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0xE0, 0x07, 0, 0}));
        put32(b, 54, 0xF800);
        put32(b, 58, 0x07E0);
        put32(b, 62, 0x001F);
        put32(b, 10, 54 + 12);
        add("bmp", "16-bit 565 masks.bmp", b, "ok 1 1 0 0 00FC00");
    }
    {
        QByteArray b = written(rgb24);
        put32(b, 22, quint32(-7));
        // The first stored row, the bottom one of the bottom-up file, is now the top.
        add("bmp", "top-down rows.bmp", b, QStringLiteral("ok 13 7 3 4 %1").arg(hex(rgb24.pixel(3, 2))));
    }
    add("bmp", "empty.bmp", QByteArray(), "empty");

    // Run-length encoded, 4 x 3 pixels, rows stored bottom first.
    const QList<QRgb> rlePalette = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 0, 255)};
    add("bmp", "rle8.bmp",
        bareBmp(4, 3, 8, 1, rlePalette, bytesOf({4, 1, 0, 0, 4, 2, 0, 0, 0, 4, 3, 1, 2, 1, 0, 0, 0, 1})),
        "ok 4 3 0 0 0000FF");
    add("bmp", "rle4.bmp", bareBmp(4, 3, 4, 2, rlePalette, bytesOf({4, 0x12, 0, 0, 4, 0x22, 0, 0, 4, 0x33, 0, 1})),
        "ok 4 3 1 2 FF0000");
    // A delta and an early end of bitmap leave pixels out: they read as entry 0.
    add("bmp", "rle8 with gaps.bmp", bareBmp(4, 3, 8, 1, rlePalette, bytesOf({1, 1, 0, 2, 2, 1, 1, 2, 0, 1})),
        "ok 4 3 3 0 000000");
    add("bmp", "rle8 delta past the last row.bmp", bareBmp(4, 3, 8, 1, rlePalette, bytesOf({1, 1, 0, 2, 0, 5})),
        "ok 4 3 0 2 FFFFFF");
    add("bmp", "rle4 absolute run.bmp",
        bareBmp(4, 3, 4, 2, rlePalette, bytesOf({0, 4, 0x12, 0x30, 0, 0, 4, 0x22, 0, 1})), "ok 4 3 0 1 FF0000");
    add("bmp", "rle8 delta.bmp", bareBmp(4, 3, 8, 1, rlePalette, bytesOf({1, 1, 0, 2, 1, 1, 2, 3, 0, 1})),
        "ok 4 3 2 1 0000FF");
    add("bmp", "rle8 run past the row.bmp", bareBmp(4, 3, 8, 1, rlePalette, bytesOf({200, 2, 0, 1})),
        "ok 4 3 3 2 FF0000");
    add("bmp", "rle8 run past the row leaves the next row.bmp", bareBmp(4, 3, 8, 1, rlePalette, bytesOf({200, 2, 0, 1})),
        "ok 4 3 0 1 000000");
    add("bmp", "rle8 stream cut.bmp", bareBmp(4, 3, 8, 1, rlePalette, bytesOf({4, 1, 0, 0, 4})), badBitmap());
    add("bmp", "rle8 absolute run cut.bmp", bareBmp(4, 3, 8, 1, rlePalette, bytesOf({0, 4, 1, 2})), badBitmap());
    add("bmp", "rle8 top-down.bmp", bareBmp(4, -3, 8, 1, rlePalette, bytesOf({0, 1})), badBitmap("bad compression"));

    const QByteArray base = written(rgb24);
    auto with = [&](auto change) {
        QByteArray b = base;
        change(b);
        return b;
    };
    add("bmp", "headers cut.bmp", base.left(30), badBitmap("headers cut short"));
    add("bmp", "info header cut.bmp", base.left(40), badBitmap("headers cut short"));
    add("bmp", "rows cut.bmp", base.left(base.size() - 10), badBitmap("pixel rows cut short"));
    add("bmp", "one byte short.bmp", base.left(base.size() - 1), badBitmap("pixel rows cut short"));
    add("bmp", "offset past the end.bmp", with([](QByteArray& b) { put32(b, 10, 1 << 20); }), badBitmap("pixel offset past the end"));
    add("bmp", "offset inside the headers.bmp", with([](QByteArray& b) { put32(b, 10, 20); }), badBitmap("pixel offset inside the headers"));
    add("bmp", "zero width.bmp", with([](QByteArray& b) { put32(b, 18, 0); }), badBitmap("bad size"));
    add("bmp", "negative width.bmp", with([](QByteArray& b) { put32(b, 18, quint32(-13)); }), badBitmap("bad size"));
    add("bmp", "zero height.bmp", with([](QByteArray& b) { put32(b, 22, 0); }), badBitmap("bad size"));
    add("bmp", "huge size.bmp", with([](QByteArray& b) { put32(b, 18, 100000); put32(b, 22, 100000); }), badBitmap("too large"));
    add("bmp", "most negative height.bmp", with([](QByteArray& b) { put32(b, 22, 0x80000000u); }), badBitmap("too large"));
    add("bmp", "bit depth 7.bmp", with([](QByteArray& b) { put16(b, 28, 7); }), badBitmap("bad bit depth"));
    add("bmp", "bit depth 0.bmp", with([](QByteArray& b) { put16(b, 28, 0); }), badBitmap("bad bit depth"));
    add("bmp", "compression 9.bmp", with([](QByteArray& b) { put32(b, 30, 9); }), badBitmap("bad compression"));
    add("bmp", "jpeg compression.bmp", with([](QByteArray& b) { put32(b, 30, 4); }), badBitmap("bad compression"));
    add("bmp", "rle on 24 bits.bmp", with([](QByteArray& b) { put32(b, 30, 1); }), badBitmap("bad compression"));
    add("bmp", "unknown header size.bmp", with([](QByteArray& b) { put32(b, 14, 77); }), badBitmap("unknown header size"));
    add("bmp", "not BM.bmp", with([](QByteArray& b) { b[0] = 'X'; }), badBitmap("not a BMP"));
    add("bmp", "a jpeg named bmp.bmp", makeJpeg(13, 7), badBitmap("not a BMP"));
    add("bmp", "text.bmp", QByteArray("hello"), badBitmap("headers cut short"));
    // Each side of the header checks' limits.
    add("bmp", "not BM at its second byte.bmp", with([](QByteArray& b) { b[1] = 'X'; }), badBitmap("not a BMP"));
    add("bmp", "info header one byte short.bmp", base.left(53), badBitmap("headers cut short"));
    add("bmp", "headers only.bmp", base.left(54), badBitmap("pixel rows cut short"));
    add("bmp", "declares 64 megapixels.bmp", with([](QByteArray& b) { put32(b, 18, 8192); put32(b, 22, 8192); }),
        badBitmap("pixel rows cut short"));
    add("bmp", "declares 64 megapixels and a column.bmp", with([](QByteArray& b) { put32(b, 18, 8193); put32(b, 22, 8192); }),
        badBitmap("too large"));
    add("bmp", "masks on 24 bits.bmp", with([](QByteArray& b) { put32(b, 30, 3); }), badBitmap("bad compression"));
    add("bmp", "rle4 on 8 bits.bmp", bareBmp(4, 3, 8, 2, rlePalette, bytesOf({0, 1})), badBitmap("bad compression"));
    add("bmp", "rle8 without a stream.bmp", bareBmp(4, 3, 8, 1, rlePalette, QByteArray()), badBitmap());
    add("bmp", "257 colours.bmp", bareBmp(4, 1, 8, 0, greys(256), bytesOf({1, 2, 3, 4}), 257), badBitmap("too many colours"));
    {
        const QByteArray sound = bareBmp(4, 1, 8, 0, greys(4), bytesOf({0, 1, 2, 3}));
        add("bmp", "4 greys.bmp", sound, "ok 4 1 3 0 FFFFFF");
        QByteArray early = sound;
        put32(early, 10, 14 + 40 + 4 * 4 - 1);
        add("bmp", "offset one byte inside the palette.bmp", early, badBitmap("pixel offset inside the headers"));
    }
    {
        // 32 bits with masks after a 40-byte header: red, green, blue, then one pixel.
        QByteArray b = bareBmp(1, 1, 32, 3, {}, bytesOf({0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0x56, 0x34, 0x12, 0}));
        put32(b, 10, 14 + 40 + 12);
        add("bmp", "32-bit masks.bmp", b, "ok 1 1 0 0 123456");
        put32(b, 10, 14 + 40 + 11);
        add("bmp", "32-bit masks, offset inside the masks.bmp", b, badBitmap("pixel offset inside the headers"));
    }
    {
        // The OS/2 header of 12 bytes: 16-bit sizes and 3-byte palette entries; 2 x 1 pixels of 1 bit.
        QByteArray b(14 + 12, '\0');
        b[0] = 'B';
        b[1] = 'M';
        put32(b, 10, 14 + 12 + 6);
        put32(b, 14, 12);
        put16(b, 18, 2);
        put16(b, 20, 1);
        put16(b, 22, 1);
        put16(b, 24, 1);
        add("bmp", "os2 headers only.bmp", b, badBitmap("pixel offset past the end"));
        b += bytesOf({0, 0, 0, 0xFF, 0xFF, 0xFF, 0x40, 0, 0, 0});
        add("bmp", "os2 1-bit.bmp", b, "ok 2 1 1 0 FFFFFF");
    }
    for (const int infoSize : {108, 124}) {
        // The longer headers of later versions, their fields past the first 40 bytes left at 0.
        QByteArray b = base;
        b.insert(14 + 40, QByteArray(infoSize - 40, '\0'));
        put32(b, 10, 14 + quint32(infoSize));
        put32(b, 14, quint32(infoSize));
        add("bmp", infoSize == 108 ? "version 4 header.bmp" : "version 5 header.bmp", b,
            QStringLiteral("ok 13 7 3 2 %1").arg(hex(rgb24.pixel(3, 2))));
    }
    {
        // 8 bits, 100 colours declared, pixels naming entry 150.
        add("bmp", "palette index past the table.bmp",
            bareBmp(4, 1, 8, 0, greys(100), bytesOf({150, 150, 150, 150})), badBitmap());
        add("bmp", "palette index one past the table.bmp", bareBmp(4, 1, 8, 0, greys(100), bytesOf({100, 0, 0, 0})),
            badBitmap());
        add("bmp", "last palette index.bmp", bareBmp(4, 1, 8, 0, greys(100), bytesOf({99, 0, 0, 0})), "ok 4 1 0 0 FFFFFF");
        // Its first pixel names entry 1: the leftmost pixel is the byte's highest bit.
        add("bmp", "1-bit index past a 1-colour table.bmp",
            bareBmp(4, 1, 1, 0, {qRgb(0, 0, 0)}, bytesOf({0x80, 0, 0, 0})), badBitmap());
        add("bmp", "1-colour table all index 0.bmp", bareBmp(8, 1, 1, 0, {qRgb(9, 8, 7)}, bytesOf({0, 0, 0, 0})),
            "ok 8 1 5 0 090807");
        add("bmp", "too many colours.bmp", bareBmp(4, 1, 8, 0, greys(256), bytesOf({1, 2, 3, 4}), 1000), badBitmap("too many colours"));
        add("bmp", "palette cut.bmp", bareBmp(4, 1, 8, 0, greys(256), QByteArray()).left(300), badBitmap("pixel offset past the end"));
    }
}

// ---- Sample-set text -----------------------------------------------------

const QByteArray header = "[blocs de couleurs : pixo[0],pixo[1],pixo[2],pixno[0],pixno[1],pixo[2] ]";
const QByteArray body[6] = {"12,200,7", "0,0,0", "255,255,255", "1,2,3", "40,50,60", "7,8,9"};
const QString canonicalSamples = "samples 12,200,7 0,0,0 255,255,255 1,2,3 40,50,60 7,8,9";

QByteArray joined(const QByteArray& first, const QByteArray& end, bool finalEnd = true)
{
    QByteArray b = first;
    for (const QByteArray& line : body)
        b += end + line;
    return finalEnd ? b + end : b;
}

QString samples(const char* six, int lines)
{
    return QStringLiteral("samples %1 lines %2").arg(QString::fromLatin1(six)).arg(lines);
}

void makeIniCorpus()
{
    add("ini", "canonical.ini", joined(header, "\r\n"), canonicalSamples + " lines 7");
    add("ini", "lf.ini", joined(header, "\n"), canonicalSamples + " lines 7");
    add("ini", "cr.ini", joined(header, "\r"), canonicalSamples + " lines 7");
    add("ini", "lf cr.ini", joined(header, "\n\r"), canonicalSamples + " lines 7");
    add("ini", "mixed line ends.ini",
        header + "\r\n" + body[0] + "\n" + body[1] + "\r" + body[2] + "\n\r" + body[3] + "\r\n" + body[4] + "\n" + body[5],
        canonicalSamples + " lines 7");
    add("ini", "no final line end.ini", joined(header, "\r\n", false), canonicalSamples + " lines 7");
    add("ini", "other header.ini", joined("anything at all", "\r\n"), canonicalSamples + " lines 7");
    add("ini", "empty header.ini", joined("", "\r\n"), canonicalSamples + " lines 7");
    add("ini", "bom.ini", joined("\xEF\xBB\xBF" + header, "\r\n"), canonicalSamples + " lines 7");
    {
        QByteArray b = joined(header, "\r\n");
        for (int i = 0; i < 10000; ++i)
            b += "1,1,1\r\n";
        add("ini", "ten thousand lines.ini", b, canonicalSamples + " lines 10007");
    }
    add("ini", "blanks.ini", "h\r\n10, 20, 30\r\n10 ,20 ,30\r\n  5,  6,  7\r\n1 2,3,4\r\n\r\n\r\n",
        samples("10,20,30 10,20,30 5,6,7 1,3,4 0,0,0 0,0,0", 7));
    add("ini", "commas.ini", "h\r\n12,34\r\n77\r\n,,\r\n1,2,3,4\r\n,5\r\n6,\r\n",
        samples("12,0,34 0,0,77 0,0,0 1,2,3 0,0,5 6,0,0", 7));
    add("ini", "out of range.ini", "h\r\n300,-1,256\r\n-1 ,2,3\r\n-0,+7,-255\r\n999999999999,1,2\r\n0,0,0\r\n0,0,0\r\n",
        samples("44,255,0 1,2,3 0,7,1 255,1,2 0,0,0 0,0,0", 7));
    add("ini", "hexadecimal.ini", "h\r\n$ff,x10,0X1f\r\n$,0x,xg\r\n$FFFFFFFFFFFFFFFFFF,0x100,X7f\r\n0,0,0\r\n0,0,0\r\n0,0,0\r\n",
        samples("255,16,31 0,0,0 255,0,127 0,0,0 0,0,0 0,0,0", 7));
    // Each end of the hexadecimal letters, and "0x" with a single digit after it.
    add("ini", "hexadecimal letters.ini", "h\r\n$aA,Xa,0xA\r\n", samples("170,10,10 0,0,0 0,0,0 0,0,0 0,0,0 0,0,0", 2));
    add("ini", "letters.ini", "h\r\n+5,abc,9z\r\nred,green,blue\r\n1e3,2.5,3\r\n0,0,0\r\n0,0,0\r\n0,0,0\r\n",
        samples("5,0,9 0,0,0 1,2,3 0,0,0 0,0,0 0,0,0", 7));
    add("ini", "huge numbers.ini",
        "h\r\n" + QByteArray(5000, '9') + "," + QByteArray(300, '1') + ",100000000000000000000000000000\r\n"
            + QByteArray(30, '0') + "12,3,4\r\n0,0,0\r\n0,0,0\r\n0,0,0\r\n0,0,0\r\n",
        // 10^5000 - 1 modulo 256 is 255. Only 255 characters are kept after the
        // first comma: all ones, no second comma, so green is 0 and blue is
        // 255 ones modulo 256, 199.
        samples("255,0,199 12,3,4 0,0,0 0,0,0 0,0,0 0,0,0", 7));
    add("ini", "long line.ini", "h\r\n1,2," + QByteArray(1 << 20, '7') + "\r\n4,5,6\r\n",
        samples("1,2,113 4,5,6 0,0,0 0,0,0 0,0,0 0,0,0", 3));
    static const char nul[] = "h\0x\r\n1\0002,3,4\r\n5,6,7\0\r\n\0\r\n0,0,0\r\n0,0,0\r\n0,0,0\r\n";
    add("ini", "nul bytes.ini", QByteArray(nul, sizeof nul - 1),
        samples("1,3,4 5,6,7 0,0,0 0,0,0 0,0,0 0,0,0", 7));
    add("ini", "two lines.ini", "h\r\n1,2,3\r\n", samples("1,2,3 0,0,0 0,0,0 0,0,0 0,0,0 0,0,0", 2));
    add("ini", "header only.ini", header, samples("0,0,0 0,0,0 0,0,0 0,0,0 0,0,0 0,0,0", 1));
    add("ini", "empty.ini", QByteArray(), samples("0,0,0 0,0,0 0,0,0 0,0,0 0,0,0 0,0,0", 0));
    add("ini", "blank lines.ini", "\r\n\r\n\r\n", samples("0,0,0 0,0,0 0,0,0 0,0,0 0,0,0 0,0,0", 3));
    {
        // Bytes that are no text; their lines give what Number makes of them.
        QByteArray b(4096, '\0');
        for (qsizetype i = 0; i < b.size(); ++i)
            b[i] = char(((i * 7919) >> 3) & 0xFF);
        add("ini", "binary.ini", b, "any");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus OUTPUT_FOLDER\n");
        return 2;
    }
    makeJpegCorpus();
    makeBmpCorpus();
    makeIniCorpus();
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QByteArray manifest;
    for (const Entry& e : corpus) {
        if (!out.mkpath(e.folder)) {
            std::fprintf(stderr, "make_corpus: cannot make %s\n", qPrintable(out.filePath(e.folder)));
            return 1;
        }
        QFile file(out.filePath(e.folder + "/" + e.name));
        if (!file.open(QIODevice::WriteOnly) || file.write(e.bytes) != e.bytes.size() || !file.flush()) {
            std::fprintf(stderr, "make_corpus: cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        manifest += (e.folder + "\t" + e.name + "\t" + e.outcome + "\n").toUtf8();
    }
    QFile file(out.filePath("manifest.tsv"));
    if (!file.open(QIODevice::WriteOnly) || file.write(manifest) != manifest.size() || !file.flush()) {
        std::fprintf(stderr, "make_corpus: cannot write the manifest\n");
        return 1;
    }
    return 0;
}
