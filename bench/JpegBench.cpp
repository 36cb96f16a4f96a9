// decodeJpegFile on the default flock against a bare libjpeg decode of the
// same file, read into memory, into a buffer of the same pixel order.
#include "BenchSupport.h"

#include "files/PhotoFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace {

// Like for like with decodeJpegFile: the whole file read into memory, the
// decoder's defaults from there, blue-green-red rows into a fresh buffer. A
// damaged file would end the process, which is all a baseline needs.
std::size_t bareDecode(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return 0;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    std::unique_ptr<unsigned char[]> data(new unsigned char[std::size_t(size)]);
    const std::size_t read = std::fread(data.get(), 1, std::size_t(size), file);
    std::fclose(file);
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.get(), (unsigned long)read);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = std::size_t(cinfo.output_width) * std::size_t(cinfo.output_components);
    const std::size_t bytes = stride * cinfo.output_height;
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[bytes]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.get() + std::size_t(cinfo.output_scanline) * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.get());
    return bytes;
}

void BM_DecodeJpegFile(benchmark::State& state)
{
    const QString path = bench::dataFile("vol de cigognes.jpg");
    for (auto _ : state) {
        const QImage photo = decodeJpegFile(path);
        benchmark::DoNotOptimize(photo.constBits());
    }
}

void BM_BareLibjpeg(benchmark::State& state)
{
    const QByteArray path = bench::dataFile("vol de cigognes.jpg").toLocal8Bit();
    if (bareDecode(path.constData()) == 0) {
        state.SkipWithError("cannot open the default flock");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(bareDecode(path.constData()));
}

} // namespace

BENCHMARK(BM_DecodeJpegFile)->Name("Jpeg/decodeJpegFile")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareLibjpeg)->Name("Jpeg/libjpeg")->Unit(benchmark::kMicrosecond);
