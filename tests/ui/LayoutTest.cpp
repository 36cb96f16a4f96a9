// The window built from its layout table: each control in its parent, at its place,
// with its caption, font, visibility and hint (its own, else its group box's); the
// window's size, place and keyboard order; count fields that widen for their digits.
#include "UiTestSupport.h"

#include "ui/Layout.h"

#include <QGroupBox>
#include <QScreen>

#include <limits>

TEST_F(WindowTest, ControlsStandWhereTheLayoutPutsThemAndTabVisitsThemInOrder)
{
    seed();
    open();
    const QRect screen = w->screen()->availableGeometry();  // centred on its first show only
    EXPECT_EQ(w->pos(), screen.center() - QPoint(512, 364));
    w->hide();
    w->move(screen.topLeft() + QPoint(20, 30));
    w->show();
    EXPECT_EQ(w->pos(), screen.topLeft() + QPoint(20, 30));
    const QStringList bold{"Charger", "separer", "creer_bmp", "Ornival1", "Label11", "Label2", "Label_taille_mini",
                           "Ornival2", "deplacer", "Total", "nbtotal"};
    const QStringList hidden{"Label3", "Label4", "Edit9", "Memo1"};
    const std::map<QString, int> pixels{{"Ornival1", 12}, {"Ornival2", 12}, {"Total", 16}, {"nbtotal", 19}};
    const QString strip = "Comme avec une pipette, faire glisser ici 3 échantillons d'oiseaux, et 3 échantillons de ciel.\n"
                          "Eventuellement ajustez en cliquant sur un autre pixel que celui encadré de blanc.";
    for (const ControlEntry& e : controlTable()) {
        SCOPED_TRACE(e.name.toStdString());
        QWidget* c = w->control(e.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->parentWidget(), e.parent.isEmpty() ? w.get() : w->control(e.parent));
        EXPECT_EQ(c->geometry(), QRect(e.left, e.top, e.width, e.height));
        EXPECT_EQ(c->property(qobject_cast<QGroupBox*>(c) ? "title" : "text").toString(), e.caption);
        EXPECT_EQ(c->font().family(), uiFontFamily());
        EXPECT_EQ(c->font().bold(), bold.contains(e.name));
        EXPECT_EQ(c->font().pixelSize(), pixels.count(e.name) ? pixels.at(e.name) : 11);
        EXPECT_EQ(c->isVisible(), !hidden.contains(e.name));
        QWidget* box = c;  // the nearest group box it lies in, if any
        while (box && !qobject_cast<QGroupBox*>(box))
            box = box->parentWidget();
        EXPECT_EQ(c->toolTip(), !e.hint.isEmpty() ? e.hint.join('\n') : box ? box->toolTip() : QString());
    }
    EXPECT_EQ(w->control("Label7")->toolTip(), strip);
    EXPECT_EQ(w->control("Image2")->toolTip(), strip);
    EXPECT_EQ(w->control("Label12")->toolTip(), "En cliquant sur la molette centrale, on peut aussi voir la taille d'un goupe encadré.");
    EXPECT_EQ(w->control("edit_taille_mini")->toolTip(), "Taille mini d'un groupe, en pixels : les groupes plus petits ne sont "
                                                        "pas comptés.\nauto : 0,4 fois la taille type d'un oiseau de la photo (au moins 3).");
    EXPECT_EQ(w->windowTitle(), "Ornival d'oiseaux");
    EXPECT_TRUE(w->control("Label7")->font().underline());
    EXPECT_EQ(w->Image1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(w->Label3->wordWrap() && w->Label4->wordWrap());
    EXPECT_FALSE(w->Edit9->hasFrame());
    EXPECT_FALSE(w->Memo1->isReadOnly());

    // The outer size and its limits; the controls keep their places.
    EXPECT_EQ(w->size() + QSize(frameWidth, frameHeight), QSize(1024, 729));
    EXPECT_EQ(w->minimumSize() + QSize(frameWidth, frameHeight), QSize(255, 223));
    EXPECT_EQ(w->maximumSize() + QSize(frameWidth, frameHeight), QSize(1288, 1024));
    w->resize(400, 300);
    EXPECT_EQ(w->control("Fermer2")->geometry(), QRect(944, 672, 65, 25));

    w->TotalClick();  // the log takes part once it is shown
    const QStringList order{"creer_bmp", "voir_enlever_le_noir1", "reintialiser", "Sauve_bmp", "charge_bmp", "Ornival1",
                            "Ornival2", "Lisser", "Memo1", "nbtotal", "Charger", "edit_seuil", "edit_taille_mini", "Aide",
                            "Fermer2", "voir_enlever_le_noir", "Edit1", "Edit3", "Edit4", "Edit6", "Edit0", "Edit2"};
    QWidget* current = w->control(order[0]);
    QStringList visited{current->objectName()};
    while (visited.size() < order.size()) {
        do
            current = current->nextInFocusChain();
        while (current->focusPolicy() == Qt::NoFocus || !current->isVisible());
        visited << current->objectName();
    }
    EXPECT_EQ(visited, order);
}

// A count too wide for its field widens it, within its bin, so that every digit
// shows: a bin's field leftwards, the total rightwards; a short count leaves it.
TEST_F(WindowTest, CountFieldsShowEveryDigit)
{
    seed();
    open();
    const std::pair<int, int> binLeft[] = {{0, 0}, {1, 100}, {2, 200}, {3, 400}, {4, 600}, {6, 700}};
    for (const std::int32_t count : {0, 19200, std::numeric_limits<std::int32_t>::min()}) {
        for (const auto& [bin, left] : binLeft)
            w->doc.binCounts[std::size_t(bin)] = count;
        ShowBinCounts(w->doc);
        w->refresh();
        std::vector<std::pair<QLineEdit*, int>> fields{{w->nbtotal, 0}};
        for (const auto& [bin, left] : binLeft)
            fields.emplace_back(w->binFields[bin], left);
        for (const auto& [field, left] : fields) {
            SCOPED_TRACE(testing::Message() << count << " in " << field->objectName().toStdString());
            const ControlEntry& e = *findControl(field->objectName());
            const QRect place(e.left, e.top, e.width, e.height), now = field->geometry();
            field->grab();  // scrolls the text as it is painted
            EXPECT_EQ(field->cursorPositionAt(QPoint(0, 10)), 0);
            EXPECT_EQ(field->cursorPositionAt(QPoint(field->width() - 1, 10)), field->text().size());
            EXPECT_TRUE(!count ? now == place : field == w->nbtotal ? now.left() == place.left() : now.right() == place.right());
            EXPECT_GE(now.left(), left);
        }
    }
    EXPECT_LT(w->nbtotal->geometry().right(), w->width());
}
