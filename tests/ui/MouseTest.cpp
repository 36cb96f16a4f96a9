// What the mouse does on the photo, the correction bar and the sample strip,
// driven by real presses, moves and releases through the window, on a photo
// shown as it is and on a larger one zoomed and scrolled. The bins, cells and
// pictures themselves are the core's, tested there.
#include "UiTestSupport.h"

#include "core/Groups.h"
#include "core/SampleStrip.h"

#include <QCursor>
#include <QImageWriter>

namespace {

class Mouse : public WindowTest {
protected:
    // After a count of the default flock.
    void counted()
    {
        seed();
        open();
        click("creer_bmp");
        click("Ornival1");
        ASSERT_EQ(w->doc.workflowStep, 3);
    }
    // The centre of a group that a press there reaches, framed (two birds) or not.
    QPoint group(bool framed) const
    {
        for (int g = 1; g <= w->doc.groupCount; ++g) {
            const TRect r = w->doc.groupRects[std::size_t(g)];
            const QPoint c((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
            if ((w->doc.groupSizes[std::size_t(g)] >= w->doc.twoBirdThreshold) == framed && GroupAt(w->doc, c.x(), c.y()) == g)
                return c;
        }
        ADD_FAILURE() << "no such group";
        return {};
    }
    Qt::CursorShape cursor() const { return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BlankCursor; }
};

// Sky whose colour changes from each pixel to the next, with dark square birds
// of 6 x 6 pixels, two squares of 12 x 12 (two birds each) and one of 20 x 20.
const QImage& largeFlock()
{
    static const QImage image = [] {
        QImage image(3000, 2000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(90 + 9 * (x % 8), 130 + 9 * (y % 8), 220));
        for (const auto& [x, y, side] : {std::tuple{2000, 1500, 12}, {1000, 1800, 12}, {2500, 1000, 20}})
            for (int i = 0; i < side * side; ++i)
                image.setPixel(x + i % side, y + i / side, qRgb(20, 20, 20));
        for (int b = 0; b < 24; ++b)
            for (int i = 0; i < 36; ++i)
                image.setPixel(100 + 120 * b + i % 6, 100 + 70 * (b % 5) + i / 6, qRgb(20, 20, 20));
        return image;
    }();
    return image;
}

class LargePhoto : public Mouse {
protected:
    void SetUp() override
    {
        Mouse::SetUp();
        seed();
        QImageWriter writer("large.jpg", "jpg");
        writer.setQuality(100);
        ASSERT_TRUE(writer.write(largeFlock()));
        open();
        choose("large.jpg");
    }
    // Zooms from fit to 244 % about the view's corner and scrolls so that the
    // photo pixel lies under the view's middle, which it returns.
    QPoint bringIntoView(QPoint pixel)
    {
        QTest::keyClick(w.get(), Qt::Key_0);
        for (int turn = 0; turn < 3; ++turn)  // the second turn stops at 100 %
            wheel({0, 0}, {0, 120 * 4}, Qt::ControlModifier);
        EXPECT_DOUBLE_EQ(view().zoom(), std::pow(1.25, 4));
        const QPoint move = view().toArea(pixel) + QPoint(1, 1) - QPoint(400, 300);
        wheel({400, 300}, {-move.x(), -move.y()});
        EXPECT_EQ(view().toPhoto({400, 300}), pixel);
        return {400, 300};
    }
    // The colour the view shows at an area point.
    QRgb shownAt(QPoint at) const { return w->Image1->grab().toImage().pixel(at) & 0xFFFFFF; }
};

} // namespace

TEST_F(Mouse, DropOnTheBarCountsTheGroupOnceInTheBinUnderThePointer)
{
    counted();
    const QPoint c = group(true);
    const int two = field(2), total = w->nbtotal->text().toInt();
    drag(c, w->Image4, QPoint(450, 60));
    EXPECT_EQ(w->doc.log.last(), "Posé");
    EXPECT_EQ(field(2), two - 1);
    EXPECT_EQ(field(3), 1);
    EXPECT_EQ(w->nbtotal->text().toInt(), total + 1);
    EXPECT_EQ(w->Image4->image(), w->doc.correctionBar);
    EXPECT_EQ(w->Image1->image(), w->doc.displayedPhoto);

    // A second drag of it is refused by the bar, but the strip takes it; so is a drag from the sky.
    const QImage bar = w->Image4->image();
    drag(c, w->Image4, QPoint(50, 50));
    EXPECT_NE(w->doc.log.last(), "Posé");
    drag(c, w->Image2, QPoint(40, 15));
    EXPECT_EQ(w->doc.pixo[1], ColorToTriple(pixelAt(w->doc.displayedPhoto, c.x(), c.y())));
    drag(QPoint(5, 5), w->Image4, QPoint(750, 50));
    EXPECT_EQ(w->doc.log.last(), "5 5 0");
    EXPECT_EQ(w->Image4->image(), bar);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The drag begins once the pointer has moved 5 pixels along either axis, shows
// over each control whether it is taken, and ends with Escape.
TEST_F(Mouse, DragBeginsAtFivePixelsAndShowsWhetherItIsAccepted)
{
    counted();
    const QPoint c = group(true);
    for (const QPoint move : {QPoint(5, 0), QPoint(0, -5), QPoint(-5, 4), QPoint(4, 5)}) {
        QTest::mousePress(w->Image1, Qt::LeftButton, {}, c);
        QTest::mouseMove(w->Image1, c + QPoint(4, -4));
        EXPECT_FALSE(w->drag().isDragging());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        QTest::mouseMove(w->Image1, c + move);
        EXPECT_TRUE(w->drag().isDragging()) << move.x() << "," << move.y();
        QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, c + move);
    }
    QTest::mousePress(w->Image1, Qt::LeftButton, {}, c);
    QTest::keyClick(w->control("Charger"), Qt::Key_Escape);  // before the drag begins: the press stays armed
    const struct {
        QPoint at;
        bool accepted;
    } overs[] = {{c + QPoint(0, -5), false}, {over(w->Image4, {300, 50}), true}, {w->Image1->mapFrom(w.get(), QPoint(900, 10)), false}};
    for (const auto& o : overs) {
        QTest::mouseMove(w->Image1, o.at);
        EXPECT_EQ(w->drag().isAccepted(), o.accepted);
        EXPECT_EQ(cursor(), o.accepted ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
    }
    const qsizetype logSize = w->doc.log.size();
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, overs[2].at);  // refused: nothing happens
    EXPECT_EQ(w->doc.log.size(), logSize);
    EXPECT_FALSE(w->drag().isDragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    QTest::mousePress(w->Image1, Qt::LeftButton, {}, c);
    QTest::mouseMove(w->Image1, c + QPoint(6, 0));
    QTest::mouseMove(w->Image1, over(w->Image4, {750, 50}));
    QTest::keyClick(w->control("Charger"), Qt::Key_A);  // another key leaves it
    ASSERT_TRUE(w->drag().isAccepted());
    QTest::keyClick(w->control("Charger"), Qt::Key_Escape);
    EXPECT_FALSE(w->drag().isDragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, over(w->Image4, {750, 50}));
    EXPECT_EQ(w->doc.log.size(), logSize + 1);  // the press only
}

// Left and middle presses are logged, the middle one shows the group's size
// by the pointer until released, the right one makes a group of two, and the
// other buttons do nothing. The second press of a double click is a press.
TEST_F(Mouse, EachButtonDoesItsOwnPress)
{
    counted();
    const QPoint c = group(false);
    const int size = w->doc.groupSizes[std::size_t(GroupAt(w->doc, c.x(), c.y()))];
    const struct {
        Qt::MouseButton button;
        QPoint at;
        int lines, binOfTwo;
        bool tag, armed;
    } presses[] = {{Qt::LeftButton, c, 1, 0, false, true},     {Qt::MiddleButton, c, 1, 0, true, false},
                   {Qt::MiddleButton, {5, 5}, 1, 0, false, false}, {Qt::BackButton, c, 0, 0, false, false},
                   {Qt::RightButton, c, 0, 1, false, false}};
    for (const auto& p : presses) {
        SCOPED_TRACE(p.button);
        const qsizetype lines = w->doc.log.size();
        const int two = field(2), one = field(1);
        QTest::mousePress(w->Image1, p.button, {}, p.at);
        EXPECT_EQ(w->doc.log.size(), lines + p.lines);
        EXPECT_EQ(field(2), two + p.binOfTwo);
        EXPECT_EQ(field(1), one - p.binOfTwo);
        EXPECT_EQ(w->Edit9->isVisible(), p.tag);
        if (p.tag) {
            EXPECT_EQ(w->Edit9->text(), QString("taille: %1").arg(size));
            EXPECT_EQ(w->Edit9->pos(), c - QPoint(25, 20));
        }
        EXPECT_EQ(w->drag().isArmed(), p.armed);
        QTest::mouseMove(w->Image1, p.at + QPoint(20, 0));
        EXPECT_EQ(w->drag().isDragging(), p.armed);  // only the left button drags
        QTest::mouseRelease(w->Image1, p.button, {}, p.at + QPoint(20, 0));
        EXPECT_FALSE(w->Edit9->isVisible());
    }
    const qsizetype lines = w->doc.log.size();
    QTest::mouseDClick(w->Image1, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(w->doc.log.size(), lines + 1);
}

// A drop on the strip fills the cell under the pointer, on both sides of a
// cell's edge; a click takes the colour under it.
TEST_F(Mouse, StripTakesDropsAndClicksAtItsOwnPoints)
{
    seed();
    open();
    const QPoint p(236, 85);
    for (const auto& [x, cell] : {std::pair{92, 2}, std::pair{93, 3}}) {
        w->doc.pixo.fill({});
        w->doc.pixno.fill({});
        drag(p, w->Image2, QPoint(x, 15));
        EXPECT_EQ(cell < 3 ? w->doc.pixo[std::size_t(cell)] : w->doc.pixno[std::size_t(cell - 3)],
                  ColorToTriple(pixelAt(w->doc.displayedPhoto, p.x(), p.y()))) << x;
    }
    EXPECT_EQ(w->Image2->image(), w->doc.stripPicture);
    const Color under = pixelAt(w->Image2->image(), 140, 14);
    QTest::mouseClick(w->Image2, Qt::LeftButton, {}, QPoint(140, 14));
    EXPECT_EQ(w->doc.pixno[1], ColorToTriple(under));
    EXPECT_EQ(pixelAt(w->Image2->image(), 140, 12), clYellow);
}

// The window's keys zoom the photo, a double click shows it whole, and the
// zoom and the place stay through a separation, a count and the overlay's
// buttons; a new photo opens whole again.
TEST_F(LargePhoto, KeysAndDoubleClickZoomAndTheViewStaysThroughTheWork)
{
    EXPECT_EQ(view().zoomedSize(), QSize(800, 533));
    const double fit = view().zoom();
    for (const auto& [key, zoom] : {std::pair{Qt::Key_Plus, 1.25 * fit}, {Qt::Key_Minus, fit}, {Qt::Key_Equal, 1.25 * fit}}) {
        QTest::keyClick(w.get(), key);
        EXPECT_NEAR(view().zoom(), zoom, 1e-12) << key;
    }
    QTest::mouseDClick(w->Image1, Qt::MiddleButton, {}, {300, 200});
    EXPECT_NEAR(view().zoom(), 1.25 * fit, 1e-12);
    QTest::mouseDClick(w->Image1, Qt::LeftButton, {}, {300, 200});
    EXPECT_EQ(view().zoom(), fit);

    wheel({300, 200}, {0, 120 * 5}, Qt::ControlModifier);
    wheel({300, 200}, {0, -300});
    const double kept = view().zoom();
    const QPoint keptScroll = view().scroll();
    click("creer_bmp");
    click("Ornival1");
    click("voir_enlever_le_noir");
    click("voir_enlever_le_noir1");
    EXPECT_EQ(w->doc.workflowStep, 3);
    EXPECT_EQ(view().zoom(), kept);
    EXPECT_EQ(view().scroll(), keptScroll);
    choose("large.jpg");
    EXPECT_EQ(view().zoom(), fit);
    EXPECT_EQ(view().scroll(), QPoint(0, 0));
}

TEST_F(LargePhoto, SampleTakenFromAZoomedScrolledViewIsThePhotoPixelUnderThePointer)
{
    const QPoint pixel(1237, 1411);
    const QImage& photo = w->doc.displayedPhoto;
    for (QPoint next : {QPoint(1, 0), QPoint(0, 1), QPoint(-1, 0), QPoint(0, -1)})
        ASSERT_NE(photo.pixel(pixel), photo.pixel(pixel + next));  // a neighbour would be told apart
    const QPoint at = bringIntoView(pixel);
    EXPECT_EQ(shownAt(at), photo.pixel(pixel) & 0xFFFFFF);
    drag(at, w->Image2, QPoint(cellLeft(1) + 2, 10));
    EXPECT_EQ(w->doc.pressPoint, (TPoint{pixel.x(), pixel.y()}));
    EXPECT_EQ(ColorToTriple(fromQRgb(photo.pixel(pixel))), w->doc.pixo[1]);
}

TEST_F(LargePhoto, FramesPressesAndDragsOfAZoomedScrolledViewMeetTheRightGroups)
{
    w->doc.pixo.fill(ColorTriple{20, 20, 20});
    w->doc.pixno = {ColorTriple{220, 130, 90}, ColorTriple{220, 160, 120}, ColorTriple{220, 190, 150}};
    click("creer_bmp");
    click("Ornival1");
    ASSERT_EQ(w->doc.groupCount, 27);
    const QPoint lonePixel(100 + 120 * 7 + 3, 100 + 70 * 2 + 3);
    const int pair = GroupAt(w->doc, 2005, 1505), lone = GroupAt(w->doc, lonePixel.x(), lonePixel.y());
    ASSERT_GE(w->doc.groupSizes[std::size_t(pair)], w->doc.twoBirdThreshold);
    ASSERT_LT(w->doc.groupSizes[std::size_t(lone)], w->doc.twoBirdThreshold);

    // The frame is drawn on the photo's own pixels and shown where they are.
    const TRect r = w->doc.groupRects[std::size_t(pair)];
    const QPoint corner(r.Left + (r.Left + r.Top) % 2, r.Top);  // a dot of the dotted outline
    const QPoint at = bringIntoView({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    EXPECT_EQ(w->Image1->image().pixel(corner) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shownAt(view().toArea(corner)), 0xFFFFFFu);
    EXPECT_NE(shownAt(view().toArea(corner) - QPoint(0, 1)), 0xFFFFFFu);

    // The middle button shows the group's size by the pointer.
    QTest::mousePress(w->Image1, Qt::MiddleButton, {}, at);
    EXPECT_EQ(w->doc.pressedGroup, pair);
    EXPECT_EQ(w->Edit9->pos(), w->Image1->mapTo(w.get(), at) - QPoint(26, 21));
    QTest::mouseRelease(w->Image1, Qt::MiddleButton, {}, at);

    drag(at, w->Image4, QPoint(750, 50));  // into the bin of six
    EXPECT_TRUE(w->doc.movedGroups[std::size_t(pair)]);
    EXPECT_EQ(w->doc.binCounts[6], 1);

    const int two = w->doc.binCounts[2];
    QTest::mouseClick(w->Image1, Qt::RightButton, {}, bringIntoView(lonePixel));
    EXPECT_EQ(w->doc.binCounts[2], two + 1);
    EXPECT_EQ(w->doc.groupSizes[std::size_t(lone)], w->doc.twoBirdThreshold);
}
