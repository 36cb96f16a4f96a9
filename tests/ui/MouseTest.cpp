// What the mouse does on the photo, the correction bar and the sample strip,
// driven by real presses, moves and releases through the window.
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

    // A group reached by a press at its centre, framed (two birds) or not, and
    // not yet used.
    int groupToPress(Tornvl& w, bool framed)
    {
        for (int g = 1; g <= w.doc.groupCount; ++g) {
            const bool isFramed = w.doc.groupSizes[std::size_t(g)] >= w.doc.twoBirdThreshold;
            const QPoint c = centre(w.doc.groupRects[std::size_t(g)]);
            if (isFramed == framed && GroupAt(w.doc, c.x(), c.y()) == g && !used.contains(g)) {
                used << g;
                return g;
            }
        }
        ADD_FAILURE() << "no such group";
        return 0;
    }

    // Left press on the photo, a move past the drag threshold, then a move to
    // `point` of `target` and the release there.
    void drag(Tornvl& w, QPoint photoPoint, QWidget* target, QPoint point)
    {
        QTest::mousePress(w.Image1, Qt::LeftButton, {}, photoPoint);
        QTest::mouseMove(w.Image1, photoPoint + QPoint(6, 0));
        const QPoint over = w.Image1->mapFrom(&w, target->mapTo(&w, point));
        QTest::mouseMove(w.Image1, over);
        QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, over);
    }

    int field(Tornvl& w, int bin) { return w.binFields[bin]->text().toInt(); }
    int total(Tornvl& w) { return w.nbtotal->text().toInt(); }

    QList<int> used;
};

bool isOutlinedIn(const QImage& image, const QRect& r, QRgb colour)
{
    // The rectangle (x1, y1)-(x2, y2) outlined on columns x1 and x2 - 1 and rows y1 and y2 - 1.
    for (int x = r.left(); x < r.left() + r.width(); ++x)
        if (image.pixel(x, r.top()) != colour || image.pixel(x, r.top() + r.height() - 1) != colour)
            return false;
    for (int y = r.top(); y < r.top() + r.height(); ++y)
        if (image.pixel(r.left(), y) != colour || image.pixel(r.left() + r.width() - 1, y) != colour)
            return false;
    return true;
}

} // namespace

TEST_F(Mouse, DropOnTheBarMovesAFramedGroupIntoTheBinUnderThePointer)
{
    Tornvl& w = counted();
    struct Case {
        int x;
        int bin;
        int totalChange;
    };
    for (const Case c : {Case{250, 2, 0}, Case{750, 6, 4}, Case{50, 0, -2}, Case{450, 3, 1}, Case{650, 4, 2}}) {
        const int g = groupToPress(w, true);
        const TRect r = w.doc.groupRects[std::size_t(g)];
        const int before[7] = {field(w, 0), field(w, 1), field(w, 2), field(w, 3), field(w, 4), 0, field(w, 6)};
        const int totalBefore = total(w);
        const qsizetype logBefore = w.doc.log.size();

        drag(w, centre(r), w.Image4, QPoint(c.x, 60));

        EXPECT_EQ(w.doc.log.size(), logBefore + 2) << c.x;  // the press line and "Posé"
        EXPECT_EQ(w.doc.log.last(), QStringLiteral("Posé"));
        EXPECT_EQ(total(w), totalBefore + c.totalChange) << c.x;
        for (int bin : {0, 1, 3, 4, 6})
            EXPECT_EQ(field(w, bin), before[bin] + (bin == c.bin ? 1 : 0)) << c.x << " bin " << bin;
        EXPECT_EQ(field(w, 2), before[2] - (c.bin == 2 ? 0 : 1)) << c.x;
        // The frame turns blue (dotted: the pixels whose x + y is even).
        const int fx = r.Left + ((r.Left + r.Top) % 2 == 0 ? 0 : 1);
        EXPECT_EQ(w.Image1->image().pixel(fx, r.Top) & 0xFFFFFF, 0x0000FFu) << c.x;
        // The group's picture stands in the bar centred on the drop point.
        const int hw = (r.Right - r.Left - 2) / 2;
        const int hh = (r.Bottom - r.Top - 2) / 2;
        EXPECT_EQ(w.Image4->image().copy(c.x - hw, 60 - hh, r.Right - r.Left - 1, r.Bottom - r.Top - 1),
                  w.Image1->image().copy(r.Left + 1, r.Top + 1, r.Right - r.Left - 1, r.Bottom - r.Top - 1)
                      .convertToFormat(w.Image4->image().format()));
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Mouse, BarRefusesASecondDragOfAGroupButTheStripTakesIt)
{
    Tornvl& w = counted();
    const int g = groupToPress(w, true);
    const QPoint c = centre(w.doc.groupRects[std::size_t(g)]);
    drag(w, c, w.Image4, QPoint(750, 50));
    const QString totalAfterFirst = w.nbtotal->text();
    const qsizetype logSize = w.doc.log.size();
    const QImage bar = w.Image4->image();

    drag(w, c, w.Image4, QPoint(50, 50));
    EXPECT_EQ(w.nbtotal->text(), totalAfterFirst);
    EXPECT_EQ(w.doc.log.size(), logSize + 1);  // the press line, no "Posé"
    EXPECT_EQ(w.Image4->image(), bar);

    drag(w, c, w.Image2, QPoint(40, 15));
    EXPECT_EQ(w.doc.pixo[1], ColorToTriple(pixelAt(w.doc.displayedPhoto, c.x(), c.y())));
}

TEST_F(Mouse, DragFromOutsideEveryGroupIsRefusedByTheBarAndTakenByTheStrip)
{
    Tornvl& w = counted();
    const QPoint sky(5, 5);
    ASSERT_EQ(GroupAt(w.doc, sky.x(), sky.y()), 0);
    const QString totalBefore = w.nbtotal->text();
    const QImage bar = w.Image4->image();
    drag(w, sky, w.Image4, QPoint(750, 50));
    EXPECT_EQ(w.nbtotal->text(), totalBefore);
    EXPECT_EQ(w.Image4->image(), bar);
    EXPECT_EQ(w.doc.log.last(), QStringLiteral("5 5 0"));

    drag(w, sky, w.Image2, QPoint(170, 15));
    EXPECT_EQ(w.doc.pixno[2], ColorToTriple(pixelAt(w.doc.displayedPhoto, 5, 5)));
}

TEST_F(Mouse, BarRefusesDragsBeforeACount)
{
    seed(allStartFiles());
    Tornvl& w = open();
    click("creer_bmp");
    ASSERT_EQ(w.doc.workflowStep, 2);
    const int g = 1;
    w.doc.groupCount = 0;
    drag(w, QPoint(236, 85), w.Image4, QPoint(750, 50));
    EXPECT_NE(w.doc.log.last(), QStringLiteral("Posé"));
    EXPECT_EQ(g, 1);
}

TEST_F(Mouse, DragBeginsAfterFivePixelsAndShowsWhetherItIsAccepted)
{
    Tornvl& w = counted();
    const QPoint c = centre(w.doc.groupRects[std::size_t(groupToPress(w, true))]);
    QTest::mousePress(w.Image1, Qt::LeftButton, {}, c);
    QTest::mouseMove(w.Image1, c + QPoint(4, 4));
    EXPECT_FALSE(w.drag().isDragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::mouseMove(w.Image1, c + QPoint(0, -5));
    EXPECT_TRUE(w.drag().isDragging());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);  // over the photo

    const QPoint overBar = w.Image1->mapFrom(&w, w.Image4->mapTo(&w, QPoint(300, 50)));
    QTest::mouseMove(w.Image1, overBar);
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

    // A press released where it was starts no drag.
    QTest::mouseClick(w.Image1, Qt::LeftButton, {}, c);
    EXPECT_EQ(w.doc.log.size(), logSize + 1);
    EXPECT_FALSE(w.drag().isArmed());
}

TEST_F(Mouse, EscapeAbandonsTheDrag)
{
    Tornvl& w = counted();
    const QPoint c = centre(w.doc.groupRects[std::size_t(groupToPress(w, true))]);
    const QString totalBefore = w.nbtotal->text();
    QTest::mousePress(w.Image1, Qt::LeftButton, {}, c);
    QTest::mouseMove(w.Image1, c + QPoint(6, 0));
    const QPoint overBar = w.Image1->mapFrom(&w, w.Image4->mapTo(&w, QPoint(750, 50)));
    QTest::mouseMove(w.Image1, overBar);
    ASSERT_TRUE(w.drag().isAccepted());
    QTest::keyClick(w.control("Charger"), Qt::Key_Escape);
    EXPECT_FALSE(w.drag().isDragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, overBar);
    EXPECT_EQ(w.nbtotal->text(), totalBefore);
    EXPECT_NE(w.doc.log.last(), QStringLiteral("Posé"));
}

TEST_F(Mouse, MiddleButtonShowsTheSizeTagUntilReleased)
{
    Tornvl& w = counted();
    const int g = groupToPress(w, false);
    const QPoint c = centre(w.doc.groupRects[std::size_t(g)]);
    QTest::mousePress(w.Image1, Qt::MiddleButton, {}, c);
    EXPECT_TRUE(w.Edit9->isVisible());
    EXPECT_EQ(w.Edit9->text(), QStringLiteral("taille: %1").arg(w.doc.groupSizes[std::size_t(g)]));
    EXPECT_EQ(w.Edit9->pos(), QPoint(c.x() - 25, c.y() - 20));
    EXPECT_EQ(w.doc.log.last(), QStringLiteral("%1 %2 %3").arg(c.x()).arg(c.y()).arg(g));
    QTest::mouseMove(w.Image1, c + QPoint(20, 0));
    EXPECT_FALSE(w.drag().isDragging());  // only the left button drags
    QTest::mouseRelease(w.Image1, Qt::MiddleButton, {}, c + QPoint(20, 0));
    EXPECT_FALSE(w.Edit9->isVisible());

    QTest::mousePress(w.Image1, Qt::MiddleButton, {}, QPoint(5, 5));
    EXPECT_FALSE(w.Edit9->isVisible());
    EXPECT_EQ(w.doc.log.last(), QStringLiteral("5 5 0"));
    QTest::mouseRelease(w.Image1, Qt::MiddleButton, {}, QPoint(5, 5));
}

TEST_F(Mouse, RightClickMakesAGroupOfTwoAndLogsNothing)
{
    Tornvl& w = counted();
    QTest::mouseClick(w.Image1, Qt::LeftButton, {}, QPoint(7, 9));
    const int g = groupToPress(w, false);
    const TRect r = w.doc.groupRects[std::size_t(g)];
    const int one = field(w, 1), two = field(w, 2), totalBefore = total(w);
    const qsizetype logSize = w.doc.log.size();
    QTest::mouseClick(w.Image1, Qt::RightButton, {}, QPoint(r.Right + 2, r.Bottom + 2));
    EXPECT_EQ(field(w, 1), one - 1);
    EXPECT_EQ(field(w, 2), two + 1);
    EXPECT_EQ(total(w), totalBefore + 1);
    EXPECT_EQ(w.doc.log.size(), logSize);
    EXPECT_EQ(w.doc.pressPoint, (TPoint{7, 9}));
    // A second right click on it changes nothing.
    QTest::mouseClick(w.Image1, Qt::RightButton, {}, centre(r));
    EXPECT_EQ(total(w), totalBefore + 1);
    // The strip still samples the point of the last left press.
    drag(w, QPoint(7, 9), w.Image2, QPoint(10, 10));
    EXPECT_EQ(w.doc.pixo[0], ColorToTriple(pixelAt(w.doc.displayedPhoto, 7, 9)));
}

TEST_F(Mouse, DropColumnsOfTheStripGiveTheirCells)
{
    seed(allStartFiles());
    Tornvl& w = open();
    const ColorTriple sentinel{1, 2, 3};
    const QPoint p(400, 300);
    const ColorTriple sampled = ColorToTriple(pixelAt(w.doc.displayedPhoto, p.x(), p.y()));
    ASSERT_NE(sampled, sentinel);
    for (int x = 0; x <= 190; ++x) {
        w.doc.pixo.fill(sentinel);
        w.doc.pixno.fill(sentinel);
        const QImage stripBefore = w.Image2->image();
        drag(w, p, w.Image2, QPoint(x, 20));
        const int cell = x / 31;
        for (int n = 0; n < 6; ++n) {
            const ColorTriple got = n < 3 ? w.doc.pixo[std::size_t(n)] : w.doc.pixno[std::size_t(n - 3)];
            EXPECT_EQ(got, n == cell ? sampled : sentinel) << "x " << x << " cell " << n;
        }
        if (cell == 6) {
            EXPECT_EQ(w.Image2->image(), stripBefore) << "x " << x;
        }
    }
    // The gap and block edges named by the layout of the strip.
    for (const auto& [x, cell] : {std::pair{93, 3}, {97, 3}, {124, 4}, {127, 4}, {155, 5}, {158, 5}}) {
        w.doc.pixno.fill(sentinel);
        drag(w, p, w.Image2, QPoint(x, 3));
        EXPECT_EQ(w.doc.pixno[std::size_t(cell - 3)], sampled) << x;
    }
}

TEST_F(Mouse, DroppedNeighbourhoodIsTurnedByHalfATurnAroundAWhiteFramedCentre)
{
    seed(allStartFiles());
    Tornvl& w = open();
    const QPoint p(236, 85);  // a stork of the default flock: white, black and blue around
    drag(w, p, w.Image2, QPoint(15, 15));
    const QImage strip = w.Image2->image();
    for (int k = 0; k < 5; ++k)
        for (int m = 0; m < 5; ++m) {
            const int sx = cellLeft(0) + 6 * k + 3;
            const int sy = 1 + 6 * m + 3;
            EXPECT_EQ(pixelAt(strip, sx, sy), pixelAt(w.doc.displayedPhoto, p.x() + 2 - k, p.y() + 2 - m))
                << k << "," << m;
        }
    EXPECT_TRUE(isOutlinedIn(strip, QRect(cellLeft(0) + 11, 12, 8, 8), qRgb(255, 255, 255)));
    EXPECT_EQ(w.doc.pixo[0], ColorToTriple(pixelAt(w.doc.displayedPhoto, p.x(), p.y())));
}

TEST_F(Mouse, ClickOnTheStripTakesThatPixelAndFramesItsSquareInYellow)
{
    seed(allStartFiles());
    Tornvl& w = open();
    struct Case {
        QPoint click;
        int cell;
        QRect frame;  // (x1, y1)-(x2, y2) as left, top, width, height
    };
    for (const Case c : {Case{{50, 20}, 1, QRect(49, 18, 8, 8)}, Case{{140, 14}, 4, QRect(140, 12, 8, 8)},
                         Case{{100, 14}, 3, QRect(97, 12, 8, 8)}}) {
        const Color under = pixelAt(w.Image2->image(), c.click.x(), c.click.y());
        QTest::mouseClick(w.Image2, Qt::LeftButton, {}, c.click);
        const ColorTriple got = c.cell < 3 ? w.doc.pixo[std::size_t(c.cell)] : w.doc.pixno[std::size_t(c.cell - 3)];
        EXPECT_EQ(got, ColorToTriple(under)) << c.click.x();
        EXPECT_TRUE(isOutlinedIn(w.Image2->image(), c.frame, qRgb(255, 255, 0))) << c.click.x();
    }
    // A click that gives no cell changes nothing.
    const QImage strip = w.Image2->image();
    const auto pixo = w.doc.pixo, pixno = w.doc.pixno;
    QTest::mouseClick(w.Image2, Qt::RightButton, {}, QPoint(190, 10));
    EXPECT_EQ(w.Image2->image(), strip);
    EXPECT_EQ(w.doc.pixo, pixo);
    EXPECT_EQ(w.doc.pixno, pixno);
}

TEST_F(Mouse, WholeUseFromSamplesToCorrectedTotal)
{
    seed(allStartFiles());
    Tornvl& w = open();
    w.photoChooser = [](QWidget*) { return QDir::current().absoluteFilePath(QStringLiteral("vol de cigognes.jpg")); };
    click("Charger");
    ASSERT_EQ(w.doc.workflowStep, 1);

    // Six samples dragged from the photo: for each colour of the factory set,
    // the pixel of the photo nearest to it.
    const ColorTriple wanted[6] = {{255, 249, 240}, {36, 27, 18}, {230, 245, 241},
                                   {190, 100, 41},  {216, 145, 101}, {240, 189, 157}};
    for (int n = 0; n < 6; ++n) {
        QPoint best;
        int bestDistance = 1 << 30;
        for (int y = 2; y < 598; y += 1)
            for (int x = 2; x < 798; x += 1) {
                const ColorTriple t = ColorToTriple(pixelAt(w.doc.displayedPhoto, x, y));
                const int d = std::abs(t.rgbtRed - wanted[n].rgbtRed) + std::abs(t.rgbtGreen - wanted[n].rgbtGreen) +
                              std::abs(t.rgbtBlue - wanted[n].rgbtBlue);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = {x, y};
                }
            }
        drag(w, best, w.Image2, QPoint(cellLeft(n) + 14, 15));
        const ColorTriple got = n < 3 ? w.doc.pixo[std::size_t(n)] : w.doc.pixno[std::size_t(n - 3)];
        EXPECT_EQ(got, ColorToTriple(pixelAt(w.doc.displayedPhoto, best.x(), best.y())));
    }

    separateAndCount();
    ASSERT_EQ(w.doc.workflowStep, 3);
    EXPECT_NEAR(total(w), 86, 86 * 0.05);

    // Three corrections: a framed group into bin 3, another into bin 0, and a
    // right click on a lone bird.
    const int a = groupToPress(w, true);
    drag(w, centre(w.doc.groupRects[std::size_t(a)]), w.Image4, QPoint(500, 50));
    const int b = groupToPress(w, true);
    drag(w, centre(w.doc.groupRects[std::size_t(b)]), w.Image4, QPoint(30, 50));
    const int c = groupToPress(w, false);
    QTest::mouseClick(w.Image1, Qt::RightButton, {}, centre(w.doc.groupRects[std::size_t(c)]));

    const int expected = field(w, 1) + 2 * field(w, 2) + 3 * field(w, 3) + 4 * field(w, 4) + 6 * field(w, 6);
    EXPECT_EQ(total(w), expected);
    EXPECT_EQ(field(w, 3), 1);
    EXPECT_EQ(field(w, 0), 1);
    EXPECT_EQ(field(w, 0) + field(w, 1) + field(w, 2) + field(w, 3) + field(w, 4) + field(w, 6), w.doc.groupCount);
}
