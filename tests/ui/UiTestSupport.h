#pragma once

#include "core/Canvas.h"
#include "core/Groups.h"
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

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    file.write(bytes);
}

// Turns the wheel over `view`; returns whether the view took it.
inline bool wheel(QWidget* view, QPoint at, QPoint angle, Qt::KeyboardModifiers modifiers = {})
{
    QWheelEvent event(at, view->mapToGlobal(QPointF(at)), {}, angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &event);
    return event.isAccepted();
}

// Runs each test in a folder of its own, as the program's current folder, with
// the message boxes recorded instead of shown.
class WindowTest : public ::testing::Test {
protected:
    using Messages = std::vector<std::pair<MessageKind, QString>>;
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid() && QDir::setCurrent(folder.path()));
        messagePresenter() = [this](QWidget*, MessageKind kind, const QString& text) { messages.push_back({kind, text}); };
    }
    void TearDown() override { w.reset(); }

    // The files beside the installed program: the default photo, the arrow,
    // the factory set and a user set copied from it.
    void seed(const QStringList& names = shipped)
    {
        for (const QString& name : names) {
            QString source = name;
            source.replace("ornival.ini", "ornival0.ini").replace("couleurs.bmp", "couleurs0.bmp");
            ASSERT_TRUE(QFile::copy(ORNIVAL_SOURCE_DIR "/data/" + source, name)) << name.toStdString();
        }
    }
    void open()
    {
        w = std::make_unique<Tornvl>();
        w->urlOpener = [this](const QUrl& url) { return openedUrls << url, true; };
        w->show();
    }
    void click(const char* name) const { QTest::mouseClick(w->control(name), Qt::LeftButton); }
    int field(int bin) const { return w->binFields[bin]->text().toInt(); }
    void choose(const QString& path)
    {
        w->photoChooser = [path](QWidget*) { return path; };
        click("Charger");
    }
    Messages takeMessages() { return std::exchange(messages, {}); }

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
    // The centre of a group that a press there reaches, framed (two birds) or not.
    QPoint group(bool framed) const
    {
        for (int g = 1; g <= w->doc.groupCount; ++g) {
            const TRect r = w->doc.groupRects[std::size_t(g)];
            const QPoint c((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
            if ((w->doc.groupSizes[std::size_t(g)] >= w->doc.twoBirdThreshold) == framed && GroupAt(w->doc, c.x(), c.y()) == g)
                return c;
        }
        ADD_FAILURE() << "no such group";
        return {};
    }

    static inline const QStringList shipped{"vol de cigognes.jpg", "fleche.bmp",  "ornival0.ini",
                                            "blocs_couleurs0.bmp", "ornival.ini", "blocs_couleurs.bmp"};
    QTemporaryDir folder;
    Messages messages;
    QList<QUrl> openedUrls;
    std::unique_ptr<Tornvl> w;
};
