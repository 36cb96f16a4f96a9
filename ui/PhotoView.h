#pragma once

#include "Picture.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include <map>
#include <vector>

class QScrollBar;

// The zoom and the scroll place of a photo shown in a fixed area, and the
// mapping between the area's points and the photo's pixels. A photo that fits
// the area is shown unscaled at its top-left corner and never zooms or
// scrolls. A larger one opens fitted into the area, proportions kept, at the
// top-left, and zooms from there up to maxZoom; scroll bars take their strip of
// the area whenever the zoomed photo is larger than what is left of it.
class PhotoViewport {
public:
    static constexpr double maxZoom = 8.0;
    static constexpr int barThickness = 16;

    explicit PhotoViewport(QSize area = {800, 600}) : area_(area) {}

    // A new photo: back to the whole photo.
    void setPhotoSize(QSize photo);
    QSize photoSize() const { return photo_; }
    QSize area() const { return area_; }
    // A new area: back to the whole photo.
    void setArea(QSize area);

    // Whether the photo is larger than the area, so that it is shown fitted
    // and can be zoomed and scrolled.
    bool zoomable() const;
    // The zoom that shows the whole photo in the area (1 for a photo that fits).
    double fitZoom() const;
    double zoom() const { return zoom_; }
    // The photo's size at the current zoom, in area pixels.
    QSize zoomedSize() const;
    // The zoomed photo's point shown at the area's top-left corner.
    QPoint scroll() const { return scroll_; }
    QPoint maxScroll() const;
    bool horizontalBarShown() const;
    bool verticalBarShown() const;
    // The part of the area that shows the photo: the area less the bars.
    QSize viewSize() const;

    // Back to the whole photo.
    void fit();
    // Multiplies the zoom by `factor` within fit .. maxZoom, keeping the photo
    // point under `at` (an area point) where it is. Passing 100 % on the way
    // stops there, so that the photo's own pixels are one step away.
    void zoomAbout(double factor, QPoint at);
    void scrollTo(QPoint scroll);
    void scrollBy(QPoint delta) { scrollTo(scroll_ + delta); }

    // The photo pixel shown at an area point; beyond the photo's size for a
    // point the photo does not cover.
    QPoint toPhoto(QPoint at) const;
    // The area point where the photo pixel's top-left corner is shown: the
    // first area point that shows it when the zoom is 100 % or more.
    QPoint toArea(QPoint pixel) const;
    // The photo column shown at area column x, and the row at area row y.
    int photoColumn(int x) const;
    int photoRow(int y) const;

private:
    void setZoom(double zoom);

    QSize area_;
    QSize photo_;
    double zoom_ = 1.0;
    QPoint scroll_;
};

// A 24-bit picture (Format_BGR888) at half its size, rounded up: each pixel is
// the rounded mean of the two by two pixels it covers, the last column or row
// of an odd size counting twice.
QImage halvedPicture(const QImage& from);

// Image1: the displayed photo seen through a PhotoViewport. It draws only the
// part in view, sampled from the photo or, below 100 %, from a copy halved as
// often as the zoom allows (made once per change of the photo), so that a zoom
// or scroll step costs one view's worth of pixels. It reports the mouse in
// photo pixels, zooms with Ctrl + wheel about the pointer, scrolls with the
// wheel (Shift + wheel sideways) and the scroll bars, and comes back to the
// whole photo on a double click.
class PhotoView : public QWidget {
public:
    explicit PhotoView(QWidget* parent = nullptr);
    ~PhotoView() override;

    // The raster shown: the window's displayed photo, read in place.
    void setSource(const QImage* image);
    const QImage& image() const;
    // The source changed: a photo of another size comes back to the whole
    // photo; the same size keeps the zoom and the scroll place.
    void photoChanged();
    // Back to the whole photo (a new photo of the same size).
    void showWholePhoto();

    const PhotoViewport& viewport() const { return viewport_; }
    // "+" (or "="), "-" about the view's centre and "0" for the whole photo;
    // false for any other key or a photo that does not zoom.
    bool zoomKey(int key);
    void zoomAbout(double factor, QPoint at);
    void scrollBy(QPoint delta);

    // The mouse, a press with the photo pixel under the pointer. A left double
    // click on a photo that zooms shows the whole photo instead.
    MouseReport mouse{this, [this](QPoint at) { return viewport_.toPhoto(at); }};

protected:
    void paintEvent(QPaintEvent*) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The photo halved `level` times (0: the photo itself), in 24-bit colour.
    const QImage& level(int level);
    void viewChanged();
    void renderView();

    const QImage* source_ = nullptr;
    PhotoViewport viewport_;
    qint64 sourceKey_ = 0;
    std::map<int, QImage> levels_;  // 0: the source in 24-bit colour when it is in another format
    QImage view_;                 // the part in view, as drawn
    std::vector<int> columns_;
    QScrollBar* horizontalBar_ = nullptr;
    QScrollBar* verticalBar_ = nullptr;
    bool syncingBars_ = false;
};
