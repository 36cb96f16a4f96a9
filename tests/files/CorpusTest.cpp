// Every file of the readers' corpus (made by tools/make_corpus) against the
// outcome its manifest gives: the readers' answers, and the document left as
// it was by every refused file.
#include "FilesTestSupport.h"

#include "core/Groups.h"
#include "core/SampleStrip.h"
#include "files/BmpFile.h"
#include "files/SampleSetFile.h"
#include "files/WorkBitmapFile.h"

#include <QFileInfo>

#include <cstring>

#include <sys/stat.h>

using namespace filestest;

namespace {

struct CorpusFile {
    QString path;
    QString name;
    QString outcome;
    QString headerProblem;  // of a bitmap: what the header check says of it
};

std::vector<CorpusFile> corpusFiles(const QString& folder)
{
    QFile manifest(QStringLiteral(ORNIVAL_CORPUS_DIR "/manifest.tsv"));
    EXPECT_TRUE(manifest.open(QIODevice::ReadOnly)) << "no corpus in " ORNIVAL_CORPUS_DIR;
    std::vector<CorpusFile> files;
    for (const QByteArray& line : manifest.readAll().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
        if (fields.size() >= 3 && fields[0] == folder)
            files.push_back({QStringLiteral(ORNIVAL_CORPUS_DIR "/") + folder + "/" + fields[1], fields[1], fields[2], fields.value(3)});
    }
    EXPECT_GT(files.size(), 10u);
    return files;
}

void expectSamePhotoState(const Document& doc, const Document& before)
{
    auto state = [](const Document& d) {
        return std::tie(d.photoJpeg, d.displayedPhoto, d.photoWidth, d.photoHeight, d.workBitmap, d.workflowStep,
                        d.blackShown, d.arrowPosition, d.groupMaskCopy, d.groupsMatchPhoto, d.movedGroups);
    };
    EXPECT_TRUE(state(doc) == state(before));
}

// The photo as the row reader gives it, row after row.
QImage decodedByRows(const QByteArray& bytes)
{
    JpegRowReader rows(bytes, JpegLimits{});
    QImage image(rows.width(), rows.height(), QImage::Format_BGR888);
    for (int y = 0; y < rows.height(); ++y)
        std::memcpy(image.scanLine(y), rows.row(y), std::size_t(rows.width()) * 3);
    return image;
}

class Corpus : public FilesTest {};

} // namespace

// A photo and a working bitmap of the corpus: the reader's answer, and the
// load into a document whose photo is "p.jpg".
TEST_F(Corpus, PhotosAndBitmaps)
{
    ASSERT_TRUE(QFile::copy(corpus("jpeg/baseline.jpg"), "p.jpg"));
    for (const QString folder : {"jpeg", "bmp"}) {
        const bool jpeg = folder == "jpeg";
        for (const CorpusFile& file : corpusFiles(folder)) {
            SCOPED_TRACE(file.name.toStdString());
            const QStringList words = file.outcome.split(QLatin1Char(' '));
            QImage image;
            const std::optional<QString> error = errorOf([&] { image = jpeg ? decodeJpegFile(file.path) : readBmpFile(file.path); });
            if (jpeg) {
                // Decoded a band at a time: the same refusal or the same pixels.
                QImage byRows;
                EXPECT_EQ(errorOf([&] { byRows = decodedByRows(readWholeFile(file.path)); }), error);
                EXPECT_TRUE(error || byRows == image);
            }
            if (!jpeg && words[0] != "empty") {
                EXPECT_EQ(bmpHeaderProblem(read(file.path)), file.headerProblem);
            }
            Document doc = withPhoto("p.jpg");
            const Document before = doc;
            std::optional<QString> loadError;
            if (jpeg) {
                loadError = loadPhoto(doc, file.path).failureMessage;
                EXPECT_EQ(doc.photoFileName, file.path);
            } else {
                QFile::remove("p.bmp");
                ASSERT_TRUE(QFile::copy(file.path, "p.bmp"));
                loadError = errorOf([&] { loadWorkBitmap(doc); });
            }
            if (words[0] == "error") {
                EXPECT_EQ(error, file.outcome);
                // The window shows "Mauvais Format" for a damaged photo, and
                // says plainly why one over its own limit is refused.
                const std::optional<QString> windowError = errorOf([&] { decodeJpegFile(file.path, windowPhotoLimits); });
                EXPECT_EQ(loadError, !jpeg ? file.outcome
                                     : windowError->startsWith("error Photo trop grande") ? windowError->mid(6)
                                                                                        : QStringLiteral("Mauvais Format"));
                expectSamePhotoState(doc, before);
                continue;
            }
            ASSERT_FALSE(error) << error->toStdString();
            ASSERT_FALSE(loadError);
            EXPECT_EQ(jpeg ? doc.photoJpeg : doc.workBitmap, image);
            EXPECT_EQ(doc.workflowStep, jpeg ? 1 : 2);
            EXPECT_EQ(doc.blackShown, !jpeg);
            EXPECT_EQ(doc.arrowPosition, jpeg ? (TPoint{775, 124}) : before.arrowPosition);
            // A new photo's load forgets the groups and marks of the previous
            // one; an empty bitmap has no bird.
            EXPECT_EQ(doc.groupsMatchPhoto, !jpeg);
            EXPECT_EQ(std::count(doc.movedGroups.begin(), doc.movedGroups.end(), 1), jpeg ? 0 : 5);
            const auto birds = std::count(doc.groupMaskCopy.begin(), doc.groupMaskCopy.end(), 255);
            EXPECT_TRUE(birds == 0 || !(jpeg || words[0] == "empty"));
            if (words[0] == "empty") {
                EXPECT_TRUE(image.isNull());
                continue;
            }
            EXPECT_EQ(image.size(), QSize(words[1].toInt(), words[2].toInt()));
            if (jpeg) {
                EXPECT_EQ(doc.displayedPhoto, image);
                EXPECT_EQ(doc.workBitmap.size(), image.size());
                EXPECT_EQ(image.format(), QImage::Format_BGR888);
                for (int y = 0; words[0] == "grey" && y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x) {
                        const uchar* p = image.constScanLine(y) + 3 * x;
                        ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
                    }
            } else {
                EXPECT_EQ(image.pixel(words[3].toInt(), words[4].toInt()) & 0xFFFFFF, words[5].toUInt(nullptr, 16));
            }
        }
    }
}

TEST_F(Corpus, SampleSets)
{
    write("blocs_couleurs.bmp", encodeBmp(blankStripPicture()));
    for (const CorpusFile& file : corpusFiles("ini")) {
        SCOPED_TRACE(file.name.toStdString());
        QFile::remove("ornival.ini");
        ASSERT_TRUE(QFile::copy(file.path, "ornival.ini"));
        Document doc;
        doc.log = QStringList{"an earlier line"};
        if (QFileInfo(file.path).size() > maxSampleSetFileBytes) {
            // Refused before it is read, whatever it holds.
            EXPECT_EQ(errorOf([&] { LoadSampleSet(doc); }), "error Impossible d'ouvrir le fichier ornival.ini");
            EXPECT_TRUE(doc.log.isEmpty());
            EXPECT_EQ(doc.pixo, Document().pixo);
            continue;
        }
        ASSERT_FALSE(errorOf([&] { LoadSampleSet(doc); }));
        EXPECT_EQ(doc.stripPicture.size(), QSize(191, 31));
        if (file.outcome == "any")
            continue;
        QStringList got;
        for (const ColorTriple& c : doc.pixo)
            got.append(TripleToText(c));
        for (const ColorTriple& c : doc.pixno)
            got.append(TripleToText(c));
        EXPECT_EQ("samples " + got.join(' ') + " lines " + QString::number(doc.log.size()), file.outcome);
    }
}

// Names that are no readable file: each reader says it cannot open them, and
// nothing changes.
TEST_F(Corpus, NamesThatAreNoFile)
{
    ASSERT_TRUE(QFile::copy(corpus("jpeg/baseline.jpg"), "previous.jpg"));
    QDir().mkdir("dossier.jpg");
    QDir().mkdir("dossier.bmp");
    ASSERT_EQ(mkfifo("tube.jpg", 0600), 0);
    ASSERT_EQ(mkfifo("tube.bmp", 0600), 0);
    ASSERT_TRUE(QFile::link("nowhere", "lien.jpg"));
    ASSERT_TRUE(QFile::link("nowhere", "lien.bmp"));
    for (const char* stem : {"absent", "dossier", "tube", "lien"}) {
        SCOPED_TRACE(stem);
        const QString jpg = QString::fromLatin1(stem) + ".jpg";
        const QString bmp = QString::fromLatin1(stem) + ".bmp";
        EXPECT_EQ(errorOf([&] { decodeJpegFile(jpg); }), "error Impossible d'ouvrir le fichier " + jpg);
        EXPECT_EQ(errorOf([&] { readBmpFile(bmp); }), "error Impossible d'ouvrir le fichier " + bmp);

        Document doc = withPhoto("previous.jpg");
        const Document before = doc;
        EXPECT_EQ(loadPhoto(doc, jpg).failureMessage, QStringLiteral("Mauvais Format"));
        expectSamePhotoState(doc, before);
        EXPECT_EQ(errorOf([&] { loadWorkBitmap(doc); }), "error Impossible d'ouvrir le fichier " + bmp);
        expectSamePhotoState(doc, before);
    }
}
