// What the mouse does on the photo, the correction bar and the sample strip,
// driven by real presses, moves and releases through the window, on a photo
// shown as it is and on a larger one zoomed and scrolled. The bins, cells and
// pictures themselves are the core's, tested there.
#include "UiTestSupport.h"

#include "core/SampleStrip.h"

#include <QCursor>

// The drag begins once the pointer has moved 5 pixels along either axis, shows
// over each control whether it is taken, ends with Escape, and drops a group once
// into the bin under the pointer; the strip takes any drop into the cell under it.
// Each button does its own press.
TEST_F(WindowTest, DragAndPressesOnThePhotoAfterACount)
{
    seed();
    open();
    click("creer_bmp");
    click("Ornival1");
    QPoint c = group(true);
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
    const std::pair<QPoint, bool> overs[] = {{c + QPoint(0, -5), false}, {over(w->Image4, {300, 50}), true},
                                             {w->Image1->mapFrom(w.get(), QPoint(900, 10)), false}};
    for (const auto& [at, accepted] : overs) {
        QTest::mouseMove(w->Image1, at);
        EXPECT_EQ(w->drag().isAccepted(), accepted);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), accepted ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
    }
    const QStringList log = w->doc.log;
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, overs[2].first);  // refused: nothing happens
    QTest::mousePress(w->Image1, Qt::LeftButton, {}, c);
    QTest::mouseMove(w->Image1, c + QPoint(6, 0));
    QTest::mouseMove(w->Image1, over(w->Image4, {750, 50}));
    QTest::keyClick(w->control("Charger"), Qt::Key_A);  // another key leaves it
    ASSERT_TRUE(w->drag().isAccepted());
    QTest::keyClick(w->control("Charger"), Qt::Key_Escape);
    EXPECT_FALSE(w->drag().isDragging());
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, over(w->Image4, {750, 50}));
    EXPECT_EQ(w->doc.log, log + QStringList{log.last()});  // the second press only
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    const int two = field(2);
    drag(c, w->Image4, QPoint(450, 60));
    EXPECT_EQ(QPoint(field(2), field(3)), QPoint(two - 1, 1));
    EXPECT_EQ(w->Image4->image(), w->doc.correctionBar);
    const QImage bar = w->Image4->image();
    drag(c, w->Image4, QPoint(50, 50));  // a second time: refused
    drag(QPoint(5, 5), w->Image4, QPoint(750, 50));  // the sky: refused
    EXPECT_EQ(w->doc.log.last(), "5 5 0");
    EXPECT_EQ(w->Image4->image(), bar);
    for (const auto& [x, cell] : {std::pair{92, 2}, {93, 3}}) {  // the strip takes it, on both sides of a cell's edge
        w->doc.pixo.fill({});
        w->doc.pixno.fill({});
        drag(QPoint(5, 5), w->Image2, QPoint(x, 15));
        EXPECT_EQ(w->doc.pixo[2] == ColorToTriple(pixelAt(w->doc.displayedPhoto, 5, 5)), cell == 2) << x;
    }
    EXPECT_EQ(w->Image2->image(), w->doc.stripPicture);
    const Color under = pixelAt(w->Image2->image(), 140, 14);  // a click takes the colour under it
    QTest::mouseClick(w->Image2, Qt::LeftButton, {}, QPoint(140, 14));
    EXPECT_EQ(w->doc.pixno[1], ColorToTriple(under));

    c = group(false);  // left and middle presses are logged, the middle one shows the group's size by the
    // pointer until released, the right one makes a group of two, the others do nothing
    const int size = w->doc.groupSizes[std::size_t(GroupAt(w->doc, c.x(), c.y()))];
    const struct {
        Qt::MouseButton button;
        QPoint at;
        int lines, binOfTwo;
        bool tag, armed;
    } presses[] = {{Qt::LeftButton, c, 1, 0, false, true}, {Qt::MiddleButton, c, 1, 0, true, false},
                   {Qt::MiddleButton, {5, 5}, 1, 0, false, false}, {Qt::BackButton, c, 0, 0, false, false}, {Qt::RightButton, c, 0, 1, false, false}};
    for (const auto& p : presses) {
        SCOPED_TRACE(p.button);
        const qsizetype lines = w->doc.log.size();
        const int two = field(2), one = field(1);
        QTest::mousePress(w->Image1, p.button, {}, p.at);
        EXPECT_EQ(w->doc.log.size(), lines + p.lines);
        EXPECT_EQ(QPoint(field(1), field(2)), QPoint(one - p.binOfTwo, two + p.binOfTwo));
        EXPECT_EQ(w->Edit9->isVisible(), p.tag);
        EXPECT_TRUE(!p.tag || (w->Edit9->text() == QString("taille: %1").arg(size) && w->Edit9->pos() == c - QPoint(25, 20)));
        EXPECT_EQ(w->drag().isArmed(), p.armed);
        QTest::mouseMove(w->Image1, p.at + QPoint(20, 0));
        EXPECT_EQ(w->drag().isDragging(), p.armed);  // only the left button drags
        QTest::mouseRelease(w->Image1, p.button, {}, p.at + QPoint(20, 0));
        EXPECT_FALSE(w->Edit9->isVisible());
    }
    const qsizetype lines = w->doc.log.size();
    QTest::mouseDClick(w->Image1, Qt::LeftButton, {}, {5, 5});  // the second press of a double click is a press
    EXPECT_EQ(w->doc.log.size(), lines + 1);
}

// A larger photo opens whole; the window's keys zoom it and a left double click
// shows it whole again. Zoomed and scrolled, a frame is shown on the photo's own
// pixels, a press reaches the group under the pointer (the size tag by the
// pointer) and a drag takes it to the bar. The zoom and the place stay through
// the work; a new photo opens whole.
TEST_F(WindowTest, ZoomedScrolledPhotoMeetsTheRightGroupsAndStaysThroughTheWork)
{
    seed();
    ASSERT_TRUE(QImage("vol de cigognes.jpg").scaled(2400, 1800).save("large.jpg", nullptr, 95));
    open();
    QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier);  // a photo that fits takes no key
    QApplication::sendEvent(w.get(), &plus);
    EXPECT_FALSE(plus.isAccepted());
    choose("large.jpg");
    const PhotoViewport& view = w->Image1->viewport();
    const double fit = view.zoom();
    EXPECT_EQ(view.zoomedSize(), QSize(800, 600));
    const std::tuple<Qt::Key, bool, double> keys[] = {{Qt::Key_Plus, true, 1.25 * fit}, {Qt::Key_Minus, true, fit}, {Qt::Key_A, false, fit},
                                                      {Qt::Key_Equal, true, 1.25 * fit}, {Qt::Key_0, true, fit}, {Qt::Key_Plus, true, 1.25 * fit}};
    for (const auto& [key, taken, zoom] : keys) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &press);
        EXPECT_EQ(press.isAccepted(), taken) << key;
        EXPECT_NEAR(view.zoom(), zoom, 1e-12) << key;
    }
    const qsizetype lines = w->doc.log.size();
    QTest::mouseDClick(w->Image1, Qt::MiddleButton, {}, {300, 200});  // a press
    EXPECT_NEAR(view.zoom(), 1.25 * fit, 1e-12);
    QTest::mouseDClick(w->Image1, Qt::LeftButton, {}, {300, 200});  // the whole photo, no press
    EXPECT_EQ(view.zoom(), fit);
    EXPECT_EQ(w->doc.log.size(), lines + 1);

    click("creer_bmp");
    click("Ornival1");
    const QPoint pixel = group(true);
    const int pair = GroupAt(w->doc, pixel.x(), pixel.y());
    const TRect r = w->doc.groupRects[std::size_t(pair)];
    const QPoint corner(r.Left + (r.Left + r.Top) % 2, r.Top);  // a dot of the dotted outline
    ASSERT_EQ(w->Image1->image().pixel(corner) & 0xFFFFFF, 0xFFFFFFu);

    // 244 % about the corner, then the pair's pixel scrolled towards the view's middle.
    for (int turn = 0; turn < 3; ++turn)  // the second turn stops at 100 %
        wheel(w->Image1, {0, 0}, {0, 120 * 4}, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view.zoom(), std::pow(1.25, 4));
    wheel(w->Image1, {400, 300}, QPoint(400, 300) - view.toArea(pixel));
    const QPoint at = view.toArea(pixel) + QPoint(1, 1);
    ASSERT_NE(view.scroll(), QPoint(0, 0));
    ASSERT_EQ(view.toPhoto(at), pixel);
    const QImage shown = w->Image1->grab().toImage();
    EXPECT_EQ(shown.pixel(view.toArea(corner)) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_NE(shown.pixel(view.toArea(corner) - QPoint(0, 1)) & 0xFFFFFF, 0xFFFFFFu);

    QTest::mousePress(w->Image1, Qt::MiddleButton, {}, at);
    EXPECT_EQ(w->doc.pressedGroup, pair);
    EXPECT_EQ(w->Edit9->pos(), w->Image1->mapTo(w.get(), at) - QPoint(26, 21));
    QTest::mouseRelease(w->Image1, Qt::MiddleButton, {}, at);
    const double kept = view.zoom();
    const QPoint keptScroll = view.scroll();
    const int six = w->doc.binCounts[6];
    drag(at, w->Image4, QPoint(750, 50));  // into the bin of six
    EXPECT_TRUE(w->doc.movedGroups[std::size_t(pair)]);
    EXPECT_EQ(w->doc.binCounts[6], six + 1);
    click("voir_enlever_le_noir");
    click("Ornival2");
    EXPECT_EQ(view.zoom(), kept);
    EXPECT_EQ(view.scroll(), keptScroll);
    choose("large.jpg");
    EXPECT_EQ(view.zoom(), fit);
    EXPECT_EQ(view.scroll(), QPoint(0, 0));
}
