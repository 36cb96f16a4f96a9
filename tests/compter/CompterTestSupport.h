#pragma once

#include "core/Count.h"
#include "core/Document.h"
#include "core/Separation.h"
#include "files/PhotoFile.h"
#include "files/SampleSetFile.h"
#include "compter/BatchCount.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

#include <vector>

namespace toolstest {

inline QString sourceDir()
{
    return QStringLiteral(ORNIVAL_SOURCE_DIR);
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The flocks shipped with the program, with their truth files and sample sets.
inline std::vector<ShippedFlock> shippedFlockSets()
{
    return findShippedFlocks(sourceDir() + QStringLiteral("/data"));
}

// Their photos: the default flock, then each extra flock in its own folder.
inline QStringList shippedFlocks()
{
    QStringList photos;
    for (const ShippedFlock& flock : shippedFlockSets())
        photos << flock.photo;
    return photos;
}

inline QString factorySamples()
{
    return sourceDir() + QStringLiteral("/data/ornival0.ini");
}

// A sample-set file for the synthetic flocks below: dark birds on a blue sky.
inline QByteArray syntheticSamples()
{
    return "[blocs de couleurs : pixo[0],pixo[1],pixo[2],pixno[0],pixno[1],pixo[2] ]\r\n"
           "20,20,25\r\n30,30,30\r\n10,10,10\r\n90,140,220\r\n110,160,230\r\n130,180,240\r\n";
}

struct DrawnBird {
    int x, y, rx, ry;
};

// Dark ellipses on a blue gradient, JPEG-encoded by Qt's writer. Birds are
// placed on a grid wide enough that none touch, so each is one group.
inline QByteArray syntheticFlock(int width, int height, int birds, std::vector<DrawnBird>* drawn = nullptr,
                                 int quality = 92)
{
    QImage photo(width, height, QImage::Format_RGB32);
    QPainter p(&photo);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(90, 140, 220));
    sky.setColorAt(1, QColor(130, 180, 240));
    p.fillRect(photo.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 25));
    const int step = 40;
    const int columns = (width - 2 * step) / step;
    for (int i = 0; i < birds; ++i) {
        const DrawnBird b{step + (i % columns) * step, step + (i / columns) * step, 9 + i % 3, 5 + i % 2};
        p.drawEllipse(QPoint(b.x, b.y), b.rx, b.ry);
        if (drawn)
            drawn->push_back(b);
    }
    p.end();
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(photo));
    return jpeg;
}

// What the window gives for a photo: "Charger un fichier jpg", the samples
// of the file, "Séparer les oiseaux", "Compter les oiseaux" with "auto".
struct WindowCount {
    bool loaded = false;
    std::int32_t width = 0, height = 0, groupCount = 0, twoBirdThreshold = 0;
    std::array<std::int32_t, 7> binCounts{};
    QString totalText;
    std::vector<std::int32_t> groupSizes;
};

inline WindowCount countAsTheWindow(const QString& photo, const QString& samplesFile,
                                    const QString& thresholdText = QStringLiteral("auto"),
                                    const JpegLimits& limits = {})
{
    WindowCount w;
    Document doc;
    InitArrowPoints(doc);
    if (limits.maxWidth == JpegLimits{}.maxWidth && limits.maxHeight == JpegLimits{}.maxHeight) {
        if (loadPhoto(doc, photo).failureMessage)
            return w;
    } else {
        setPhoto(doc, decodeJpegFile(photo, limits));
    }
    const QStringList lines = splitLines(readFile(samplesFile));
    for (int i = 0; i < 3; ++i) {
        doc.pixo[std::size_t(i)] = TextToTriple(lines.value(i + 1));
        doc.pixno[std::size_t(i)] = TextToTriple(lines.value(i + 4));
    }
    separateBirds(doc, [] {});
    countBirds(doc, thresholdText);
    w.loaded = true;
    w.width = doc.photoWidth;
    w.height = doc.photoHeight;
    w.groupCount = doc.groupCount;
    w.twoBirdThreshold = doc.twoBirdThreshold;
    w.binCounts = doc.binCounts;
    w.totalText = doc.totalText;
    w.groupSizes.assign(doc.groupSizes.begin() + 1, doc.groupSizes.begin() + 1 + doc.groupCount);
    return w;
}

struct CompterRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline CompterRun runCompter(const QStringList& arguments, const QString& workingDir = {})
{
    QProcess process;
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(QStringLiteral(ORNIVAL_COMPTER), arguments);
    CompterRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "ornival-compter did not finish";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// Splits one CSV line, quoted fields included.
inline QStringList csvFields(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

// The CSV rows after the header, each split into its 15 fields.
inline std::vector<QStringList> csvRows(const QByteArray& out)
{
    std::vector<QStringList> rows;
    const QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i)
        rows.push_back(csvFields(lines[i]));
    return rows;
}

enum Column {
    File, Width, Height, Groups, Threshold, MinSize, Rule, TypicalSize, Bin0, Bin1, Bin2, Bin3, Bin4, Bin6, Total,
    Bird1, Bird2, Bird3, Sky1, Sky2, Sky3, Error, ColumnCount
};

} // namespace toolstest
