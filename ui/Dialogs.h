#pragma once

#include <QMessageBox>
#include <QString>
#include <QTranslator>
#include <QWidget>

#include <functional>
#include <memory>

enum class MessageKind { Plain, Error };

// The text of the standard error box: a full stop is added when the last
// character sorts after "." (a letter or a digit, for instance).
QString withFullStop(const QString& text);

// Shows a message: by default a message box titled "Ornival d'oiseaux" with one
// OK button, no icon for a plain message, the stop icon for an error. Tests
// replace the presenter so that nothing blocks.
// The box the default presenter shows.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, MessageKind kind, const QString& text);
using MessagePresenter = std::function<void(QWidget* parent, MessageKind kind, const QString& text)>;
MessagePresenter& messagePresenter();
void showPlainMessage(QWidget* parent, const QString& text);
void showErrorBox(QWidget* parent, const QString& text);

// Runs a handler's work; an error it does not catch ends it and goes to the
// standard error box, and the program goes on. Returns whether it ran through.
bool guarded(QWidget* parent, const std::function<void()>& work);

// Installs Qt's own French texts (the open dialog, the buttons of the message
// boxes) from the translations in `folder`. Returns the translator, owned by
// the application, or null when they cannot be read: the program then runs
// with Qt's English texts.
QTranslator* installQtFrenchTexts(const QString& folder);

// The wait cursor for as long as the guard lives, however the work ends.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
