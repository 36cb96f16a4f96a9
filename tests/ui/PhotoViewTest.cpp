// The photo view: the viewport's mapping against a plain rule, the fit, zoom
// and scroll limits on both sides, and what the view draws against a plain
// sampling of the photo and its halved copies.
#include "UiTestSupport.h"

#include <QRandomGenerator>

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

// The first area point (along one axis) whose photo pixel is `p` or beyond.
bool firstToShow(const PhotoViewport& v, int a, int p, bool rows)
{
    auto at = [&](int i) { return rows ? v.photoRow(i) : v.photoColumn(i); };
    return at(a) >= p && at(a - 1) < p;
}

} // namespace

// Area point a shows the photo pixel c whose span [c, c + 1) * zoomed / photo
// holds a + scroll, on both axes; toArea gives the first point showing a pixel.
TEST(PhotoViewport, MapsAreaPointsToPhotoPixelsLikeThePlainRule)
{
    QRandomGenerator random(15);
    for (int trial = 0; trial < 300; ++trial) {
        PhotoViewport v;
        v.setPhotoSize({int(random.bounded(801, 7000)), int(random.bounded(100, 5000))});
        v.zoomAbout(trial % 10 ? std::exp(random.bounded(4.0)) : 2 / v.fitZoom(), {int(random.bounded(800)), int(random.bounded(600))});
        v.scrollTo({int(random.bounded(40000)), int(random.bounded(40000))});
        const QSize photo = v.photoSize(), z = v.zoomedSize();
        SCOPED_TRACE(testing::Message() << photo.width() << " x " << photo.height() << " at " << v.zoom());
        for (int a = 0; a < 800; a += 3) {
            const QPoint c = v.toPhoto({a, a * 3 / 4});
            const double x = a + v.scroll().x(), y = a * 3 / 4 + v.scroll().y();
            ASSERT_TRUE(double(c.x()) * z.width() / photo.width() <= x + 1e-9 && double(c.x() + 1) * z.width() / photo.width() > x) << a;
            ASSERT_TRUE(double(c.y()) * z.height() / photo.height() <= y + 1e-9 && double(c.y() + 1) * z.height() / photo.height() > y) << a;
        }
        for (int i = 0; i < 20; ++i) {
            const QPoint p(int(random.bounded(1, photo.width())), int(random.bounded(1, photo.height())));
            ASSERT_TRUE(firstToShow(v, v.toArea(p).x(), p.x(), false)) << p.x();
            ASSERT_TRUE(firstToShow(v, v.toArea(p).y(), p.y(), true)) << p.y();
        }
    }
}

TEST(PhotoViewport, HalvedPictureIsTheMeanOfEachTwoByTwo)
{
    for (QSize size : {QSize(1, 1), QSize(2, 2), QSize(7, 4), QSize(8, 9), QSize(33, 17)}) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        const QImage from = randomPicture(size, 16);
        const QImage half = halvedPicture(from);
        ASSERT_EQ(half.size(), QSize((size.width() + 1) / 2, (size.height() + 1) / 2));
        for (int y = 0; y < half.height(); ++y)
            for (int x = 0; x < half.width(); ++x)
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx)
                            sum += from.constScanLine(std::min(2 * y + dy, size.height() - 1))[3 * std::min(2 * x + dx, size.width() - 1) + c];
                    ASSERT_EQ(half.constScanLine(y)[3 * x + c], (sum + 2) / 4) << x << "," << y;
                }
    }
}

TEST(PhotoViewport, FitsALargerPhotoAndLeavesOneThatFitsAsItIs)
{
    const struct {
        QSize photo;
        bool zoomable;
        QSize fitted;
    } rows[] = {{{800, 600}, false, {800, 600}}, {{640, 480}, false, {640, 480}},   {{801, 600}, true, {800, 599}},
                {{800, 601}, true, {799, 600}},  {{3000, 2000}, true, {800, 533}}, {{1000, 3000}, true, {200, 600}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.photo.width() << " x " << row.photo.height());
        PhotoViewport v;
        v.setPhotoSize(row.photo);
        EXPECT_EQ(v.zoomable(), row.zoomable);
        EXPECT_EQ(v.zoomedSize(), row.fitted);
        EXPECT_EQ(v.viewSize(), QSize(800, 600));  // no scroll bar at fit
        v.zoomAbout(2, {10, 10});
        v.scrollBy({50, 50});
        EXPECT_EQ(v.zoom() > v.fitZoom(), row.zoomable);
        EXPECT_EQ(v.scroll() != QPoint(0, 0), row.zoomable);
        if (!row.zoomable) {
            EXPECT_EQ(v.toPhoto({123, 45}), QPoint(123, 45));
        }
        // The same area keeps the zoom and the place; another one fits again.
        const double zoom = v.zoom();
        v.setArea({800, 600});
        EXPECT_EQ(v.zoom(), zoom);
        v.setArea({400, 300});
        EXPECT_EQ(v.zoom(), v.fitZoom());
        EXPECT_EQ(v.scroll(), QPoint(0, 0));
    }
}

TEST(PhotoViewport, ZoomStaysBetweenFitAndItsMostAndStopsAtFullSizeOnTheWay)
{
    PhotoViewport v;
    v.setPhotoSize({3000, 2000});
    const double fit = v.fitZoom();
    const struct {
        double factor, zoom;
    } steps[] = {{0.5, fit},        {std::pow(1.25, 5), fit * std::pow(1.25, 5)}, {1.25, 1.0}, {1.25, 1.25}, {0.5, 1.0},
                 {0.5, 0.5},        {2.0, 1.0},                                  {0.0, 1.0},  {-2.0, 1.0},  {1000, PhotoViewport::maxZoom},
                 {0.99, 8 * 0.99}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.factor);
        const QPoint scroll = v.scroll();
        v.zoomAbout(step.factor, {400, 300});
        EXPECT_NEAR(v.zoom(), step.zoom, 1e-12);
        if (step.factor <= 0) {
            EXPECT_EQ(v.scroll(), scroll);
        }
    }
}

TEST(PhotoViewport, ScrollBarsAppearOnlyWhenTheZoomedPhotoOutgrowsTheView)
{
    // At 50 % a photo of 1600 x 1200 fits exactly; one row more and the
    // vertical bar takes 16 columns, so a photo wider than 784 then needs the
    // horizontal bar too (and the other way round).
    const struct {
        QSize photo;
        bool horizontal, vertical;
    } rows[] = {{{1600, 1200}, false, false}, {{1600, 1202}, true, true}, {{1568, 1202}, false, true},
                {{1570, 1202}, true, true},   {{1602, 1168}, true, false}, {{1602, 1170}, true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.photo.width() << " x " << row.photo.height());
        PhotoViewport v;
        v.setPhotoSize(row.photo);
        v.zoomAbout(0.5 / v.zoom(), {});
        ASSERT_DOUBLE_EQ(v.zoom(), 0.5);
        EXPECT_EQ(v.horizontalBarShown(), row.horizontal);
        EXPECT_EQ(v.verticalBarShown(), row.vertical);
        const QSize z = v.zoomedSize(), view = v.viewSize();
        EXPECT_EQ(view, QSize(800 - 16 * row.vertical, 600 - 16 * row.horizontal));
        EXPECT_EQ(v.maxScroll(), QPoint(std::max(0, z.width() - view.width()), std::max(0, z.height() - view.height())));
        v.scrollTo(v.maxScroll() + QPoint(1, 1));
        EXPECT_EQ(v.scroll(), v.maxScroll());
        v.scrollTo({-1, -1});
        EXPECT_EQ(v.scroll(), QPoint(0, 0));
    }
}

// Every pixel the view draws is the photo's, or below 100 % that of the
// coarsest halved copy with a pixel for each one shown, at the pixel the
// viewport maps to: at the first and the farthest scroll place, on both sides
// of 50 % and 25 %.
TEST(PhotoViewport, ViewDrawsThePhotoOrItsHalvedCopiesLikeThePlainSampling)
{
    const struct {
        QSize photo;
        double zoom;  // 0: fit
    } rows[] = {{{400, 300}, 0}, {{401, 301}, 0}, {{399, 299}, 0},   {{800, 600}, 0},  {{801, 601}, 0},
                {{799, 599}, 0}, {{1600, 300}, 0.2}, {{400, 300}, 1}, {{300, 700}, 2.7}};
    PhotoView view;
    view.resize(200, 150);
    view.show();
    for (const auto& row : rows) {
        for (const QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
            // A new photo of the same size in the second round: nothing of the first may show.
            const QImage photo = randomPicture(row.photo, quint32(row.photo.width() + format), format);
            view.setSource(&photo);
            view.showWholePhoto();
            for (int i = 0; i < 2 && row.zoom; ++i)  // the first step may stop at 100 %
                view.zoomAbout(row.zoom / view.viewport().zoom(), {});
            const PhotoViewport& v = view.viewport();
            int n = 0;
            while (v.zoom() * (2 << n) <= 1.0)
                ++n;
            QImage level = photo.convertToFormat(QImage::Format_BGR888);
            for (int i = 0; i < n; ++i)
                level = halvedPicture(level);
            for (const QPoint scroll : {QPoint(0, 0), v.maxScroll()}) {
                view.scrollBy(scroll - v.scroll());
                SCOPED_TRACE(testing::Message() << row.photo.width() << " x " << row.photo.height() << " at " << v.zoom()
                                                << " scrolled " << v.scroll().x() << "," << v.scroll().y());
                const QImage shown = view.grab().toImage();
                const QSize drawn = v.viewSize().boundedTo(v.zoomedSize());
                for (int y = 0; y < drawn.height(); ++y)
                    for (int x = 0; x < drawn.width(); ++x)
                        ASSERT_EQ(shown.pixel(x, y), level.pixel(v.photoColumn(x) >> n, v.photoRow(y) >> n)) << x << "," << y;
            }
        }
        view.setSource(nullptr);
    }
    // A view narrower than its scroll bar draws nothing and does not fail.
    const QImage photo = randomPicture({100, 400}, 3);
    view.resize(10, 300);
    view.setSource(&photo);
    view.zoomAbout(8, {});
    EXPECT_LT(view.viewport().viewSize().width(), 0);
    EXPECT_FALSE(view.grab().isNull());
}

// The wheel scrolls (Shift: sideways) and with Ctrl zooms about the pointer;
// "+", "=", "-" zoom about the view's centre and "0" shows the whole photo. A
// photo that fits takes neither.
TEST(PhotoViewport, WheelAndKeysZoomAndScroll)
{
    const QImage large = randomPicture({3000, 2000}, 4), small = randomPicture({800, 600}, 5);
    PhotoView view;
    view.resize(800, 600);
    view.show();
    const struct {
        Qt::KeyboardModifiers modifiers;
        QPoint angle;
        QPoint scrolled;
        double zoom;
    } turns[] = {{{}, {0, -120}, {0, 120}, 1},          {Qt::ShiftModifier, {0, -120}, {120, 0}, 1},
                 {Qt::ShiftModifier, {-90, 0}, {90, 0}, 1}, {{}, {-30, -60}, {30, 60}, 1},
                 {{}, {40, 0}, {-40, 0}, 1},             {Qt::ControlModifier, {0, 240}, {}, 1.5625}};
    for (const auto& turn : turns) {
        SCOPED_TRACE(testing::Message() << turn.angle.x() << "," << turn.angle.y() << " " << turn.modifiers);
        for (const QImage* photo : {&large, &small}) {
            view.setSource(photo);
            view.showWholePhoto();
            view.zoomAbout(2 / view.viewport().fitZoom(), {});  // stops at 100 %
            view.scrollBy({1000, 700});
            const PhotoViewport before = view.viewport();
            QWheelEvent event({400, 300}, view.mapToGlobal(QPointF(400, 300)), {}, turn.angle, Qt::NoButton,
                              turn.modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&view, &event);
            EXPECT_EQ(event.isAccepted(), photo == &large);
            EXPECT_NEAR(view.viewport().zoom(), before.zoom() * (photo == &large ? turn.zoom : 1), 1e-9);
            if (turn.zoom == 1 || photo == &small)
                EXPECT_EQ(view.viewport().scroll(), before.scroll() + (photo == &large ? turn.scrolled : QPoint()));
            else  // the photo point under the pointer stays there
                EXPECT_NEAR(view.viewport().toPhoto({400, 300}).x(), before.toPhoto({400, 300}).x(), 1);
        }
    }
    const struct {
        int key;
        bool taken;
        double zoom;  // relative; 0: the whole photo
    } keys[] = {{Qt::Key_Plus, true, 1.25}, {Qt::Key_Equal, true, 1.25}, {Qt::Key_Minus, true, 0.8},
                {Qt::Key_0, true, 0},       {Qt::Key_A, false, 1},        {Qt::Key_Escape, false, 1}};
    for (const auto& key : keys) {
        SCOPED_TRACE(key.key);
        view.setSource(&small);
        EXPECT_FALSE(view.zoomKey(key.key));
        view.setSource(&large);
        view.zoomAbout(2, {});
        const double zoom = view.viewport().zoom();
        const QPoint centre = view.viewport().toPhoto({392, 292});
        EXPECT_EQ(view.zoomKey(key.key), key.taken);
        EXPECT_NEAR(view.viewport().zoom(), key.zoom ? zoom * key.zoom : view.viewport().fitZoom(), 1e-9);
        if (key.zoom == 1.25) {
            EXPECT_NEAR(view.viewport().toPhoto({392, 292}).x(), centre.x(), 1);
        }
    }
}
