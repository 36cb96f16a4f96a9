#pragma once

#include "compter/BatchCount.h"
#include "core/Count.h"
#include "core/Separation.h"
#include "files/PhotoFile.h"
#include "files/SampleSetFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

// Failure messages show texts as texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace compterest {

struct DrawnBird {
    int x, y, rx, ry;
};

struct CompterRun {
    int exitCode = -1;
    QByteArray out, err;
};

enum Column {
    File, Width, Height, Groups, Threshold, MinSize, Rule, TypicalSize, Bin0, Bin1, Bin2, Bin3, Bin4, Bin6, Total,
    Bird1, Bird2, Bird3, Sky1, Sky2, Sky3, Error, ColumnCount
};

// Every test of the batch counter works in a temporary folder.
class CompterTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }

    void write(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
        file.write(bytes);
    }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A sample set for the synthetic flocks: dark birds on a blue sky.
    static QByteArray samples()
    {
        return "[blocs de couleurs : pixo[0],pixo[1],pixo[2],pixno[0],pixno[1],pixo[2] ]\r\n"
               "20,20,25\r\n30,30,30\r\n10,10,10\r\n90,140,220\r\n110,160,230\r\n130,180,240\r\n";
    }

    // Dark ellipses on a blue gradient, JPEG-encoded by Qt's writer, on a grid
    // wide enough that none touch, so each is one group.
    static QByteArray flock(int width, int height, int birds, std::vector<DrawnBird>* drawn = nullptr)
    {
        QImage photo(width, height, QImage::Format_RGB32);
        QPainter p(&photo);
        QLinearGradient sky(0, 0, 0, height);
        sky.setColorAt(0, QColor(90, 140, 220));
        sky.setColorAt(1, QColor(130, 180, 240));
        p.fillRect(photo.rect(), sky);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 25));
        const int columns = (width - 80) / 40;
        for (int i = 0; i < birds; ++i) {
            const DrawnBird b{40 + (i % columns) * 40, 40 + (i / columns) * 40, 9 + i % 3, 5 + i % 2};
            p.drawEllipse(QPoint(b.x, b.y), b.rx, b.ry);
            if (drawn)
                drawn->push_back(b);
        }
        p.end();
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(photo.save(&buffer, "jpg", 92));
        return jpeg;
    }

    // What the window gives for a photo: "Charger un fichier jpg" (with the
    // batch counter's size limit), the samples of the file, "Séparer les
    // oiseaux", "Compter les oiseaux"; the document after the count.
    static Document countAsTheWindow(const QString& photo, const QString& samplesFile, const QString& threshold = "auto")
    {
        Document doc;
        InitArrowPoints(doc);
        setPhoto(doc, decodeJpegFile(photo, JpegLimits{batchMaxPhotoSide, batchMaxPhotoSide}));
        const SampleSet set = readSampleSetFile(samplesFile);
        doc.pixo = set.pixo;
        doc.pixno = set.pixno;
        separateBirds(doc, [] {});
        countBirds(doc, threshold);
        return doc;
    }

    // Runs ornival-compter (or another program) in the test's folder.
    CompterRun run(const QStringList& arguments, const QString& program = ORNIVAL_COMPTER) const
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(program, arguments);
        CompterRun r;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "ornival-compter did not finish";
            return r;
        }
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = process.readAllStandardOutput();
        r.err = process.readAllStandardError();
        return r;
    }

    // The CSV rows after the header, each split into its fields, quoted ones
    // too (the tests' names hold no quotes).
    static std::vector<QStringList> csvRows(const QByteArray& out)
    {
        std::vector<QStringList> rows;
        const QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QStringList fields{QString()};
            bool quoted = false;
            for (const QChar c : lines[i]) {
                if (c == QLatin1Char('"'))
                    quoted = !quoted;
                else if (c == QLatin1Char(',') && !quoted)
                    fields << QString();
                else
                    fields.last() += c;
            }
            rows.push_back(fields);
        }
        return rows;
    }

    static std::vector<ShippedFlock> shippedFlocks() { return findShippedFlocks(QStringLiteral(ORNIVAL_SOURCE_DIR "/data")); }

    QTemporaryDir dir;
};

} // namespace compterest
