#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <ostream>

#include <sys/resource.h>
#include <vector>

#include <jpeglib.h>

// Failure messages show texts as texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace filestest {

// Runs a test inside a fresh temporary folder, the program's relative file
// names resolving there.
class InTemporaryFolder {
public:
    InTemporaryFolder() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~InTemporaryFolder() { QDir::setCurrent(previous_); }
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// A full disk for this process: every write past the first `bytes` bytes of
// a file fails (EFBIG), as it does when the disk has no room left.
class DiskFullAfter {
public:
    explicit DiskFullAfter(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~DiskFullAfter()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    DiskFullAfter(const DiskFullAfter&) = delete;
    DiskFullAfter& operator=(const DiskFullAfter&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

enum class JpegKind { Baseline, Progressive, Arithmetic, Greyscale, Cmyk, ManyScans };

// A sound progressive script of over two thousand scans: every coefficient of
// every component in its own band, then refined bit by bit.
inline std::vector<jpeg_scan_info> manyScanScript()
{
    std::vector<jpeg_scan_info> scans;
    auto add = [&](int component, int ss, int ah, int al) {
        jpeg_scan_info s{};
        s.comps_in_scan = 1;
        s.component_index[0] = component;
        s.Ss = ss;
        s.Se = ss;
        s.Ah = ah;
        s.Al = al;
        scans.push_back(s);
    };
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 64; ++k) {
            add(c, k, 0, 10);
            for (int a = 10; a > 0; --a)
                add(c, k, a, a - 1);
        }
    return scans;
}

// A small test picture: a gradient with a dark square, encoded by libjpeg.
inline QByteArray makeJpeg(int width, int height, JpegKind kind = JpegKind::Baseline, int quality = 90)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    const int components = kind == JpegKind::Greyscale ? 1 : kind == JpegKind::Cmyk ? 4 : 3;
    cinfo.input_components = components;
    cinfo.in_color_space = kind == JpegKind::Greyscale ? JCS_GRAYSCALE : kind == JpegKind::Cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    if (kind == JpegKind::Arithmetic)
        cinfo.arith_code = TRUE;
    const std::vector<jpeg_scan_info> script = manyScanScript();
    if (kind == JpegKind::ManyScans) {
        cinfo.scan_info = script.data();
        cinfo.num_scans = int(script.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(std::size_t(width * components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c) {
                const bool dark = x > width / 3 && x < width / 2 && y > height / 3 && y < height / 2;
                row[std::size_t(x * components + c)] = dark ? 20 : (unsigned char)((x * 255 / std::max(width, 1) + c * 40 + y) & 0xFF);
            }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    free(buffer);
    return bytes;
}

// Offset of the first SOFn marker's frame header (after the length field).
inline qsizetype frameHeader(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 1 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) & 0xF0) == 0xC0 && uchar(jpeg[i + 1]) != 0xC4
            && uchar(jpeg[i + 1]) != 0xC8 && uchar(jpeg[i + 1]) != 0xCC)
            return i + 4;
    return -1;
}

// The same file declaring another size in its frame header.
inline QByteArray withDeclaredSize(QByteArray jpeg, int width, int height)
{
    const qsizetype f = frameHeader(jpeg);
    jpeg[f + 1] = char(height >> 8);
    jpeg[f + 2] = char(height & 0xFF);
    jpeg[f + 3] = char(width >> 8);
    jpeg[f + 4] = char(width & 0xFF);
    return jpeg;
}

inline qsizetype startOfScan(const QByteArray& jpeg)
{
    return jpeg.indexOf(QByteArray("\xFF\xDA", 2));
}

} // namespace filestest
