#pragma once

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

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

// An edit field that reports each key released in it.
class KeyUpEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void(int key)> onKeyUp;

protected:
    void keyReleaseEvent(QKeyEvent* event) override
    {
        QLineEdit::keyReleaseEvent(event);
        if (onKeyUp && !event->isAutoRepeat())
            onKeyUp(event->key());
    }
};
