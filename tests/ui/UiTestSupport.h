#pragma once

#include "core/Canvas.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace uitest {

inline QString dataDir()
{
    return QStringLiteral(ORNIVAL_SOURCE_DIR "/data");
}

// The files the program finds beside itself when it is installed: the default
// photo, the arrow, the factory set and a user set copied from it.
inline QStringList allStartFiles()
{
    return {QStringLiteral("vol de cigognes.jpg"), QStringLiteral("fleche.bmp"), QStringLiteral("ornival0.ini"),
            QStringLiteral("blocs_couleurs0.bmp"), QStringLiteral("ornival.ini"), QStringLiteral("blocs_couleurs.bmp")};
}

struct Message {
    MessageKind kind;
    QString text;
};

// Runs each test in a folder of its own, as the program's current folder, with
// the message boxes recorded instead of shown.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previousFolder = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
        previousPresenter = messagePresenter();
        messagePresenter() = [this](QWidget*, MessageKind kind, const QString& text) {
            messages.push_back({kind, text});
        };
    }

    void TearDown() override
    {
        window.reset();
        messagePresenter() = previousPresenter;
        QDir::setCurrent(previousFolder);
    }

    // Copies shipped files into the folder; "ornival.ini" and
    // "blocs_couleurs.bmp" come from the factory set.
    void seed(const QStringList& names)
    {
        for (const QString& name : names) {
            QString source = name;
            if (name == QLatin1String("ornival.ini"))
                source = QStringLiteral("ornival0.ini");
            else if (name == QLatin1String("blocs_couleurs.bmp"))
                source = QStringLiteral("blocs_couleurs0.bmp");
            ASSERT_TRUE(QFile::copy(dataDir() + QLatin1Char('/') + source, name)) << name.toStdString();
        }
    }

    Tornvl& open()
    {
        window = std::make_unique<Tornvl>();
        window->urlOpener = [this](const QUrl& url) {
            openedUrls << url;
            return true;
        };
        window->show();
        return *window;
    }

    QPushButton* button(const char* name) const
    {
        return qobject_cast<QPushButton*>(window->control(QLatin1String(name)));
    }
    void click(const char* name) const
    {
        QPushButton* b = button(name);
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QString fieldText(const char* name) const
    {
        return qobject_cast<QLineEdit*>(window->control(QLatin1String(name)))->text();
    }
    // Separation then count on the default flock with the factory set.
    void separateAndCount()
    {
        click("creer_bmp");
        click("Ornival1");
    }

    QTemporaryDir folder;
    QString previousFolder;
    MessagePresenter previousPresenter;
    std::vector<Message> messages;
    QList<QUrl> openedUrls;
    std::unique_ptr<Tornvl> window;
};

// A point of the window's client area as a point of `widget`.
inline QPoint fromWindow(QWidget* widget, QPoint windowPoint)
{
    return widget->mapFrom(widget->window(), windowPoint);
}

} // namespace uitest
