#pragma once

#include "core/Document.h"
#include "core/OrnivalError.h"
#include "files/PhotoFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>


// Failure messages show texts as texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace filestest {

// Every test of the files and of the batch counter runs in a fresh temporary
// folder, where the program's relative file names resolve.
class FilesTest : public ::testing::Test {
protected:
    FilesTest() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~FilesTest() override { QDir::setCurrent(previous_); }

    QString folder() const { return dir_.path(); }
    QString path(const QString& name) const { return dir_.filePath(name); }

    static void write(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A file of the readers' corpus made by tools/make_corpus, e.g. "jpeg/baseline.jpg" (64 x 48).
    static QString corpus(const QString& name) { return QStringLiteral(ORNIVAL_CORPUS_DIR "/") + name; }

    // A document holding `photo`, its state moved on as after a count, so that
    // a refused file can be seen to leave it whole.
    static Document withPhoto(const QString& photo)
    {
        Document doc;
        InitArrowPoints(doc);
        EXPECT_FALSE(loadPhoto(doc, photo).failureMessage);
        doc.workflowStep = 3;
        doc.arrowPosition = {816, 436};
        doc.groupMaskCopy[doc.maskIndex(7, 7)] = 255;
        doc.movedGroups.assign(5, 1);
        doc.groupsMatchPhoto = true;
        return doc;
    }

    // "error <text>" when `f` throws, else nothing.
    template <typename F>
    static std::optional<QString> errorOf(F f)
    {
        try {
            f();
        } catch (const OrnivalError& e) {
            return "error " + e.text();
        }
        return std::nullopt;
    }

private:
    QTemporaryDir dir_;
    QString previous_;
};

} // namespace filestest
