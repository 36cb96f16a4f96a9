#include "BatchCount.h"

#include "core/AutoSamples.h"
#include "core/Canvas.h"
#include "core/Classification.h"
#include "core/Count.h"
#include "core/Document.h"
#include "core/OrnivalError.h"
#include "core/Separation.h"
#include "files/AtomicFile.h"
#include "files/BmpFile.h"
#include "files/PhotoFile.h"
#include "files/PngFile.h"
#include "files/SampleSetFile.h"
#include "files/WorkBitmapFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

SampleSet readSampleSetFile(const QString& path)
{
    const QStringList lines = splitLines(readSampleSetBytes(path));
    SampleSet samples;
    auto line = [&](int i) { return i < lines.size() ? lines[i] : QString(); };
    for (int i = 0; i < 3; ++i) {
        samples.pixo[std::size_t(i)] = TextToTriple(line(1 + i));
        samples.pixno[std::size_t(i)] = TextToTriple(line(4 + i));
    }
    return samples;
}

namespace {

// The same file whatever way it is named; symbolic links resolved when it exists.
QString sameFileKey(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QString notOverAPhoto(const QString& path)
{
    return QStringLiteral("%1 est le nom d'une des photos : rien n'y est écrit").arg(path);
}

// Frame colours of the evidence picture by the number of birds of a group:
// 0 (under half a bird, by the estimate), 1, 2, 3, 4, and 5 or more.
constexpr std::array<Color, 6> countColours{0x808080, 0x00D000, 0x00FFFF, 0x0080FF, 0xFF00FF, 0x0000FF};
// Bird pixels of the groups dropped as smaller than the minimum size: a faint
// pink over the photo.
constexpr Color droppedTint = 0xB469FF;

Color countColour(std::int32_t birds)
{
    return countColours[std::size_t(std::clamp(birds, 0, 5))];
}

// The evidence picture, drawn over `picture`, the photo as decoded: every
// counted group framed in the colour of its number of birds (groups of five or
// more with their number beside the frame), the bird pixels of the groups
// dropped as too small tinted faintly, the total in the top-left corner and a
// legend in the bottom-left.
void drawEvidence(const Document& doc, const PhotoResult& result, QImage& picture)
{
    const int w = doc.photoWidth, h = doc.photoHeight;
    const bool estimate = result.rule == CountRule::Estimate;
    auto birdsOf = [&](int g) {
        return estimate ? result.estimate.birdsPerGroup[std::size_t(g - 1)]
                        : (doc.groupSizes[std::size_t(g)] >= doc.twoBirdThreshold ? 2 : 1);
    };

    // The counted groups' boxes, so that the pixels outside them are those of
    // dropped groups.
    std::vector<std::uint8_t> counted(std::size_t(w) * std::size_t(h), 0);
    for (int g = 1; g <= doc.groupCount; ++g) {
        const TRect& r = doc.groupRects[std::size_t(g)];
        for (int y = std::max(r.Top + 1, 0); y < std::min(r.Bottom, h); ++y)
            std::fill_n(counted.begin() + std::ptrdiff_t(std::size_t(y) * std::size_t(w) + std::size_t(std::max(r.Left + 1, 0))),
                        std::max(0, std::min(r.Right, w) - std::max(r.Left + 1, 0)), std::uint8_t(1));
    }
    const QRgb tint = toQRgb(droppedTint);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* mask = doc.groupMaskCopy.data() + doc.maskIndex(0, y);
        const std::uint8_t* inBox = counted.data() + std::size_t(y) * std::size_t(w);
        std::uint8_t* row = picture.scanLine(y);
        auto tintAt = [&](int x) {
            // Blue, green, red bytes, 60 % photo and 40 % tint.
            std::uint8_t* p = row + 3 * std::size_t(x);
            p[0] = std::uint8_t((3 * p[0] + 2 * qBlue(tint)) / 5);
            p[1] = std::uint8_t((3 * p[1] + 2 * qGreen(tint)) / 5);
            p[2] = std::uint8_t((3 * p[2] + 2 * qRed(tint)) / 5);
        };
        int x = 0;
#if defined(__SSE2__)
        // Sixteen cells at a time: bird cells outside every counted box.
        for (; x + 16 <= w; x += 16) {
            const __m128i bird = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + x)),
                                                _mm_set1_epi8(char(0xFF)));
            const __m128i outside = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(inBox + x)),
                                                   _mm_setzero_si128());
            for (unsigned hits = unsigned(_mm_movemask_epi8(_mm_and_si128(bird, outside))); hits; hits &= hits - 1)
                tintAt(x + __builtin_ctz(hits));
        }
#endif
        for (; x < w; ++x)
            if (mask[x] == 255 && !inBox[x])
                tintAt(x);
    }
    const int textPoints = std::max(8, h / 60);
    for (int g = 1; g <= doc.groupCount; ++g) {
        const std::int32_t birds = birdsOf(g);
        const TRect& r = doc.groupRects[std::size_t(g)];
        drawRectangle(picture, r, Pen{countColour(birds), PenStyle::Solid}, Brush{clWhite, BrushStyle::Clear});
        if (birds >= 5)
            textOut(picture, r.Right + 1, r.Top, QString::number(birds), textPoints, true, clWhite);
    }

    const QString total = estimate ? QStringLiteral("Total (estimation) : %1").arg(result.estimate.total)
                                   : QStringLiteral("Total : %1").arg(result.total);
    textOut(picture, 4, 4, total, std::max(10, h / 45), true, clWhite, true);

    const QStringList legend{
        estimate ? QStringLiteral("moins d'un demi-oiseau : 0") : QString(),
        QStringLiteral("1 oiseau"),
        QStringLiteral("2 oiseaux"),
        estimate ? QStringLiteral("3 oiseaux") : QString(),
        estimate ? QStringLiteral("4 oiseaux") : QString(),
        estimate ? QStringLiteral("5 et plus : nombre écrit") : QString(),
    };
    const int line = pointsToPixels(textPoints) + 6;
    int y = h - 4 - line * int(std::count_if(legend.begin(), legend.end(), [](const QString& t) { return !t.isEmpty(); }) + 1);
    auto legendLine = [&](Color swatch, const QString& text) {
        fillRect(picture, {4, y, 8 + line, y + line}, clWhite);
        fillRect(picture, {6, y + 2, 6 + line - 4, y + line - 2}, swatch);
        textOut(picture, 8 + line, y, QLatin1Char(' ') + text + QLatin1Char(' '), textPoints, true, clWhite);
        y += line;
    };
    for (int birds = 0; birds < 6; ++birds)
        if (!legend[birds].isEmpty())
            legendLine(countColour(birds), legend[birds]);
    legendLine(droppedTint, QStringLiteral("trop petit (moins de %1 pixels) : non compté").arg(doc.minGroupSize));
}

} // namespace

void keepReleasedMemoryForReuse()
{
#ifdef __GLIBC__
    // Buffers up to 32 MB (the largest threshold the allocator takes) come
    // from the heap rather than from fresh mappings, and the heap keeps up to
    // 256 MB of released memory. The larger buffers of a big photo are the
    // workers' own and reused (CountWorkspace).
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
#endif
}

PhotoResult countPhoto(const PhotoJob& job, const SampleSet& samples, const CountOptions& options,
                       CountWorkspace* workspace)
{
    CountWorkspace ownWorkspace;
    CountWorkspace& ws = workspace ? *workspace : ownWorkspace;
    PhotoResult result;
    result.file = job.path;
    result.rule = options.rule;
    if (!job.refusal.isEmpty()) {
        result.error = job.refusal;
        return result;
    }
    try {
        readWholeFileInto(job.path, ws.fileBytes);
        // A plain count needs each row of the photo once: it is decoded a band
        // at a time straight into the separation, never whole in memory. The
        // automatic samples, the working bitmap and the evidence picture need
        // the whole photo.
        const bool wholePhoto = options.automaticSamples || options.writeWorkBitmap || !job.annotationPath.isEmpty();
        const JpegLimits limits{batchMaxPhotoSide, batchMaxPhotoSide};
        std::optional<JpegRowReader> rows;
        if (wholePhoto)
            decodeJpegInto(ws.fileBytes, limits, ws.photo);
        else
            rows.emplace(ws.fileBytes, limits);
        Document doc{Document::CountOnly{}};
        // The mask copy's buffer goes back to the workspace however the count ends.
        doc.groupMaskCopy.swap(ws.maskCopy);
        struct GiveBack {
            Document& doc;
            CountWorkspace& ws;
            ~GiveBack() { doc.groupMaskCopy.swap(ws.maskCopy); }
        } giveBack{doc, ws};
        InitArrowPoints(doc);
        doc.photoFileName = job.path;
        // The photo is shared with the workspace for this count only: nothing
        // writes to it, and the document is gone before the next decode.
        if (wholePhoto)
            doc.photoJpeg = ws.photo;
        doc.photoWidth = rows ? rows->width() : ws.photo.width();
        doc.photoHeight = rows ? rows->height() : ws.photo.height();
        if (options.writeWorkBitmap)
            doc.workBitmap = newWorkBitmap(doc.photoWidth, doc.photoHeight);
        result.width = doc.photoWidth;
        result.height = doc.photoHeight;
        if (options.automaticSamples) {
            const ChosenSamples chosen = chooseSamples(doc.photoJpeg);
            doc.pixo = chosen.birds;
            doc.pixno = chosen.sky;
        } else {
            doc.pixo = samples.pixo;
            doc.pixno = samples.pixno;
        }
        result.samples = {doc.pixo, doc.pixno};
        // The window saves the sample set here; the batch counter reads its
        // samples and never writes them.
        if (rows)
            separateBirdsByRows(doc, [&](int y) { return rows->row(y); });
        else
            separateBirds(doc, [] {});
        const CountOutcome outcome = countBirds(doc, options.thresholdText, options.minimumSizeText);
        if (outcome.message)
            throw OrnivalError(*outcome.message);
        result.minGroupSize = doc.minGroupSize;
        result.groupCount = doc.groupCount;
        result.twoBirdThreshold = doc.twoBirdThreshold;
        result.binCounts = doc.binCounts;
        result.total = totalBirds(doc.binCounts);
        result.groupSizes.assign(doc.groupSizes.begin() + 1, doc.groupSizes.begin() + 1 + doc.groupCount);
        result.estimate = estimateBirds(result.groupSizes);
        result.counted = true;

        QStringList failures = job.outputRefusals;
        if (!job.workBitmapPath.isEmpty()) {
            try {
                writeBmpFile(doc.workBitmap, job.workBitmapPath);
            } catch (const OrnivalError& error) {
                failures << error.text();
            }
        }
        if (!job.annotationPath.isEmpty()) {
            try {
                // The evidence is drawn on the workspace's photo itself (blue,
                // green, red bytes, as decoded), which the next photo's decode
                // overwrites: no copy of it is made.
                doc.photoJpeg = QImage();
                drawEvidence(doc, result, ws.photo);
                writeFileAtomically(job.annotationPath, encodePngFast(ws.photo));
            } catch (const OrnivalError& error) {
                failures << error.text();
            }
        }
        result.error = failures.join(QStringLiteral(" ; "));
    } catch (const OrnivalError& error) {
        result.error = error.text();
    } catch (const std::bad_alloc&) {
        result.error = QStringLiteral("Mémoire insuffisante pour cette photo");
    } catch (const std::exception& error) {
        result.error = QStringLiteral("Erreur : %1").arg(QString::fromLocal8Bit(error.what()));
    }
    return result;
}

std::vector<PhotoJob> planJobs(const QStringList& inputs, const QString& annotationFolder, bool writeWorkBitmaps)
{
    std::vector<PhotoJob> jobs;
    auto add = [&](const QString& path, const QString& refusal = {}) {
        PhotoJob job;
        job.path = path;
        job.refusal = refusal;
        jobs.push_back(job);
    };
    for (const QString& input : inputs) {
        const QFileInfo info(input);
        if (!info.isDir()) {
            add(input);
            continue;
        }
        // Folders named like photos are kept: they give an error row rather
        // than vanishing from the table.
        // Name filters match whatever the case: IMG_001.JPG is a photo too.
        QStringList names = QDir(input).entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")},
                                                  QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            const int c = QString::compare(a, b, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a < b;
        });
        if (names.isEmpty()) {
            add(input, QStringLiteral("Aucune photo JPG dans le dossier %1").arg(input));
            continue;
        }
        for (const QString& name : names)
            add(input.endsWith(QLatin1Char('/')) ? input + name : input + QLatin1Char('/') + name);
    }

    QSet<QString> photos;
    for (const PhotoJob& job : jobs)
        photos.insert(sameFileKey(job.path));
    QHash<QString, int> pngNames;
    for (PhotoJob& job : jobs) {
        if (!job.refusal.isEmpty())
            continue;
        if (!annotationFolder.isEmpty()) {
            const QString base = QFileInfo(job.path).completeBaseName();
            const int seen = pngNames[base.toLower()]++;
            const QString name = seen == 0 ? base + QStringLiteral(".png")
                                           : QStringLiteral("%1 (%2).png").arg(base).arg(seen + 1);
            job.annotationPath = QDir(annotationFolder).filePath(name);
        }
        if (writeWorkBitmaps)
            job.workBitmapPath = workBitmapFileName(job.path);
    }
    // An output that would replace a photo of the run (a JPG named *.bmp, a
    // photo in the annotation folder) refuses that output only.
    for (PhotoJob& job : jobs) {
        for (QString* output : {&job.annotationPath, &job.workBitmapPath}) {
            if (!output->isEmpty() && photos.contains(sameFileKey(*output))) {
                job.outputRefusals << notOverAPhoto(*output);
                output->clear();
            }
        }
    }
    return jobs;
}

bool isOneOfThePhotos(const QString& output, const std::vector<PhotoJob>& jobs)
{
    const QString key = sameFileKey(output);
    return std::any_of(jobs.begin(), jobs.end(), [&](const PhotoJob& job) { return sameFileKey(job.path) == key; });
}

void countPhotos(const std::vector<PhotoJob>& jobs, const SampleSet& samples, const CountOptions& options,
                 int threads, const std::function<void(const PhotoResult&)>& onResult,
                 const std::function<void(std::size_t, std::size_t)>& onProgress)
{
    const std::size_t n = jobs.size();
    if (n == 0)
        return;
    threads = std::clamp<int>(threads, 1, int(std::min<std::size_t>(n, 256)));
    std::vector<std::optional<PhotoResult>> results(n);
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t done = 0;
    std::atomic<std::size_t> next{0};

    auto work = [&] {
        CountWorkspace workspace;
        for (std::size_t i = next++; i < n; i = next++) {
            PhotoResult result = countPhoto(jobs[i], samples, options, &workspace);
            std::lock_guard lock(mutex);
            results[i] = std::move(result);
            ++done;
            finished.notify_one();
        }
    };
    std::vector<std::jthread> pool;
    pool.reserve(std::size_t(threads));
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(work);

    std::size_t emitted = 0;
    std::size_t reported = 0;
    while (emitted < n) {
        std::vector<PhotoResult> ready;
        std::size_t doneNow = 0;
        {
            std::unique_lock lock(mutex);
            finished.wait(lock, [&] { return done > reported || results[emitted].has_value(); });
            doneNow = done;
            while (emitted < n && results[emitted]) {
                ready.push_back(std::move(*results[emitted]));
                results[emitted].reset();
                ++emitted;
            }
        }
        // The callbacks run unlocked, so a slow writer never holds up the workers.
        for (const PhotoResult& result : ready)
            onResult(result);
        if (onProgress && doneNow > reported)
            onProgress(doneNow, n);
        reported = doneNow;
    }
    // The annotated pictures are written without waiting for the disk, each
    // whole under its name; the batch ends once they are all on the disk.
    const auto annotated = std::find_if(jobs.begin(), jobs.end(), [](const PhotoJob& job) { return !job.annotationPath.isEmpty(); });
    if (annotated != jobs.end())
        syncFileSystemOf(QFileInfo(annotated->annotationPath).absolutePath());
}

std::vector<ShippedFlock> findShippedFlocks(const QString& dataFolder)
{
    const QDir data(dataFolder);
    const QString factorySet = data.filePath(QStringLiteral("ornival0.ini"));
    std::vector<ShippedFlock> flocks;
    auto addPhotosOf = [&](const QDir& folder, const QString& samples) {
        for (const QString& name : folder.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
            flocks.push_back({folder.filePath(name), samples});
    };
    addPhotosOf(data, factorySet);
    const QDir extra(data.filePath(QStringLiteral("flocks")));
    for (const QString& name : extra.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir folder(extra.filePath(name));
        const QString own = folder.filePath(QStringLiteral("ornival.ini"));
        addPhotosOf(folder, QFileInfo::exists(own) ? own : factorySet);
    }
    return flocks;
}

QStringList csvFields(const QString& line)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (QStringView(line).mid(i).startsWith(u"\"\"")) {
                fields.back() += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << QString();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<ShippedFlock> readPhotoFolder(const QString& folder, const QString& samplesFolder)
{
    const QDir dir(folder);
    const QString truthPath = dir.filePath(QStringLiteral("truth.csv"));
    if (!QFileInfo::exists(truthPath))
        return {};
    const QStringList lines = splitLines(readWholeFile(truthPath));
    std::vector<ShippedFlock> flocks;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        const QStringList fields = csvFields(lines[i]);
        bool ok;
        const int birds = fields.value(1).trimmed().toInt(&ok);
        if (fields.value(0).isEmpty() || !ok || birds < 0)
            throw OrnivalError(QStringLiteral("%1, ligne %2 : il faut « fichier,oiseaux »").arg(truthPath).arg(i + 1));
        const QString base = QFileInfo(fields[0]).completeBaseName();
        flocks.push_back({dir.filePath(fields[0]), QDir(samplesFolder).filePath(base + QStringLiteral(".ini")), birds});
    }
    return flocks;
}

int readTruth(const QString& photo)
{
    const QFileInfo info(photo);
    try {
        const QStringList lines = splitLines(readWholeFile(info.dir().filePath(info.completeBaseName() + ".txt")));
        bool ok;
        const int n = lines.value(0).trimmed().toInt(&ok);
        return ok && n >= 0 ? n : -1;
    } catch (const OrnivalError&) {
        return -1;
    }
}

QString csvField(const QString& text)
{
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.startsWith(QLatin1Char(' '))
        || text.endsWith(QLatin1Char(' '));
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvHeader()
{
    return QStringLiteral("fichier,largeur,hauteur,groupes,seuil,taille_mini,regle,taille_type,groupes_de_0,"
                          "groupes_de_1,groupes_de_2,groupes_de_3,groupes_de_4,groupes_de_6,total,oiseau_1,oiseau_2,"
                          "oiseau_3,ciel_1,ciel_2,ciel_3,erreur");
}

QString sampleText(const ColorTriple& c)
{
    return QStringLiteral("%1,%2,%3").arg(c.rgbtRed).arg(c.rgbtGreen).arg(c.rgbtBlue);
}

QString csvRow(const PhotoResult& r)
{
    QStringList fields{csvField(r.file)};
    const bool estimate = r.rule == CountRule::Estimate;
    if (r.counted) {
        const auto& bins = estimate ? r.estimate.binCounts : r.binCounts;
        fields << QString::number(r.width) << QString::number(r.height) << QString::number(r.groupCount)
               << (estimate ? QString() : QString::number(r.twoBirdThreshold)) << QString::number(r.minGroupSize)
               << (estimate ? QStringLiteral("estimation") : QStringLiteral("seuil"))
               << (estimate ? QString::number(r.estimate.typicalSize) : QString());
        for (int bin : {0, 1, 2, 3, 4, 6})
            fields << QString::number(bins[std::size_t(bin)]);
        fields << QString::number(estimate ? r.estimate.total : r.total);
        for (const auto* samples : {&r.samples.pixo, &r.samples.pixno})
            for (const ColorTriple& c : *samples)
                fields << csvField(sampleText(c));
    } else {
        for (int i = 0; i < 20; ++i)
            fields << QString();
    }
    fields << csvField(r.error);
    return fields.join(QLatin1Char(','));
}

namespace {

std::optional<QString> takeThreshold(const QString& v, CommandLine& cl)
{
    try {
        if (v != QLatin1String("auto"))
            thresholdFromText(v);
    } catch (const OrnivalError& error) {
        return QStringLiteral("--seuil : %1 (auto ou un nombre entier)").arg(error.text());
    }
    cl.options.thresholdText = v;
    return std::nullopt;
}

std::optional<QString> takeMinimumSize(const QString& v, CommandLine& cl)
{
    try {
        minimumSizeFromText(v);
    } catch (const OrnivalError& error) {
        return QStringLiteral("--taille-mini : %1").arg(error.text());
    }
    cl.options.minimumSizeText = v;
    return std::nullopt;
}

std::optional<QString> takeJobs(const QString& v, CommandLine& cl)
{
    bool ok;
    const int jobs = v.toInt(&ok);
    if (!ok || jobs < 1 || jobs > 256)
        return QStringLiteral("--jobs : '%1' n'est pas un nombre de tâches de 1 à 256").arg(v);
    cl.threads = jobs;
    return std::nullopt;
}

// Options without a value.
struct FlagOption {
    QLatin1StringView name;
    void (*set)(CommandLine& cl);
};
const FlagOption flagOptions[] = {
    {QLatin1StringView("-h"), [](CommandLine& cl) { cl.help = true; }},
    {QLatin1StringView("--help"), [](CommandLine& cl) { cl.help = true; }},
    {QLatin1StringView("--aide"), [](CommandLine& cl) { cl.help = true; }},
    {QLatin1StringView("--bmp"), [](CommandLine& cl) { cl.options.writeWorkBitmap = true; }},
    {QLatin1StringView("--estimer"), [](CommandLine& cl) { cl.options.rule = CountRule::Estimate; }},
};

// Options with a value: a path (never empty), or a value that its checker
// stores, or says why it cannot.
struct ValueOption {
    QLatin1StringView name;
    QString CommandLine::*path;
    std::optional<QString> (*take)(const QString& value, CommandLine& cl);
};
const ValueOption valueOptions[] = {
    {QLatin1StringView("--echantillons"), &CommandLine::sampleSetPath, nullptr},
    {QLatin1StringView("--csv"), &CommandLine::csvPath, nullptr},
    {QLatin1StringView("--annoter"), &CommandLine::annotationFolder, nullptr},
    {QLatin1StringView("--seuil"), nullptr, takeThreshold},
    {QLatin1StringView("--taille-mini"), nullptr, takeMinimumSize},
    {QLatin1StringView("--jobs"), nullptr, takeJobs},
};

template <typename Option, std::size_t n>
const Option* findOption(const Option (&options)[n], const QString& name)
{
    const auto found = std::find_if(std::begin(options), std::end(options), [&](const Option& o) { return o.name == name; });
    return found == std::end(options) ? nullptr : found;
}

} // namespace

std::optional<QString> parseCommandLine(const QStringList& arguments, CommandLine& cl)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            cl.inputs << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        // The value given after "=", or for an option that takes one, the next argument.
        QString name = argument;
        std::optional<QString> value;
        if (const qsizetype eq = argument.indexOf(QLatin1Char('=')); eq != -1 && argument.startsWith(QLatin1String("--"))) {
            name = argument.left(eq);
            value = argument.mid(eq + 1);
        }
        if (const FlagOption* flag = findOption(flagOptions, name)) {
            if (value)
                return QStringLiteral("L'option %1 ne prend pas de valeur").arg(name);
            flag->set(cl);
        } else if (const ValueOption* option = findOption(valueOptions, name)) {
            if (!value && i + 1 < arguments.size())
                value = arguments[++i];
            if (!value || (option->path && value->isEmpty()))
                return QStringLiteral("L'option %1 demande une valeur").arg(name);
            if (option->path)
                cl.*option->path = *value;
            else if (auto error = option->take(*value, cl))
                return error;
        } else {
            return QStringLiteral("Option inconnue : %1 (voir --help)").arg(argument);
        }
    }
    cl.options.automaticSamples = cl.sampleSetPath == QLatin1String("auto");
    if (!cl.help && cl.inputs.isEmpty())
        return QStringLiteral("Aucune photo à compter (voir --help)");
    return std::nullopt;
}

QString helpText()
{
    return QStringLiteral(
        "Utilisation : ornival-compter [options] PHOTO|DOSSIER...\n"
        "\n"
        "Compte les oiseaux de chaque photo JPG exactement comme la fenêtre d'Ornival d'oiseaux\n"
        "(« Séparer les oiseaux » puis « Compter les oiseaux »), avec les échantillons d'un\n"
        "fichier ornival.ini, et écrit une ligne CSV par photo, dans l'ordre donné.\n"
        "Un dossier donne ses fichiers *.jpg et *.jpeg, par ordre de nom. Les photos peuvent\n"
        "avoir n'importe quelle taille jusqu'à 10000 pixels de côté et 64 mégapixels.\n"
        "\n"
        "Options :\n"
        "  --echantillons FICHIER|auto\n"
        "                          fichier d'échantillons au format d'ornival.ini (par défaut :\n"
        "                          ornival.ini du dossier courant) ; auto choisit pour chaque\n"
        "                          photo 3 couleurs de ciel (la grande partie unie) et 3 couleurs\n"
        "                          d'oiseaux (les petites taches qui s'en écartent, plus sombres\n"
        "                          ou plus claires) ; un ciel vide donne 0 oiseau\n"
        "  --seuil auto|N          seuil de deux oiseaux, en pixels ; auto (par défaut) prend\n"
        "                          1,5 fois la taille de groupe la plus fréquente\n"
        "  --taille-mini N|auto    taille mini d'un groupe, en pixels (par défaut 3) : les groupes\n"
        "                          plus petits ne sont pas comptés ; auto prend 0,4 fois la\n"
        "                          taille type d'un oiseau de la photo, au moins 3\n"
        "  --estimer               compte round(taille / taille type d'un oiseau) oiseaux par\n"
        "                          groupe, la taille type étant celle du groupe où se trouvent\n"
        "                          le plus de pixels d'oiseaux (des centaines de petites taches\n"
        "                          ne l'emportent pas sur cinquante oiseaux) ; les groupes\n"
        "                          de 5 oiseaux et plus vont dans la case 6 mais le total compte\n"
        "                          leurs vrais nombres (colonne regle : estimation)\n"
        "  --csv FICHIER           écrit le tableau dans FICHIER au lieu de la sortie standard\n"
        "  --annoter DOSSIER       écrit pour chaque photo une image PNG : la photo, chaque groupe\n"
        "                          compté encadré de la couleur de son nombre d'oiseaux (vert 1,\n"
        "                          jaune 2, orange 3, magenta 4, rouge 5 et plus avec le nombre),\n"
        "                          les taches trop petites teintées de rose, le total et la légende\n"
        "  --bmp                   écrit aussi l'image bmp de travail à côté de chaque photo\n"
        "                          (même nom que la photo, 4 derniers caractères remplacés par .bmp)\n"
        "  --jobs N                nombre de photos comptées en même temps (par défaut : une\n"
        "                          par cœur du processeur)\n"
        "  -h, --help              affiche cette aide\n"
        "\n"
        "Colonnes : fichier, largeur, hauteur, groupes, seuil, taille_mini, regle (seuil ou\n"
        "estimation), taille_type, groupes_de_0 .. groupes_de_6, total, les échantillons utilisés\n"
        "oiseau_1 .. oiseau_3 et ciel_1 .. ciel_3 (\"r,g,b\"), erreur.\n"
        "Une photo illisible donne une ligne avec son erreur, les autres sont comptées quand même.\n"
        "Aucune photo n'est jamais modifiée.\n"
        "\n"
        "Code de retour : 0 si tout est compté, 1 si une photo au moins a échoué,\n"
        "2 si la ligne de commande ou le fichier d'échantillons ne va pas.\n");
}
