#include "Picture.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

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
            break;
        [[fallthrough]];
    case QEvent::MouseButtonPress:
        if (onPress) {
            const QPoint at = mouse->position().toPoint();
            onPress(mouse, toPixel_ ? toPixel_(at) : at);
        }
        break;
    case QEvent::MouseMove:
        if (onMove)
            onMove(mouse);
        break;
    case QEvent::MouseButtonRelease:
        if (onRelease)
            onRelease(mouse);
        break;
    default:
        return false;
    }
    return true;
}

Picture::Picture(QWidget* parent) : QWidget(parent) {}

void Picture::setImage(const QImage& image, bool whiteIsTransparent)
{
    image_ = image;
    shown_ = whiteIsTransparent ? image.convertToFormat(QImage::Format_ARGB32) : image;
    if (whiteIsTransparent) {  // 32-bit rows hold no padding: the pixels are one run
        QRgb* first = reinterpret_cast<QRgb*>(shown_.bits());
        std::replace_if(first, first + qsizetype(shown_.width()) * shown_.height(),
                        [](QRgb p) { return (p & 0xFFFFFF) == 0xFFFFFF; }, 0u);
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
