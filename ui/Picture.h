#pragma once

#include <QImage>
#include <QObject>
#include <QWidget>

#include <functional>

class QMouseEvent;

// The mouse on a control that shows a raster, reported to its handlers: the
// press with the raster pixel under the pointer (`toPixel` maps a point of the
// control; none: the point itself), the moves and the release. A double click
// is a press unless `onDoubleClick` takes it. The control's own mouse handlers
// never see these events.
class MouseReport : public QObject {
public:
    explicit MouseReport(QWidget* control, std::function<QPoint(QPoint)> toPixel = {});

    std::function<void(QMouseEvent*, QPoint pixel)> onPress;
    std::function<void(QMouseEvent*)> onMove;
    std::function<void(QMouseEvent*)> onRelease;
    std::function<bool(QMouseEvent*)> onDoubleClick;  // true: taken, no press

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<QPoint(QPoint)> toPixel_;
};

// A control that shows a raster unscaled at its top-left corner and reports
// the mouse in the raster's pixels.
class Picture : public QWidget {
public:
    explicit Picture(QWidget* parent = nullptr);
    // With `whiteIsTransparent` the white pixels show the parent's colour.
    void setImage(const QImage& image, bool whiteIsTransparent = false);
    const QImage& image() const { return image_; }

    MouseReport mouse{this};

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage image_;
    QImage shown_;
};
