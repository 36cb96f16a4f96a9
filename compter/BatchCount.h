#pragma once

// The batch counter: many photos counted exactly as the window counts one
// ("Séparer les oiseaux", then "Compter les oiseaux" on a fresh document per
// photo), in parallel, one CSV row per photo in the order given.

#include "core/Estimate.h"
#include "core/Types.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct SampleSet {
    std::array<ColorTriple, 3> pixo{};
    std::array<ColorTriple, 3> pixno{};
};

// The six samples of a sample-set text file (the format of "ornival.ini"):
// lines 2 to 7 read leniently, a missing line as black. Throws "Impossible
// d'ouvrir le fichier %s". The strip's picture is not needed and not read.
SampleSet readSampleSetFile(const QString& path);

enum class CountRule {
    Threshold,  // the window's rule: one or two birds per group by the two-bird threshold
    Estimate,   // round(size / typical one-bird size) birds per group
};

struct CountOptions {
    QString thresholdText = QStringLiteral("auto");
    QString minimumSizeText = QStringLiteral("3");  // "Taille mini": a number of 3 or more, or "auto"
    bool automaticSamples = false;                  // samples chosen from each photo itself
    CountRule rule = CountRule::Threshold;
    bool writeWorkBitmap = false;
};

// One photo to count, with where its evidence goes. Every output name is
// decided before any photo is counted, so it can be checked against the
// photos themselves.
struct PhotoJob {
    QString path;             // as given: a file named on the command line or found in a folder
    QString annotationPath;   // the annotated PNG, empty for none
    QString workBitmapPath;   // the working bitmap, empty for none
    QString refusal;          // set when the photo cannot even be tried (an empty folder)
    QStringList outputRefusals;  // outputs not written because they would replace a photo
};

struct PhotoResult {
    QString file;
    bool counted = false;  // width .. estimate hold the count
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t groupCount = 0;
    std::int32_t twoBirdThreshold = 0;
    std::int32_t minGroupSize = 0;            // the minimum group size used
    SampleSet samples;                        // the samples used (chosen from the photo with automatic samples)
    std::array<std::int32_t, 7> binCounts{};  // the window's bins 0, 1, 2, 3, 4, 6
    std::int64_t total = 0;                   // by the window's rule
    std::vector<std::int32_t> groupSizes;     // in the window's group order
    BirdEstimate estimate;
    CountRule rule = CountRule::Threshold;
    QString error;  // empty when everything went well
};

// Decoding limit of the batch counter: far above the window's 800 x 600, the
// group mask being sized to the photo, yet bounded so a hostile header cannot
// ask for gigabytes.
constexpr int batchMaxPhotoSide = 10000;

// What one worker keeps from photo to photo: the file's bytes, the decoded
// photo and the group mask copy, reused when the next photo has the same size,
// so a batch of large photos does not map and zero fresh memory for each.
struct CountWorkspace {
    QByteArray fileBytes;
    QImage photo;
    std::vector<std::uint8_t> maskCopy;
};

// Keeps memory released by one photo in the process's heap for the next
// (glibc's allocator settings), so a batch does not map and zero fresh pages
// for every photo's buffers. Called once at the start of the batch counter.
void keepReleasedMemoryForReuse();

// Counts one photo on its own count-only document (the window's numbers, none
// of its pictures unless the photo is annotated). Never throws: every failure
// becomes the row's error text, and what was counted before it stays in the
// row. `workspace`, when given, lends its buffers for the count.
PhotoResult countPhoto(const PhotoJob& job, const SampleSet& samples, const CountOptions& options,
                       CountWorkspace* workspace = nullptr);

// The photos named by the arguments: a file as it is (whatever its name, so a
// missing one gives its error row), a folder as its *.jpg and *.jpeg entries
// in name order. Output names for the annotated pictures (in
// `annotationFolder`, the photo's base name + ".png", numbered when two
// photos share a base name) and for the working bitmaps (the window's rule,
// beside the photo). A folder without photos gives a job with a refusal, and
// an output that would land on one of the photos is refused in its row.
std::vector<PhotoJob> planJobs(const QStringList& inputs, const QString& annotationFolder, bool writeWorkBitmaps);

// Whether `output` names the same file as one of the photos.
bool isOneOfThePhotos(const QString& output, const std::vector<PhotoJob>& jobs);

// Counts every job on `threads` worker threads. `onResult` is called on the
// calling thread once per job, in job order, as soon as that job and every
// job before it are done; `onProgress` on the calling thread after each
// finished job with the number done so far. Returns once the annotated
// pictures are on the disk.
void countPhotos(const std::vector<PhotoJob>& jobs, const SampleSet& samples, const CountOptions& options,
                 int threads, const std::function<void(const PhotoResult&)>& onResult,
                 const std::function<void(std::size_t done, std::size_t all)>& onProgress = {});

// A flock shipped with the program and the sample set a user of it works
// with: the "ornival.ini" of its folder, else the factory set "ornival0.ini"
// of the data folder.
struct ShippedFlock {
    QString photo;
    QString samples;
    int truth = -1;  // -1: read from the truth file beside the photo (readTruth)
};
// DATA/*.jpg, then DATA/flocks/<folder>/*.jpg, folders and files by name.
std::vector<ShippedFlock> findShippedFlocks(const QString& dataFolder);
// A folder of photos with their truth, laid out as FOLDER/truth.csv (a header
// line, then "file,birds[,...]" per photo, fields as the CSV above writes
// them), the photos beside it (FOLDER/points/NAME.csv with each bird's "x,y"
// is not needed). The sample set of photo NAME.jpg is NAME.ini in `samplesFolder`.
// Empty when the folder has no truth.csv; throws "Impossible d'ouvrir le
// fichier %s" when it cannot be read, and a clear text for a bad line.
std::vector<ShippedFlock> readPhotoFolder(const QString& folder, const QString& samplesFolder);

// The number of birds on the first line of the truth file beside a photo
// (same name, ".txt"); -1 when there is none or it holds no number.
int readTruth(const QString& photo);

QString csvHeader();
QString csvRow(const PhotoResult& result);
// A CSV field, quoted when it holds a comma, a quote, a line end or edge blanks.
QString csvField(const QString& text);
// The fields of one CSV line, quotes and doubled quotes read as csvField writes them.
QStringList csvFields(const QString& line);

struct CommandLine {
    QStringList inputs;
    QString sampleSetPath = QStringLiteral("ornival.ini");  // "auto": options.automaticSamples
    QString csvPath;         // empty: standard output
    QString annotationFolder;
    CountOptions options;
    int threads = 0;         // 0: one per core
    bool help = false;
};

// Parses the arguments (without the program name). Returns the error text
// for a bad command line: unknown option, missing or bad value, no photo.
std::optional<QString> parseCommandLine(const QStringList& arguments, CommandLine& commandLine);

// The text of --help.
QString helpText();
