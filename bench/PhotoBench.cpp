// The whole photo in the batch counter at 0.48, 12 and 48 Mpixels against its
// floor, the bare libjpeg decode of the same file from memory into the same
// pixel order plus one copy of the decoded photo; the kernel's share of the
// count's CPU time; and the count with an annotated picture at 800 x 600.
#include "BenchSupport.h"

#include "compter/BatchCount.h"
#include "files/BmpFile.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <sys/resource.h>

namespace {

struct PhotoSize {
    const char* name;
    int width;
    int height;
};

constexpr PhotoSize photoSizes[] = {{"0.48MP", 800, 600}, {"12MP", 4000, 3000}, {"48MP", 8000, 6000}};

// The floor: a bare decode with the decoder's defaults from the file's bytes
// in memory, blue-green-red, into a buffer, and one copy of that buffer.
void bareDecodeAndCopy(const QByteArray& bytes, std::vector<unsigned char>& pixels, std::vector<unsigned char>& copy)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = std::size_t(cinfo.output_width) * 3;
    pixels.resize(stride * cinfo.output_height);
    copy.resize(pixels.size());
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + std::size_t(cinfo.output_scanline) * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::memcpy(copy.data(), pixels.data(), pixels.size());
    benchmark::DoNotOptimize(copy.data());
}

void BM_Floor(benchmark::State& state, const PhotoSize& size)
{
    const QByteArray bytes = readWholeFile(bench::flockPhoto(size.width, size.height));
    std::vector<unsigned char> pixels, copy;
    bareDecodeAndCopy(bytes, pixels, copy);  // the buffers exist before the timing, as the workers' do
    for (auto _ : state)
        bareDecodeAndCopy(bytes, pixels, copy);
}

double threadSeconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
}

// countPhoto as a worker of the batch counter runs it: --jobs 1, its buffers
// kept from one photo to the next.
void BM_CountPhoto(benchmark::State& state, const PhotoSize& size, bool annotate)
{
    PhotoJob job;
    job.path = bench::flockPhoto(size.width, size.height);
    if (annotate)
        job.annotationPath = QDir::temp().filePath(QStringLiteral("ornival-bench-annotated.png"));
    SampleSet samples = readSampleSetFile(bench::dataFile("ornival0.ini"));
    const CountOptions options;
    keepReleasedMemoryForReuse();  // as the batch counter does at its start
    CountWorkspace workspace;
    PhotoResult result = countPhoto(job, samples, options, &workspace);
    if (!result.error.isEmpty()) {
        state.SkipWithError(result.error.toStdString().c_str());
        return;
    }
    rusage before, after;
    getrusage(RUSAGE_THREAD, &before);
    for (auto _ : state) {
        result = countPhoto(job, samples, options, &workspace);
        benchmark::DoNotOptimize(result.total);
        if (annotate) {
            // A batch writes each picture as a new file, not over an old one.
            state.PauseTiming();
            QFile::remove(job.annotationPath);
            state.ResumeTiming();
        }
    }
    getrusage(RUSAGE_THREAD, &after);
    const double user = threadSeconds(after.ru_utime) - threadSeconds(before.ru_utime);
    const double system = threadSeconds(after.ru_stime) - threadSeconds(before.ru_stime);
    state.counters["groups"] = result.groupCount;
    state.counters["kernel%"] = user + system > 0 ? 100 * system / (user + system) : 0;
}

[[maybe_unused]] const bool registered = [] {
    for (const PhotoSize& size : photoSizes) {
        const std::string prefix = std::string("Photo/") + size.name;
        benchmark::RegisterBenchmark((prefix + "/floor").c_str(), BM_Floor, size)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "/countPhoto").c_str(), BM_CountPhoto, size, false)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("Photo/0.48MP/countPhoto+annotation", BM_CountPhoto, photoSizes[0], true)
        ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
