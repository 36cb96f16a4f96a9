#include "PhotoView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

void PhotoViewport::setPhotoSize(QSize photo)
{
    photo_ = photo;
    fit();
}

void PhotoViewport::setArea(QSize area)
{
    if (area == area_)
        return;
    area_ = area;
    fit();
}

bool PhotoViewport::zoomable() const
{
    return photo_.width() > area_.width() || photo_.height() > area_.height();
}

double PhotoViewport::fitZoom() const
{
    if (!zoomable())
        return 1.0;
    return std::min(double(area_.width()) / photo_.width(), double(area_.height()) / photo_.height());
}

QSize PhotoViewport::zoomedSize() const
{
    if (!zoomable())
        return photo_;
    // At fit the bounding side comes out at the area's size exactly.
    return {std::max(1, int(std::lround(photo_.width() * zoom_))), std::max(1, int(std::lround(photo_.height() * zoom_)))};
}

bool PhotoViewport::horizontalBarShown() const
{
    const QSize z = zoomedSize();
    const bool wide = z.width() > area_.width();
    const bool high = z.height() > area_.height();
    return wide || (high && z.width() > area_.width() - barThickness);
}

bool PhotoViewport::verticalBarShown() const
{
    const QSize z = zoomedSize();
    const bool wide = z.width() > area_.width();
    const bool high = z.height() > area_.height();
    return high || (wide && z.height() > area_.height() - barThickness);
}

QSize PhotoViewport::viewSize() const
{
    return {area_.width() - (verticalBarShown() ? barThickness : 0),
            area_.height() - (horizontalBarShown() ? barThickness : 0)};
}

QPoint PhotoViewport::maxScroll() const
{
    const QSize z = zoomedSize();
    const QSize v = viewSize();
    return {std::max(0, z.width() - v.width()), std::max(0, z.height() - v.height())};
}

void PhotoViewport::fit()
{
    zoom_ = fitZoom();
    scroll_ = {};
}

void PhotoViewport::setZoom(double zoom)
{
    zoom_ = std::clamp(zoom, fitZoom(), zoomable() ? maxZoom : 1.0);
}

void PhotoViewport::zoomAbout(double factor, QPoint at)
{
    if (!zoomable() || !(factor > 0))
        return;
    const QSize before = zoomedSize();
    // The point under `at`, as a fraction of the photo's width and height.
    const double u = (at.x() + scroll_.x() + 0.5) / before.width();
    const double v = (at.y() + scroll_.y() + 0.5) / before.height();
    const double old = zoom_;
    double wanted = old * factor;
    if (std::min(old, wanted) < 1.0 && std::max(old, wanted) > 1.0)
        wanted = 1.0;  // a step across 100 % stops there
    setZoom(wanted);
    const QSize after = zoomedSize();
    scrollTo({int(std::lround(u * after.width() - at.x() - 0.5)), int(std::lround(v * after.height() - at.y() - 0.5))});
}

void PhotoViewport::scrollTo(QPoint scroll)
{
    const QPoint most = maxScroll();
    scroll_ = {std::clamp(scroll.x(), 0, most.x()), std::clamp(scroll.y(), 0, most.y())};
}

int PhotoViewport::photoColumn(int x) const
{
    const QSize z = zoomedSize();
    if (z.width() == photo_.width())
        return x + scroll_.x();
    const qint64 shown = qint64(x) + scroll_.x();
    return int(shown * photo_.width() / z.width());
}

int PhotoViewport::photoRow(int y) const
{
    const QSize z = zoomedSize();
    if (z.height() == photo_.height())
        return y + scroll_.y();
    const qint64 shown = qint64(y) + scroll_.y();
    return int(shown * photo_.height() / z.height());
}

QPoint PhotoViewport::toPhoto(QPoint at) const
{
    return {photoColumn(at.x()), photoRow(at.y())};
}

QPoint PhotoViewport::toArea(QPoint pixel) const
{
    const QSize z = zoomedSize();
    if (z == photo_)
        return pixel - scroll_;
    // The first zoomed column c with c * width / zoomedWidth >= pixel.
    const qint64 x = (qint64(pixel.x()) * z.width() + photo_.width() - 1) / photo_.width();
    const qint64 y = (qint64(pixel.y()) * z.height() + photo_.height() - 1) / photo_.height();
    return {int(x) - scroll_.x(), int(y) - scroll_.y()};
}

QImage halvedPicture(const QImage& from)
{
    const int w = from.width(), h = from.height();
    QImage to((w + 1) / 2, (h + 1) / 2, QImage::Format_BGR888);
    for (int y = 0; y < to.height(); ++y) {
        const uchar* a = from.constScanLine(2 * y);
        const uchar* b = from.constScanLine(std::min(2 * y + 1, h - 1));
        uchar* out = to.scanLine(y);
        const int pairs = w / 2;
        for (int i = 0; i < 3 * pairs; i += 3) {
            const int x0 = 2 * i;
            out[i] = uchar((a[x0] + a[x0 + 3] + b[x0] + b[x0 + 3] + 2) >> 2);
            out[i + 1] = uchar((a[x0 + 1] + a[x0 + 4] + b[x0 + 1] + b[x0 + 4] + 2) >> 2);
            out[i + 2] = uchar((a[x0 + 2] + a[x0 + 5] + b[x0 + 2] + b[x0 + 5] + 2) >> 2);
        }
        if (w % 2) {
            const int x0 = 3 * (w - 1);
            for (int c = 0; c < 3; ++c)
                out[3 * pairs + c] = uchar((2 * a[x0 + c] + 2 * b[x0 + c] + 2) >> 2);
        }
    }
    return to;
}

PhotoView::PhotoView(QWidget* parent) : QWidget(parent)
{
    horizontalBar_ = new QScrollBar(Qt::Horizontal, this);
    verticalBar_ = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {horizontalBar_, verticalBar_}) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setCursor(Qt::ArrowCursor);
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (syncingBars_)
                return;
            viewport_.scrollTo({horizontalBar_->value(), verticalBar_->value()});
            update();
        });
    }
    mouse.onDoubleClick = [this](QMouseEvent* event) {
        if (!viewport_.zoomable() || event->button() != Qt::LeftButton)
            return false;
        showWholePhoto();
        return true;
    };
}

PhotoView::~PhotoView() = default;

void PhotoView::setSource(const QImage* image)
{
    source_ = image;
    photoChanged();
}

const QImage& PhotoView::image() const
{
    static const QImage none;
    return source_ ? *source_ : none;
}

void PhotoView::photoChanged()
{
    const QImage& photo = image();
    if (photo.cacheKey() != sourceKey_) {
        sourceKey_ = photo.cacheKey();
        levels_.clear();
    }
    if (photo.size() != viewport_.photoSize())
        viewport_.setPhotoSize(photo.size());
    viewChanged();
}

void PhotoView::showWholePhoto()
{
    viewport_.fit();
    viewChanged();
}

bool PhotoView::zoomKey(int key)
{
    if (!viewport_.zoomable())
        return false;
    const QSize v = viewport_.viewSize();
    const QPoint centre(v.width() / 2, v.height() / 2);
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAbout(1.25, centre);
        return true;
    case Qt::Key_Minus:
        zoomAbout(1 / 1.25, centre);
        return true;
    case Qt::Key_0:
        showWholePhoto();
        return true;
    default:
        return false;
    }
}

void PhotoView::zoomAbout(double factor, QPoint at)
{
    viewport_.zoomAbout(factor, at);
    viewChanged();
}

void PhotoView::scrollBy(QPoint delta)
{
    viewport_.scrollBy(delta);
    viewChanged();
}

void PhotoView::viewChanged()
{
    const QSize v = viewport_.viewSize();
    const QPoint most = viewport_.maxScroll();
    syncingBars_ = true;
    horizontalBar_->setGeometry(0, height() - PhotoViewport::barThickness, v.width(), PhotoViewport::barThickness);
    verticalBar_->setGeometry(width() - PhotoViewport::barThickness, 0, PhotoViewport::barThickness, v.height());
    horizontalBar_->setRange(0, most.x());
    horizontalBar_->setPageStep(v.width());
    horizontalBar_->setSingleStep(40);
    horizontalBar_->setValue(viewport_.scroll().x());
    verticalBar_->setRange(0, most.y());
    verticalBar_->setPageStep(v.height());
    verticalBar_->setSingleStep(40);
    verticalBar_->setValue(viewport_.scroll().y());
    horizontalBar_->setVisible(viewport_.horizontalBarShown());
    verticalBar_->setVisible(viewport_.verticalBarShown());
    syncingBars_ = false;
    update();
}

const QImage& PhotoView::level(int n)
{
    if (n == 0 && image().format() == QImage::Format_BGR888)
        return image();
    QImage& copy = levels_[n];  // a map's entries stay in place as others are added
    if (copy.isNull())
        copy = n == 0 ? image().convertToFormat(QImage::Format_BGR888) : halvedPicture(level(n - 1));
    return copy;
}

void PhotoView::renderView()
{
    const QPoint s = viewport_.scroll();
    const QSize shown = viewport_.viewSize().boundedTo(viewport_.zoomedSize() - QSize(s.x(), s.y()));
    if (shown.isEmpty()) {
        view_ = QImage();
        return;
    }
    const int w = shown.width(), h = shown.height();
    // The coarsest halved copy that still has a pixel for each pixel shown.
    int n = 0;
    while (viewport_.zoom() * double(2 << n) <= 1.0)
        ++n;
    const QImage& from = level(n);
    if (view_.size() != QSize(w, h))
        view_ = QImage(w, h, QImage::Format_RGB32);
    columns_.resize(std::size_t(w));
    for (int x = 0; x < w; ++x)
        columns_[std::size_t(x)] = 3 * std::min(viewport_.photoColumn(x) >> n, from.width() - 1);
    for (int y = 0; y < h; ++y) {
        const uchar* row = from.constScanLine(std::min(viewport_.photoRow(y) >> n, from.height() - 1));
        QRgb* out = reinterpret_cast<QRgb*>(view_.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const uchar* p = row + columns_[std::size_t(x)];
            out[x] = qRgb(p[2], p[1], p[0]);
        }
    }
}

void PhotoView::paintEvent(QPaintEvent*)
{
    const QImage& photo = image();
    if (photo.isNull())
        return;
    QPainter painter(this);
    if (!viewport_.zoomable()) {
        painter.drawImage(0, 0, photo);
        return;
    }
    renderView();
    if (!view_.isNull())
        painter.drawImage(0, 0, view_);
}

void PhotoView::wheelEvent(QWheelEvent* event)
{
    if (!viewport_.zoomable()) {
        event->ignore();
        return;
    }
    const QPoint angle = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        zoomAbout(std::pow(1.25, angle.y() / 120.0), event->position().toPoint());
    } else if ((event->modifiers() & Qt::ShiftModifier) && angle.x() == 0) {
        scrollBy({-angle.y(), 0});
    } else {
        scrollBy({-angle.x(), -angle.y()});
    }
    event->accept();
}

void PhotoView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    viewport_.setArea(size());
    viewChanged();
}
