#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

// A control that shows a raster unscaled at its top-left corner and reports
// the mouse in the raster's pixels.
class Picture : public QWidget {
public:
    explicit Picture(QWidget* parent = nullptr);
    // With `whiteIsTransparent` the white pixels show the parent's colour.
    void setImage(const QImage& image, bool whiteIsTransparent = false);
    const QImage& image() const { return image_; }

    std::function<void(QMouseEvent*)> onPress;
    std::function<void(QMouseEvent*)> onMove;
    std::function<void(QMouseEvent*)> onRelease;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage image_;
    QImage shown_;
};
