#pragma once

#include "core/Canvas.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// The files the program finds beside itself when it is installed: the default
// photo, the arrow, the factory set and a user set copied from it.
inline const QStringList allStartFiles{"vol de cigognes.jpg", "fleche.bmp",   "ornival0.ini",
                                       "blocs_couleurs0.bmp", "ornival.ini", "blocs_couleurs.bmp"};

inline void writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    file.write(bytes);
}

// Runs each test in a folder of its own, as the program's current folder, with
// the message boxes recorded instead of shown.
class WindowTest : public ::testing::Test {
protected:
    struct Message {
        MessageKind kind;
        QString text;
    };

    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previousFolder = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
        previousPresenter = messagePresenter();
        messagePresenter() = [this](QWidget*, MessageKind kind, const QString& text) { messages.push_back({kind, text}); };
    }
    void TearDown() override
    {
        w.reset();
        messagePresenter() = previousPresenter;
        QDir::setCurrent(previousFolder);
    }

    // Copies shipped files into the folder; the user set is the factory one.
    void seed(const QStringList& names = allStartFiles)
    {
        for (QString name : names) {
            const QString source = QString(name).replace("ornival.ini", "ornival0.ini").replace("couleurs.bmp", "couleurs0.bmp");
            ASSERT_TRUE(QFile::copy(ORNIVAL_SOURCE_DIR "/data/" + source, name)) << name.toStdString();
        }
    }
    Tornvl& open()
    {
        w = std::make_unique<Tornvl>();
        w->urlOpener = [this](const QUrl& url) { return openedUrls << url, true; };
        w->show();
        return *w;
    }
    void click(const char* name) const { QTest::mouseClick(w->control(name), Qt::LeftButton); }
    QString text(const char* name) const { return static_cast<QLineEdit*>(w->control(name))->text(); }
    int field(int bin) const { return w->binFields[bin]->text().toInt(); }
    void choose(const QString& path)
    {
        w->photoChooser = [path](QWidget*) { return path; };
        click("Charger");
    }
    void expectOneMessage(MessageKind kind, const QString& text)
    {
        ASSERT_EQ(messages.size(), 1u) << text.toStdString();
        EXPECT_EQ(messages[0].kind, kind);
        EXPECT_EQ(messages[0].text, text);
        messages.clear();
    }

    // A point of `target` as a point of the photo's control.
    QPoint over(QWidget* target, QPoint point) const { return w->Image1->mapFrom(w.get(), target->mapTo(w.get(), point)); }
    // A left press on the photo, a move past the drag threshold, then a move to
    // `point` of `target` and the release there.
    void drag(QPoint from, QWidget* target, QPoint point) const
    {
        QTest::mousePress(w->Image1, Qt::LeftButton, {}, from);
        QTest::mouseMove(w->Image1, from + QPoint(6, 0));
        QTest::mouseMove(w->Image1, over(target, point));
        QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, over(target, point));
    }
    void wheel(QPoint at, QPoint angle, Qt::KeyboardModifiers modifiers = {}) const
    {
        QWheelEvent event(at, w->Image1->mapToGlobal(QPointF(at)), {}, angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w->Image1, &event);
    }
    const PhotoViewport& view() const { return w->Image1->viewport(); }

    QTemporaryDir folder;
    QString previousFolder;
    MessagePresenter previousPresenter;
    std::vector<Message> messages;
    QList<QUrl> openedUrls;
    std::unique_ptr<Tornvl> w;
};
