// What the mouse does on the photo, the correction bar and the sample strip,
// driven by real presses, moves and releases through the window: the bins,
// cells and pictures themselves are the core's, tested there.
#include "UiTestSupport.h"

#include "core/Groups.h"
#include "core/SampleStrip.h"

#include <QCursor>

using namespace uitest;

namespace {

QPoint centre(const TRect& r)
{
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

class Mouse : public WindowTest {
protected:
    // After a count of the default flock.
    Tornvl& counted()
    {
        seed(allStartFiles());
        Tornvl& w = open();
        separateAndCount();
        EXPECT_EQ(w.doc.workflowStep, 3);
        return w;
    }

    // The centre of a group reached by a press there, framed (two birds) or not.
    QPoint groupToPress(Tornvl& w, bool framed)
    {
        for (int g = 1; g <= w.doc.groupCount; ++g) {
            const QPoint c = centre(w.doc.groupRects[std::size_t(g)]);
            if ((w.doc.groupSizes[std::size_t(g)] >= w.doc.twoBirdThreshold) == framed && GroupAt(w.doc, c.x(), c.y()) == g)
                return c;
        }
        ADD_FAILURE() << "no such group";
        return {};
    }

    QPoint over(Tornvl& w, QWidget* target, QPoint point) { return w.Image1->mapFrom(&w, target->mapTo(&w, point)); }

    // Left press on the photo, a move past the drag threshold, then a move to
    // `point` of `target` and the release there.
    void drag(Tornvl& w, QPoint photoPoint, QWidget* target, QPoint point)
    {
        QTest::mousePress(w.Image1, Qt::LeftButton, {}, photoPoint);
        QTest::mouseMove(w.Image1, photoPoint + QPoint(6, 0));
        QTest::mouseMove(w.Image1, over(w, target, point));
        QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, over(w, target, point));
    }

    int field(Tornvl& w, int bin) { return w.binFields[bin]->text().toInt(); }
};

} // namespace

TEST_F(Mouse, DropOnTheBarCountsTheGroupOnceInTheBinUnderThePointer)
{
    Tornvl& w = counted();
    const QPoint c = groupToPress(w, true);
    const int two = field(w, 2), total = w.nbtotal->text().toInt();
    drag(w, c, w.Image4, QPoint(450, 60));
    EXPECT_EQ(w.doc.log.last(), QStringLiteral("Posé"));
    EXPECT_EQ(field(w, 2), two - 1);
    EXPECT_EQ(field(w, 3), 1);
    EXPECT_EQ(w.nbtotal->text().toInt(), total + 1);
    EXPECT_EQ(w.Image4->image(), w.doc.correctionBar.convertToFormat(w.Image4->image().format()));
    EXPECT_EQ(w.Image1->image(), w.doc.displayedPhoto.convertToFormat(w.Image1->image().format()));

    // A second drag of it is refused by the bar, but the strip takes it.
    const QImage bar = w.Image4->image();
    drag(w, c, w.Image4, QPoint(50, 50));
    EXPECT_NE(w.doc.log.last(), QStringLiteral("Posé"));
    EXPECT_EQ(w.Image4->image(), bar);
    drag(w, c, w.Image2, QPoint(40, 15));
    EXPECT_EQ(w.doc.pixo[1], ColorToTriple(pixelAt(w.doc.displayedPhoto, c.x(), c.y())));
    EXPECT_EQ(w.Image2->image(), w.doc.stripPicture.convertToFormat(w.Image2->image().format()));
    // So is a drag from the sky.
    drag(w, QPoint(5, 5), w.Image4, QPoint(750, 50));
    EXPECT_EQ(w.doc.log.last(), QStringLiteral("5 5 0"));
    EXPECT_EQ(w.Image4->image(), bar);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Mouse, DragBeginsAtFivePixelsAndShowsWhetherItIsAccepted)
{
    Tornvl& w = counted();
    const QPoint c = groupToPress(w, true);
    for (const QPoint move : {QPoint(5, 0), QPoint(0, -5), QPoint(-5, 4)}) {
        QTest::mousePress(w.Image1, Qt::LeftButton, {}, c);
        QTest::mouseMove(w.Image1, c + QPoint(4, -4));
        EXPECT_FALSE(w.drag().isDragging());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        QTest::mouseMove(w.Image1, c + move);
        EXPECT_TRUE(w.drag().isDragging()) << move.x() << "," << move.y();
        QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, c + move);
    }
    QTest::mousePress(w.Image1, Qt::LeftButton, {}, c);
    QTest::mouseMove(w.Image1, c + QPoint(0, -5));
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);  // over the photo
    QTest::mouseMove(w.Image1, over(w, w.Image4, QPoint(300, 50)));
    EXPECT_TRUE(w.drag().isAccepted());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::DragMoveCursor);
    const QPoint overButton = w.Image1->mapFrom(&w, QPoint(900, 10));
    QTest::mouseMove(w.Image1, overButton);
    EXPECT_FALSE(w.drag().isAccepted());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);

    const qsizetype logSize = w.doc.log.size();
    QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, overButton);  // refused: nothing happens
    EXPECT_EQ(w.doc.log.size(), logSize);
    EXPECT_FALSE(w.drag().isDragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Escape abandons a drag over the bar.
    QTest::mousePress(w.Image1, Qt::LeftButton, {}, c);
    QTest::mouseMove(w.Image1, c + QPoint(6, 0));
    QTest::mouseMove(w.Image1, over(w, w.Image4, QPoint(750, 50)));
    ASSERT_TRUE(w.drag().isAccepted());
    QTest::keyClick(w.control("Charger"), Qt::Key_A);  // another key leaves it
    ASSERT_TRUE(w.drag().isAccepted());
    QTest::keyClick(w.control("Charger"), Qt::Key_Escape);
    EXPECT_FALSE(w.drag().isDragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, over(w, w.Image4, QPoint(750, 50)));
    EXPECT_NE(w.doc.log.last(), QStringLiteral("Posé"));
}

TEST_F(Mouse, MiddleButtonShowsTheSizeTagUntilReleased)
{
    Tornvl& w = counted();
    const QPoint c = groupToPress(w, false);
    QTest::mousePress(w.Image1, Qt::MiddleButton, {}, c);
    EXPECT_TRUE(w.Edit9->isVisible());
    EXPECT_EQ(w.Edit9->text(), QStringLiteral("taille: %1").arg(w.doc.groupSizes[std::size_t(GroupAt(w.doc, c.x(), c.y()))]));
    EXPECT_EQ(w.Edit9->pos(), QPoint(c.x() - 25, c.y() - 20));
    QTest::mouseMove(w.Image1, c + QPoint(20, 0));
    EXPECT_FALSE(w.drag().isDragging());  // only the left button drags
    QTest::mouseRelease(w.Image1, Qt::MiddleButton, {}, c + QPoint(20, 0));
    EXPECT_FALSE(w.Edit9->isVisible());
    QTest::mousePress(w.Image1, Qt::MiddleButton, {}, QPoint(5, 5));
    EXPECT_FALSE(w.Edit9->isVisible());
    QTest::mouseRelease(w.Image1, Qt::MiddleButton, {}, QPoint(5, 5));
}

TEST_F(Mouse, RightClickMakesAGroupOfTwo)
{
    Tornvl& w = counted();
    const QPoint c = groupToPress(w, false);
    const int one = field(w, 1), two = field(w, 2), total = w.nbtotal->text().toInt();
    QTest::mouseClick(w.Image1, Qt::RightButton, {}, c);
    EXPECT_EQ(field(w, 1), one - 1);
    EXPECT_EQ(field(w, 2), two + 1);
    EXPECT_EQ(w.nbtotal->text().toInt(), total + 1);
    EXPECT_FALSE(w.drag().isArmed());
}

TEST_F(Mouse, StripTakesDropsAndClicksAtItsOwnPoints)
{
    seed(allStartFiles());
    Tornvl& w = open();
    const QPoint p(236, 85);
    for (const auto& [x, cell] : {std::pair{92, 2}, std::pair{93, 3}}) {
        w.doc.pixo.fill({});
        w.doc.pixno.fill({});
        drag(w, p, w.Image2, QPoint(x, 15));
        const ColorTriple got = cell < 3 ? w.doc.pixo[std::size_t(cell)] : w.doc.pixno[std::size_t(cell - 3)];
        EXPECT_EQ(got, ColorToTriple(pixelAt(w.doc.displayedPhoto, p.x(), p.y()))) << x;
    }
    EXPECT_EQ(w.Image2->image(), w.doc.stripPicture.convertToFormat(w.Image2->image().format()));
    const Color under = pixelAt(w.Image2->image(), 140, 14);
    QTest::mouseClick(w.Image2, Qt::LeftButton, {}, QPoint(140, 14));
    EXPECT_EQ(w.doc.pixno[1], ColorToTriple(under));
    EXPECT_EQ(pixelAt(w.Image2->image(), 140, 12), clYellow);
}
