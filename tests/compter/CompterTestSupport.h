#pragma once

#include "compter/BatchCount.h"
#include "core/Count.h"
#include "core/Separation.h"
#include "files/SampleSetFile.h"
#include "tests/files/FilesTestSupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QPainter>
#include <QProcess>

#include <map>
#include <vector>

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

// The batch counter's tests work in the files tests' temporary folder.
class CompterTest : public filestest::FilesTest {
protected:
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
    static Document countAsTheWindow(const QString& photo, const QString& samplesFile, const QString& threshold)
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

    // A count of one photo on its own, as a worker makes it.
    static PhotoResult countAlone(const QString& photo, const QString& samplesFile, const CountOptions& options = {})
    {
        return countPhoto(PhotoJob{photo, {}, {}, {}, {}}, readSampleSetFile(samplesFile), options);
    }

    // Runs ornival-compter (or another program) in the test's folder.
    static CompterRun run(const QStringList& arguments, const QString& program = ORNIVAL_COMPTER)
    {
        QProcess process;
        process.start(program, arguments);
        CompterRun r;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "the program did not finish";
            return r;
        }
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = process.readAllStandardOutput();
        r.err = process.readAllStandardError();
        return r;
    }

    // The CSV rows after the header, each split into its fields.
    static std::vector<QStringList> csvRows(const QByteArray& out)
    {
        std::vector<QStringList> rows;
        for (const QString& line : QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
            rows.push_back(csvFields(line));
        return rows;
    }

    static std::vector<ShippedFlock> shippedFlocks() { return findShippedFlocks(QStringLiteral(ORNIVAL_SOURCE_DIR "/data")); }

    // Every file under the folder with a digest of its bytes, to show what a run wrote.
    std::map<QString, QByteArray> snapshot() const
    {
        std::map<QString, QByteArray> files;
        QDirIterator it(folder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile f(file);
            f.open(QIODevice::ReadOnly);
            files[file] = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
        }
        return files;
    }
};

} // namespace compterest
