#include "Picture.h"

#include <QMouseEvent>
#include <QPainter>

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

void Picture::mousePressEvent(QMouseEvent* event)
{
    if (onPress)
        onPress(event);
}

void Picture::mouseMoveEvent(QMouseEvent* event)
{
    if (onMove)
        onMove(event);
}

void Picture::mouseReleaseEvent(QMouseEvent* event)
{
    if (onRelease)
        onRelease(event);
}
