#include "Picture.h"

#include <QMouseEvent>
#include <QPainter>

MouseReport::MouseReport(QWidget* control, std::function<QPoint(QPoint)> toPixel) : toPixel_(std::move(toPixel))
{
    control->installEventFilter(this);
}

bool MouseReport::eventFilter(QObject*, QEvent* event)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (onDoubleClick && onDoubleClick(mouse))
            return true;
        [[fallthrough]];
    case QEvent::MouseButtonPress:
        if (onPress) {
            const QPoint at = mouse->position().toPoint();
            onPress(mouse, toPixel_ ? toPixel_(at) : at);
        }
        return true;
    case QEvent::MouseMove:
        if (onMove)
            onMove(mouse);
        return true;
    case QEvent::MouseButtonRelease:
        if (onRelease)
            onRelease(mouse);
        return true;
    default:
        return false;
    }
}

Picture::Picture(QWidget* parent) : QWidget(parent) {}

void Picture::setImage(const QImage& image, bool whiteIsTransparent)
{
    image_ = image;
    if (whiteIsTransparent && !image.isNull()) {
        shown_ = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < shown_.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(shown_.scanLine(y));
            for (int x = 0; x < shown_.width(); ++x)
                if ((row[x] & 0xFFFFFF) == 0xFFFFFF)
                    row[x] = 0;
        }
    } else {
        shown_ = image;
    }
    update();
}

void Picture::paintEvent(QPaintEvent*)
{
    if (shown_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, shown_);
}
