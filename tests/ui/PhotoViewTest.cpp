// The photo view: fit, zoom and scroll of a photo larger than Image1, and every
// gesture on it in photo pixels, driven by real presses, moves and wheel turns.
#include "UiTestSupport.h"

#include "core/Groups.h"
#include "core/SampleStrip.h"

#include <QImageWriter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QWheelEvent>

using namespace uitest;

namespace {

// The mapping, checked against a plain model: area column a shows the photo
// column whose span [c, c + 1) * zoomedWidth / width holds a + scroll.
TEST(PhotoViewport, MapsAreaPointsToPhotoPixelsLikeThePlainRule)
{
    QRandomGenerator random(15);
    for (int trial = 0; trial < 200; ++trial) {
        PhotoViewport v;
        v.setPhotoSize({int(random.bounded(801, 7000)), int(random.bounded(100, 5000))});
        v.zoomAbout(std::exp(random.bounded(4.0)), {int(random.bounded(800)), int(random.bounded(600))});
        v.scrollTo({int(random.bounded(40000)), int(random.bounded(40000))});
        SCOPED_TRACE(testing::Message() << v.photoSize().width() << " x " << v.photoSize().height() << " at "
                                        << v.zoom());
        const QSize z = v.zoomedSize();
        for (int a = 0; a < v.viewSize().width(); a += 7) {
            const int c = v.toPhoto({a, 0}).x();
            const double shown = a + v.scroll().x();
            ASSERT_LE(double(c) * z.width() / v.photoSize().width(), shown + 1e-9);
            ASSERT_GT(double(c + 1) * z.width() / v.photoSize().width(), shown);
        }
        // At 100 % or more each pixel is first shown at toArea, not one point before.
        if (v.zoom() >= 1.0) {
            const QPoint p(int(random.bounded(1, v.photoSize().width())), int(random.bounded(1, v.photoSize().height())));
            EXPECT_EQ(v.toPhoto(v.toArea(p)), p);
            EXPECT_EQ(v.toPhoto(v.toArea(p) - QPoint(1, 1)), p - QPoint(1, 1));
        }
    }
}

TEST(PhotoViewport, HalvedPictureIsTheMeanOfEachTwoByTwo)
{
    QRandomGenerator random(16);
    for (QSize size : {QSize(1, 1), QSize(2, 2), QSize(7, 4), QSize(8, 9), QSize(33, 17)}) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        QImage from(size, QImage::Format_BGR888);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < 3 * size.width(); ++x)
                from.scanLine(y)[x] = uchar(random.bounded(256));
        const QImage half = halvedPicture(from);
        ASSERT_EQ(half.size(), QSize((size.width() + 1) / 2, (size.height() + 1) / 2));
        for (int y = 0; y < half.height(); ++y)
            for (int x = 0; x < half.width(); ++x)
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx)
                            sum += from.constScanLine(std::min(2 * y + dy, size.height() - 1))
                                       [3 * std::min(2 * x + dx, size.width() - 1) + c];
                    ASSERT_EQ(half.constScanLine(y)[3 * x + c], (sum + 2) / 4) << x << "," << y;
                }
    }
}

TEST(PhotoViewport, FitsALargerPhotoAndLeavesOneThatFitsAsItIs)
{
    struct Row {
        QSize photo;
        bool zoomable;
        QSize fitted;
    };
    const Row rows[] = {
        {{800, 600}, false, {800, 600}}, {{640, 480}, false, {640, 480}}, {{801, 600}, true, {800, 599}},
        {{800, 601}, true, {799, 600}},  {{3000, 2000}, true, {800, 533}}, {{1000, 3000}, true, {200, 600}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.photo.width() << " x " << row.photo.height());
        PhotoViewport v;
        v.setPhotoSize(row.photo);
        EXPECT_EQ(v.zoomable(), row.zoomable);
        EXPECT_EQ(v.zoomedSize(), row.fitted);
        EXPECT_EQ(v.viewSize(), QSize(800, 600));  // no scroll bar at fit
        EXPECT_EQ(v.toPhoto({0, 0}), QPoint(0, 0));
        v.zoomAbout(2, {10, 10});
        v.scrollBy({50, 50});
        EXPECT_EQ(v.zoom() > v.fitZoom(), row.zoomable);
        EXPECT_EQ(v.scroll() != QPoint(0, 0), row.zoomable);
        if (!row.zoomable) {
            EXPECT_EQ(v.toPhoto({123, 45}), QPoint(123, 45));
        }
    }
}

TEST(PhotoViewport, ZoomStaysBetweenFitAndItsMostAndStopsAtFullSize)
{
    PhotoViewport v;
    v.setPhotoSize({3000, 2000});
    v.zoomAbout(0.5, {});
    EXPECT_DOUBLE_EQ(v.zoom(), v.fitZoom());
    for (int i = 0; i < 5; ++i)
        v.zoomAbout(1.25, {});
    EXPECT_LT(v.zoom(), 1.0);
    v.zoomAbout(1.25, {});
    EXPECT_DOUBLE_EQ(v.zoom(), 1.0);  // 0.81 x 1.25 would pass 100 %
    v.zoomAbout(1000, {});
    EXPECT_DOUBLE_EQ(v.zoom(), PhotoViewport::maxZoom);
    EXPECT_GE(PhotoViewport::maxZoom, 4.0);
}

TEST(PhotoViewport, ScrollBarsAppearOnlyWhenTheZoomedPhotoOutgrowsTheView)
{
    // A photo zoomed to exactly 800 x 600 fits; one row more and the vertical
    // bar takes 16 columns, so a photo wider than 784 then needs the
    // horizontal bar too (and the other way round).
    struct Row {
        QSize photo;
        double zoom;
        bool horizontal, vertical;
    };
    const Row rows[] = {
        {{1600, 1200}, 0.5, false, false},     {{1600, 1202}, 0.5, true, true},
        {{1568, 1202}, 0.5, false, true},      {{1570, 1202}, 0.5, true, true},
        {{1602, 1168}, 0.5, true, false},      {{1602, 1170}, 0.5, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.photo.width() << " x " << row.photo.height());
        PhotoViewport v;
        v.setPhotoSize(row.photo);
        v.zoomAbout(row.zoom / v.zoom(), {});
        ASSERT_DOUBLE_EQ(v.zoom(), row.zoom);
        EXPECT_EQ(v.horizontalBarShown(), row.horizontal);
        EXPECT_EQ(v.verticalBarShown(), row.vertical);
        const QSize view = v.viewSize();
        EXPECT_EQ(v.maxScroll(), QPoint(std::max(0, v.zoomedSize().width() - view.width()),
                                        std::max(0, v.zoomedSize().height() - view.height())));
        v.scrollTo(v.maxScroll() + QPoint(1, 1));
        EXPECT_EQ(v.scroll(), v.maxScroll());
        v.scrollTo({-1, -1});
        EXPECT_EQ(v.scroll(), QPoint(0, 0));
    }
}

// Sky whose colour changes from each pixel to the next, with dark square birds
// of 6 x 6 pixels, two squares of 12 x 12 (two birds each) and one of 20 x 20.
QImage largeFlock()
{
    QImage image(3000, 2000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(90 + 9 * (x % 8), 130 + 9 * (y % 8), 220));
    auto square = [&](int x, int y, int side) {
        for (int dy = 0; dy < side; ++dy)
            for (int dx = 0; dx < side; ++dx)
                image.setPixel(x + dx, y + dy, qRgb(20, 20, 20));
    };
    for (int i = 0; i < 24; ++i)
        square(100 + 120 * i, 100 + 70 * (i % 5), 6);
    square(2000, 1500, 12);
    square(1000, 1800, 12);
    square(2500, 1000, 20);
    return image;
}

bool writeJpeg(const QImage& image, const QString& path)
{
    QImageWriter writer(path, "jpg");
    writer.setQuality(100);
    return writer.write(image);
}

class LargePhoto : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        seed(allStartFiles());
        static const QImage flock = largeFlock();
        ASSERT_TRUE(writeJpeg(flock, QStringLiteral("large.jpg")));
        Tornvl& w = open();
        load(w, QStringLiteral("large.jpg"));
    }

    void load(Tornvl& w, const QString& path)
    {
        w.photoChooser = [path](QWidget*) { return path; };
        click("Charger");
    }

    const PhotoViewport& view() const { return window->Image1->viewport(); }

    void wheel(QPoint at, int delta, Qt::KeyboardModifiers modifiers = {})
    {
        QWheelEvent event(at, window->Image1->mapToGlobal(QPointF(at)), {}, {0, delta}, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(window->Image1, &event);
    }

    // Zooms from fit to 244 % about the view's corner and scrolls so that the photo
    // pixel lies in the middle of the view; returns where it is shown.
    QPoint bringIntoView(QPoint pixel)
    {
        QTest::keyClick(window.get(), Qt::Key_0);
        for (int turn = 0; turn < 3; ++turn)  // the second turn stops at 100 %
            wheel({0, 0}, 120 * 4, Qt::ControlModifier);
        EXPECT_DOUBLE_EQ(view().zoom(), 1.25 * 1.25 * 1.25 * 1.25);
        const QPoint at = view().toArea(pixel) + QPoint(1, 1);
        const QPoint move = at - QPoint(400, 300);
        wheel({400, 300}, -move.y());
        wheel({400, 300}, -move.x(), Qt::ShiftModifier);
        EXPECT_EQ(view().toPhoto({400, 300}), pixel);
        return {400, 300};
    }

    // The pixel that the view shows at an area point.
    QRgb shownAt(QPoint at) const { return window->Image1->grab().toImage().pixel(at) & 0xFFFFFF; }
};

TEST_F(LargePhoto, OpensFittedZoomsAboutThePointerScrollsAndComesBackToFit)
{
    Tornvl& w = *window;
    EXPECT_EQ(w.Image1->image().size(), QSize(3000, 2000));
    EXPECT_EQ(view().zoomedSize(), QSize(800, 533));
    EXPECT_FALSE(w.Image1->findChild<QScrollBar*>()->isVisible());

    const QPoint pointer(300, 200);
    const QPoint under = view().toPhoto(pointer);
    wheel(pointer, 120 * 3, Qt::ControlModifier);
    EXPECT_NEAR(view().zoom(), view().fitZoom() * 1.25 * 1.25 * 1.25, 1e-9);
    // Still under the pointer, within what one point of the view covered.
    EXPECT_NEAR(view().toPhoto(pointer).x(), under.x(), 4);
    EXPECT_NEAR(view().toPhoto(pointer).y(), under.y(), 4);

    const QPoint scroll = view().scroll();
    wheel(pointer, -120);
    EXPECT_EQ(view().scroll(), scroll + QPoint(0, 120));
    wheel(pointer, -120, Qt::ShiftModifier);
    EXPECT_EQ(view().scroll(), scroll + QPoint(120, 120));
    QScrollBar* bars[2] = {};
    for (QScrollBar* bar : w.Image1->findChildren<QScrollBar*>())
        bars[bar->orientation() == Qt::Horizontal ? 0 : 1] = bar;
    EXPECT_EQ(bars[0]->value(), view().scroll().x());
    EXPECT_TRUE(bars[1]->isVisible());
    bars[1]->setValue(bars[1]->value() + 40);
    EXPECT_EQ(view().scroll(), scroll + QPoint(120, 160));

    // The keys zoom about the view's centre; "0" and a double click show the whole photo.
    const double zoom = view().zoom();
    QTest::keyClick(&w, Qt::Key_Plus);
    EXPECT_NEAR(view().zoom(), zoom * 1.25, 1e-9);
    QTest::keyClick(&w, Qt::Key_Minus);
    EXPECT_NEAR(view().zoom(), zoom, 1e-9);
    QTest::keyClick(&w, Qt::Key_0);
    EXPECT_EQ(view().zoomedSize(), QSize(800, 533));
    QTest::keyClick(&w, Qt::Key_Plus);
    QTest::mouseDClick(w.Image1, Qt::LeftButton, {}, pointer);
    EXPECT_EQ(view().zoomedSize(), QSize(800, 533));

    // The zoom and the place stay through a separation, a count and the
    // overlay's buttons; a new photo opens whole again.
    wheel(pointer, 120 * 5, Qt::ControlModifier);
    wheel(pointer, -300);
    const double kept = view().zoom();
    const QPoint keptScroll = view().scroll();
    separateAndCount();
    click("voir_enlever_le_noir");
    click("voir_enlever_le_noir1");
    EXPECT_EQ(w.doc.workflowStep, 3);
    EXPECT_EQ(view().zoom(), kept);
    EXPECT_EQ(view().scroll(), keptScroll);
    load(w, QStringLiteral("large.jpg"));
    EXPECT_EQ(view().zoomedSize(), QSize(800, 533));
    EXPECT_EQ(view().scroll(), QPoint(0, 0));
}

TEST_F(LargePhoto, SampleTakenFromAZoomedScrolledViewIsThePhotoPixelUnderThePointer)
{
    Tornvl& w = *window;
    const QPoint pixel(1237, 1411);
    const QImage& photo = w.doc.displayedPhoto;
    for (QPoint next : {QPoint(1, 0), QPoint(0, 1), QPoint(-1, 0), QPoint(0, -1)})
        ASSERT_NE(photo.pixel(pixel), photo.pixel(pixel + next));  // a neighbour would be told apart
    const QPoint at = bringIntoView(pixel);
    EXPECT_EQ(shownAt(at), photo.pixel(pixel) & 0xFFFFFF);
    QTest::mousePress(w.Image1, Qt::LeftButton, {}, at);
    QTest::mouseMove(w.Image1, at + QPoint(6, 0));
    const QPoint overCell = w.Image1->mapFrom(&w, w.Image2->mapTo(&w, QPoint(cellLeft(1) + 2, 10)));
    QTest::mouseMove(w.Image1, overCell);
    QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, overCell);
    EXPECT_EQ(w.doc.pressPoint, (TPoint{pixel.x(), pixel.y()}));
    EXPECT_EQ(ColorToTriple(fromQRgb(photo.pixel(pixel))), w.doc.pixo[1]);
}

TEST_F(LargePhoto, FramesPressesAndDragsOfAZoomedScrolledViewMeetTheRightGroups)
{
    Tornvl& w = *window;
    w.doc.pixo.fill(ColorTriple{20, 20, 20});
    w.doc.pixno = {ColorTriple{220, 130, 90}, ColorTriple{220, 160, 120}, ColorTriple{220, 190, 150}};
    separateAndCount();
    ASSERT_EQ(w.doc.groupCount, 27);
    const int pair = GroupAt(w.doc, 2005, 1505);
    const int lone = GroupAt(w.doc, 100 + 120 * 7 + 3, 100 + 70 * 2 + 3);
    ASSERT_GT(pair, 0);
    ASSERT_GT(lone, 0);
    ASSERT_GE(w.doc.groupSizes[std::size_t(pair)], w.doc.twoBirdThreshold);
    ASSERT_LT(w.doc.groupSizes[std::size_t(lone)], w.doc.twoBirdThreshold);

    // The frame is drawn on the photo's own pixels and shown where they are.
    const TRect r = w.doc.groupRects[std::size_t(pair)];
    const QPoint corner(r.Left + (r.Left + r.Top) % 2, r.Top);  // a dot of the dotted outline
    const QPoint at = bringIntoView({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    EXPECT_EQ(w.Image1->image().pixel(corner) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shownAt(view().toArea(corner)), 0xFFFFFFu);
    EXPECT_NE(shownAt(view().toArea(corner) - QPoint(0, 1)), 0xFFFFFFu);

    // The middle button shows the group's size by the pointer.
    QTest::mousePress(w.Image1, Qt::MiddleButton, {}, at);
    EXPECT_EQ(w.doc.pressedGroup, pair);
    EXPECT_TRUE(w.Edit9->isVisible());
    EXPECT_EQ(w.Edit9->text(), QStringLiteral("taille: %1").arg(w.doc.groupSizes[std::size_t(pair)]));
    EXPECT_EQ(w.Edit9->pos(), w.Image1->mapTo(&w, at) - QPoint(26, 21));
    QTest::mouseRelease(w.Image1, Qt::MiddleButton, {}, at);

    // Dragged from there into the bin of six.
    QTest::mousePress(w.Image1, Qt::LeftButton, {}, at);
    QTest::mouseMove(w.Image1, at + QPoint(6, 0));
    const QPoint overBar = w.Image1->mapFrom(&w, w.Image4->mapTo(&w, QPoint(750, 50)));
    QTest::mouseMove(w.Image1, overBar);
    QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, overBar);
    EXPECT_TRUE(w.doc.movedGroups[std::size_t(pair)]);
    EXPECT_EQ(w.doc.binCounts[6], 1);

    // A right click on a lone bird, found through the zoomed view.
    const int two = w.doc.binCounts[2];
    const QPoint loneShown = bringIntoView({100 + 120 * 7 + 3, 100 + 70 * 2 + 3});
    QTest::mouseClick(w.Image1, Qt::RightButton, {}, loneShown);
    EXPECT_EQ(w.doc.binCounts[2], two + 1);
    EXPECT_EQ(w.doc.groupSizes[std::size_t(lone)], w.doc.twoBirdThreshold);
}

TEST_F(LargePhoto, PhotoOverThePixelCapIsRefusedAndTheViewStays)
{
    Tornvl& w = *window;
    QFile big(QStringLiteral("huge.jpg"));
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::gray);
    ASSERT_TRUE(writeJpeg(small, big.fileName()));
    ASSERT_TRUE(big.open(QIODevice::ReadWrite));
    QByteArray bytes = big.readAll();
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(frame, 0);
    bytes[frame + 5] = char(8192 >> 8);  // height 8192
    bytes[frame + 6] = char(0);
    bytes[frame + 7] = char(8193 >> 8);  // width 8193
    bytes[frame + 8] = char(8193 & 0xFF);
    big.seek(0);
    big.write(bytes);
    big.close();

    wheel({200, 200}, 120 * 6, Qt::ControlModifier);
    const double zoom = view().zoom();
    const QPoint scroll = view().scroll();
    const QImage shown = w.doc.displayedPhoto;
    load(w, big.fileName());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Photo trop grande : 8193 x 8192 pixels (67108864 pixels au plus)"));
    EXPECT_EQ(w.doc.displayedPhoto, shown);
    EXPECT_EQ(w.doc.photoWidth, 3000);
    EXPECT_EQ(w.doc.workBitmap.size(), QSize(3000, 2000));
    EXPECT_EQ(view().zoom(), zoom);
    EXPECT_EQ(view().scroll(), scroll);
    // The open dialog names no size.
    EXPECT_EQ(makePhotoDialog(nullptr)->nameFilters(), QStringList{QStringLiteral("Fichier image JPG (*.jpg)")});
}

} // namespace
