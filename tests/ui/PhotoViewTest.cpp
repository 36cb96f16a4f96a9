// The photo view: the viewport's mapping against a plain rule, the fit, zoom
// and scroll limits on both sides, and what the view draws and does with the
// wheel against a plain sampling of the photo and its halved copies.
#include "UiTestSupport.h"

#include <QRandomGenerator>
#include <QScrollBar>

namespace {

QImage randomPicture(QSize size, quint32 seed, QImage::Format format = QImage::Format_BGR888)
{
    QRandomGenerator random(seed);
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    return image.convertToFormat(format);
}

PhotoViewport viewport(QSize photo, double zoom = 0, QPoint scroll = {})
{
    PhotoViewport v;
    v.setPhotoSize(photo);
    for (int i = 0; i < 2 && zoom; ++i)  // the first step may stop at 100 %
        v.zoomAbout(zoom / v.zoom(), {});
    v.scrollTo(scroll);
    return v;
}

} // namespace

// Area point a shows the photo pixel c whose span [c, c + 1) * zoomed / photo
// holds a + scroll, on both axes; toArea gives the first point showing a pixel.
TEST(PhotoViewport, MapsAreaPointsToPhotoPixelsLikeThePlainRule)
{
    QRandomGenerator random(15);
    for (int trial = 0; trial < 300; ++trial) {
        const QSize photo(int(random.bounded(801, 7000)), int(random.bounded(100, 5000)));
        const PhotoViewport v = viewport(photo, trial % 10 ? 0.1 + random.bounded(8.0) : 1.0,
                                         {int(random.bounded(40000)), int(random.bounded(40000))});
        const QSize z = v.zoomedSize();
        SCOPED_TRACE(testing::Message() << photo.width() << " x " << photo.height() << " at " << v.zoom());
        for (int a = 0; a < 800; a += 3) {
            const QPoint c = v.toPhoto({a, a * 3 / 4});
            const double x = a + v.scroll().x(), y = a * 3 / 4 + v.scroll().y();
            ASSERT_TRUE(double(c.x()) * z.width() / photo.width() <= x + 1e-9 && double(c.x() + 1) * z.width() / photo.width() > x) << a;
            ASSERT_TRUE(double(c.y()) * z.height() / photo.height() <= y + 1e-9 && double(c.y() + 1) * z.height() / photo.height() > y) << a;
        }
        for (int i = 0; i < 20; ++i) {
            const QPoint p(int(random.bounded(1, photo.width())), int(random.bounded(1, photo.height()))), a = v.toArea(p);
            ASSERT_TRUE(v.photoColumn(a.x()) >= p.x() && v.photoColumn(a.x() - 1) < p.x()) << p.x();
            ASSERT_TRUE(v.photoRow(a.y()) >= p.y() && v.photoRow(a.y() - 1) < p.y()) << p.y();
        }
    }
}

TEST(PhotoViewport, HalvedPictureIsTheMeanOfEachTwoByTwo)
{
    // 8 columns halve to rows of 12 bytes with no padding: a write past a row lands in the next one or past the end
    for (QSize size : {QSize(1, 1), QSize(2, 2), QSize(7, 4), QSize(8, 9), QSize(33, 17)}) {
        const QImage from = randomPicture(size, 16), half = halvedPicture(from);
        ASSERT_EQ(half.size(), QSize((size.width() + 1) / 2, (size.height() + 1) / 2));
        auto at = [&](int x, int y, int c) { return from.constScanLine(std::min(y, size.height() - 1))[3 * std::min(x, size.width() - 1) + c]; };
        for (int y = 0; y < half.height(); ++y)
            for (int x = 0; x < 3 * half.width(); ++x)
                ASSERT_EQ(half.constScanLine(y)[x], (at(2 * (x / 3), 2 * y, x % 3) + at(2 * (x / 3) + 1, 2 * y, x % 3)
                                                     + at(2 * (x / 3), 2 * y + 1, x % 3) + at(2 * (x / 3) + 1, 2 * y + 1, x % 3) + 2) / 4)
                    << size.width() << " x " << size.height() << " at " << x << "," << y;
    }
}

TEST(PhotoViewport, ZoomStaysBetweenFitAndItsMostAndStopsAtFullSizeOnTheWay)
{
    PhotoViewport v = viewport({3000, 2000}, 0, {900, 900});
    const double fit = v.fitZoom();
    const std::pair<double, double> steps[] = {{0.5, fit},  {std::pow(1.25, 5), fit * std::pow(1.25, 5)}, {1.25, 1.0}, {1.25, 1.25},
                                               {0.5, 1.0},  {0.5, 0.5}, {2.0, 1.0}, {0.0, 1.0}, {-2.0, 1.0}, {1000, 8.0}, {0.99, 8 * 0.99}};
    for (const auto& [factor, zoom] : steps) {
        const QPoint scroll = v.scroll();
        v.zoomAbout(factor, {400, 300});
        EXPECT_NEAR(v.zoom(), zoom, 1e-12) << factor;
        EXPECT_TRUE(factor > 0 || v.scroll() == scroll) << factor;
    }
}

// A photo that fits the area is shown as it is and never zooms or scrolls; a
// larger one opens fitted, and a new area fits it again. At 50 % a photo of
// 1600 x 1200 fits exactly; one row more and the vertical bar takes 16 columns,
// so a photo wider than 784 then needs the horizontal bar too.
TEST(PhotoViewport, FitsZoomsAndShowsScrollBarsOnlyWhenTheZoomedPhotoOutgrowsTheView)
{
    const std::tuple<QSize, double, QSize, bool, bool> rows[] = {
        {{800, 600}, 2, {800, 600}, false, false},   {{640, 480}, 2, {640, 480}, false, false},
        {{801, 600}, 0, {800, 599}, false, false},   {{800, 601}, 0, {799, 600}, false, false},
        {{3000, 2000}, 0, {800, 533}, false, false}, {{1000, 3000}, 0, {200, 600}, false, false},
        {{1600, 1200}, .5, {800, 600}, false, false}, {{1600, 1202}, .5, {800, 601}, true, true},
        {{1568, 1202}, .5, {784, 601}, false, true},  {{1570, 1202}, .5, {785, 601}, true, true},
        {{1602, 1168}, .5, {801, 584}, true, false},  {{1602, 1170}, .5, {801, 585}, true, true}};
    for (const auto& [photo, zoom, zoomed, horizontal, vertical] : rows) {
        SCOPED_TRACE(testing::Message() << photo.width() << " x " << photo.height());
        PhotoViewport v = viewport(photo, zoom, {50, 50});
        EXPECT_EQ(v.zoomable(), photo != zoomed);
        EXPECT_EQ(v.zoomedSize(), zoomed);
        EXPECT_EQ(v.horizontalBarShown(), horizontal);
        EXPECT_EQ(v.verticalBarShown(), vertical);
        const QSize view = v.viewSize();
        EXPECT_EQ(view, QSize(800 - 16 * vertical, 600 - 16 * horizontal));
        const QPoint most(std::max(0, zoomed.width() - view.width()), std::max(0, zoomed.height() - view.height()));
        EXPECT_EQ(v.maxScroll(), most);
        EXPECT_EQ(v.scroll(), QPoint(std::min(50, most.x()), std::min(50, most.y())));
        v.scrollTo({-1, -1});
        EXPECT_EQ(v.scroll(), QPoint(0, 0));
        v.zoomAbout(2, {});
        v.scrollBy(most + QPoint(1, 1));
        EXPECT_EQ(v.toPhoto({123, 45}) == QPoint(123, 45), !v.zoomable());
        const double zoomed2 = v.zoom();
        v.setArea({800, 600});  // the same area keeps the zoom and the place; another one fits again
        EXPECT_EQ(v.zoom(), zoomed2);
        EXPECT_EQ(v.scroll() != QPoint(0, 0), v.zoomable());
        v.setArea({400, 300});
        EXPECT_EQ(v.zoom(), v.fitZoom());
        EXPECT_EQ(v.scroll(), QPoint(0, 0));
    }
}

// Every pixel the view draws is the photo's, or below 100 % that of the coarsest
// halved copy with a pixel for each one shown, at the pixel the viewport maps
// to: at the first and the farthest scroll place, on both sides of 50 % and 25 %.
TEST(PhotoViewport, ViewDrawsThePhotoOrItsHalvedCopiesLikeThePlainSampling)
{
    const std::pair<QSize, double> rows[] = {{{400, 300}, 0}, {{401, 301}, 0},   {{399, 299}, 0}, {{800, 600}, 0},  {{801, 601}, 0},
                                             {{799, 599}, 0}, {{1600, 300}, 0.2}, {{400, 300}, 1}, {{300, 700}, 2.7}};
    PhotoView view;
    view.resize(200, 150);
    view.show();
    for (const auto& [size, zoom] : rows) {
        for (const QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
            // A new photo of the same size in the second round: nothing of the first may show.
            const QImage photo = randomPicture(size, quint32(size.width() + format), format);
            view.setSource(&photo);
            view.showWholePhoto();
            for (int i = 0; i < 2 && zoom; ++i)
                view.zoomAbout(zoom / view.viewport().zoom(), {});
            const PhotoViewport& v = view.viewport();
            int n = 0;
            QImage level = photo.convertToFormat(QImage::Format_BGR888);
            for (; v.zoom() * (2 << n) <= 1.0; ++n)
                level = halvedPicture(level);
            for (const QPoint scroll : {QPoint(0, 0), v.maxScroll()}) {
                view.scrollBy(scroll - v.scroll());
                const QImage shown = view.grab().toImage();
                const QSize drawn = v.viewSize().boundedTo(v.zoomedSize());
                for (int y = 0; y < drawn.height(); ++y)
                    for (int x = 0; x < drawn.width(); ++x)
                        ASSERT_EQ(shown.pixel(x, y), level.pixel(v.photoColumn(x) >> n, v.photoRow(y) >> n))
                            << size.width() << " x " << size.height() << " at " << v.zoom() << " scrolled by " << scroll.x() << ": " << x << "," << y;
            }
        }
        view.setSource(nullptr);
    }
    const QImage photo = randomPicture({100, 400}, 3);  // in a view narrower than its scroll bar: nothing drawn, no failure
    view.resize(10, 300);
    view.setSource(&photo);
    view.zoomAbout(8, {});
    EXPECT_LT(view.viewport().viewSize().width(), 0);
    EXPECT_FALSE(view.grab().isNull());
}

// The wheel scrolls (Shift: sideways) and with Ctrl zooms about the pointer, as
// the bars scroll; a photo that fits takes no wheel.
TEST(PhotoViewport, WheelAndBarsScrollAndZoom)
{
    const QImage large = randomPicture({3000, 2000}, 4), small = randomPicture({800, 600}, 5);
    PhotoView view;
    view.resize(800, 600);
    view.show();
    view.setSource(&small);
    EXPECT_FALSE(wheel(&view, {400, 300}, {0, 120}, Qt::ControlModifier));
    view.setSource(&large);
    const std::tuple<Qt::KeyboardModifiers, QPoint, QPoint, double> turns[] = {
        {{}, {0, -120}, {0, 120}, 1},   {Qt::ShiftModifier, {0, -120}, {120, 0}, 1}, {Qt::ShiftModifier, {-90, 0}, {90, 0}, 1},
        {{}, {-30, -60}, {30, 60}, 1}, {{}, {40, 0}, {-40, 0}, 1},                  {Qt::ControlModifier, {0, 240}, {}, 1.5625}};
    for (const auto& [modifiers, angle, scrolled, zoom] : turns) {
        SCOPED_TRACE(testing::Message() << angle.x() << "," << angle.y() << " " << modifiers);
        view.showWholePhoto();
        view.zoomAbout(2 / view.viewport().fitZoom(), {});  // stops at 100 %
        view.scrollBy({1000, 700});
        const PhotoViewport before = view.viewport();
        EXPECT_TRUE(wheel(&view, {400, 300}, angle, modifiers));
        EXPECT_NEAR(view.viewport().zoom(), before.zoom() * zoom, 1e-9);
        if (zoom == 1)
            EXPECT_EQ(view.viewport().scroll(), before.scroll() + scrolled);
        else  // the photo point under the pointer stays there
            EXPECT_NEAR(view.viewport().toPhoto({400, 300}).x(), before.toPhoto({400, 300}).x(), 1);
    }
    for (QScrollBar* bar : view.findChildren<QScrollBar*>()) {
        const QPoint before = view.viewport().scroll();
        bar->setValue(bar->value() - 40);
        EXPECT_EQ(view.viewport().scroll() - before, bar->orientation() == Qt::Horizontal ? QPoint(-40, 0) : QPoint(0, -40));
    }
}
