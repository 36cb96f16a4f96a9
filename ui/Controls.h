#pragma once

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSet>

#include <functional>

// A label that reports a click.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (onClick && event->button() == Qt::LeftButton)
            onClick();
        QLabel::mousePressEvent(event);
    }
};

// An edit field that reports each key released in it whose press was in it
// too. The release of a key pressed elsewhere is not reported: the Enter that
// closes a message box lands its release here, and must not count again and
// bring the box back.
class KeyUpEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void(int key)> onKeyUp;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!event->isAutoRepeat())
            pressedKeys_.insert(event->key());
        QLineEdit::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override
    {
        QLineEdit::keyReleaseEvent(event);
        if (event->isAutoRepeat() || !pressedKeys_.remove(event->key()))
            return;
        if (onKeyUp)
            onKeyUp(event->key());
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        pressedKeys_.clear();
        QLineEdit::focusOutEvent(event);
    }

private:
    QSet<int> pressedKeys_;
};
