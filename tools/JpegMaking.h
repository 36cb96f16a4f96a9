#pragma once

// JPEG files made by hand for the readers' corpus and the benchmarks: the
// scans of a progressive script, and a whole picture compressed in memory.

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include <jpeglib.h>

// One scan of a script: the components it holds (by index), its band of
// coefficients Ss..Se and its bit positions Ah, Al.
inline jpeg_scan_info scanOf(std::initializer_list<int> components, int ss, int se, int ah, int al)
{
    jpeg_scan_info s{};
    for (int c : components)
        s.component_index[s.comps_in_scan++] = c;
    s.Ss = ss;
    s.Se = se;
    s.Ah = ah;
    s.Al = al;
    return s;
}

// A JPEG of `width` x `height` pixels of `components` samples in colour space
// `space`, quality 90 over the library's defaults: `setUp(cinfo)` changes the
// settings before the compression starts, `fill(y, row)` gives each row.
template <typename SetUp, typename Fill>
QByteArray compressJpeg(int width, int height, int components, J_COLOR_SPACE space, SetUp setUp, Fill fill)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    setUp(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(std::size_t(width) * std::size_t(components));
    while (cinfo.next_scanline < cinfo.image_height) {
        fill(int(cinfo.next_scanline), row.data());
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}
