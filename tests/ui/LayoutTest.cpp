// The window against its layout: every control under its name, in its parent,
// at its place and size, with its caption, font, visibility and hint; the
// window's size limits, its place on the screen and the keyboard's order.
#include "UiTestSupport.h"

#include "ui/Layout.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>

#include <limits>
#include <map>

namespace {

// Written from the window's layout description, not from the code's table.
const struct Expected {
    const char* name;
    const char* parent;  // "" = the window
    int left, top, width, height;
    const char* caption;
    bool bold;
    int pixelSize;
    bool visible;
} layout[] = {
    {"Panel1", "", 0, 0, 802, 602, "", false, 11, true},
    {"Image1", "Panel1", 1, 1, 800, 600, "", false, 11, true},
    {"Panel4", "", 0, 602, 802, 100, "", false, 11, true},
    {"Image4", "Panel4", 0, 0, 800, 100, "", false, 11, true},
    {"Edit0", "Panel4", 69, 16, 25, 21, "0", false, 11, true},
    {"Edit1", "Panel4", 169, 16, 25, 21, "0", false, 11, true},
    {"Edit2", "Panel4", 369, 16, 25, 21, "0", false, 11, true},
    {"Edit3", "Panel4", 569, 16, 25, 21, "0", false, 11, true},
    {"Edit4", "Panel4", 669, 16, 25, 21, "0", false, 11, true},
    {"Edit6", "Panel4", 769, 16, 25, 21, "0", false, 11, true},
    {"Charger", "", 848, 0, 137, 25, "Charger un fichier jpg", true, 11, true},
    {"Panel_fleche", "", 816, 5, 20, 16, "", false, 11, true},
    {"img_fleche", "Panel_fleche", 0, 0, 20, 16, "", false, 11, true},
    {"separer", "", 801, 32, 215, 145, "Séparer le ciel et les oiseaux", true, 11, true},
    {"Label6", "separer", 8, 16, 190, 13, "Faire glisser 3 bouts d'oiseau et 3 de ciel", false, 11, true},
    {"Panel2", "separer", 9, 32, 193, 33, "", false, 11, true},
    {"Image2", "Panel2", 1, 1, 191, 31, "", false, 11, true},
    {"Label7", "separer", 8, 64, 195, 13, "|   c'est un oiseau     |       c'est le ciel       |", false, 11, true},
    {"creer_bmp", "separer", 2, 88, 117, 25, "Séparer les oiseaux", true, 11, true},
    {"voir_enlever_le_noir1", "separer", 119, 88, 93, 25, "Voir/enlever le noir", false, 11, true},
    {"Sauve_bmp", "separer", 5, 120, 64, 17, "sauver bmp", false, 11, true},
    {"charge_bmp", "separer", 77, 120, 64, 17, "charger bmp", false, 11, true},
    {"reintialiser", "separer", 151, 120, 57, 17, "réintialiser", false, 11, true},
    {"Ornival1", "", 848, 186, 137, 25, "Compter les oiseaux", true, 12, true},
    {"Panel3", "", 802, 221, 214, 172, "", false, 11, true},
    {"Image3", "Panel3", 1, 0, 214, 172, "", false, 11, true},
    {"Label11", "Panel3", 5, 3, 166, 13, "Modifier le seuil de 2 oiseaux", true, 11, true},
    {"Lisser", "Panel3", 178, 3, 33, 17, "Lisser", false, 11, true},
    {"Label5", "Panel3", 176, 48, 3, 13, "", false, 11, true},
    {"Label2", "", 824, 399, 113, 13, "Seuil de 2 oiseaux :", true, 11, true},
    {"edit_seuil", "", 944, 395, 41, 21, "auto", false, 11, true},
    {"Label_taille_mini", "", 824, 422, 113, 13, "Taille mini :", true, 11, true},
    {"edit_taille_mini", "", 944, 418, 41, 21, "3", false, 11, true},
    {"Ornival2", "", 840, 441, 145, 25, "Recompter les oiseaux", true, 12, true},
    {"deplacer", "", 801, 466, 215, 137, "Corriger les erreurs de ornival", true, 11, true},
    {"Label3", "deplacer", 8, 16, 192, 39,
     "En principe, les rectangles contiennent   2 oiseaux ; les faire glisser dans la case voulue  en bas pour rectifier.",
     false, 11, false},
    {"Label4", "deplacer", 8, 59, 191, 26,
     "Clic droit sur un oiseau pour dire qu'il doit être considéré comme un groupe de 2.", false, 11, false},
    {"Label12", "deplacer", 8, 88, 210, 13, "Bouton central pour voir la taille d'un groupe ", false, 11, true},
    {"voir_enlever_le_noir", "deplacer", 55, 112, 96, 17, "Voir/enlever le noir", false, 11, true},
    {"Total", "", 824, 616, 56, 20, "Total : ", true, 16, true},
    {"nbtotal", "", 880, 608, 49, 32, "", true, 19, true},
    {"Edit9", "", 944, 626, 55, 16, "taille", false, 11, false},
    {"Memo1", "", 808, 648, 129, 49, "", false, 11, false},
    {"Aide", "", 888, 672, 49, 25, "Aide", false, 11, true},
    {"Fermer2", "", 944, 672, 65, 25, "Fermer", false, 11, true},
    {"Label1", "", 8, 32, 3, 13, "", false, 11, true},
};

QString captionOf(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return {};
}

// Every control that shows a hint; every other control shows none.
std::map<QString, QString> hints()
{
    const QString strip = "Comme avec une pipette, faire glisser ici 3 échantillons d'oiseaux, et 3 échantillons de ciel.\n"
                          "Eventuellement ajustez en cliquant sur un autre pixel que celui encadré de blanc.";
    const QString minimumSize = "Taille mini d'un groupe, en pixels : les groupes plus petits ne sont pas comptés.\n"
                                "auto : 0,4 fois la taille type d'un oiseau de la photo (au moins 3).";
    const QString corrections = "En cliquant sur la molette centrale, on peut aussi voir la taille d'un goupe encadré.";
    return {{"Label2", "Nombre de pixels à partir duquel on considère qu'un bloc de pixels noirs\n"
                       "doit être considéré comme un groupe de 2 oiseaux."},
            {"Image3", "Cette courbe représente le nombre de groupes d'oiseaux\n en fonction de la taille en pixels de "
                       "chaque groupe. \nCliquer pour changer le seuil de 2 oiseaux.  \n(vers l'endroit où la courbe "
                       "devient plus horizontale)."},
            {"Ornival2", "Recompter les oiseaux avec le nouveau seuil."},
            {"Label_taille_mini", minimumSize}, {"edit_taille_mini", minimumSize},
            {"separer", strip}, {"Label6", strip}, {"Image2", strip}, {"Panel2", strip}, {"Label7", strip},
            {"creer_bmp", "Met en noir les oiseaux, et crée l'image bmp \nqui servira de base pour le ornival."},
            {"voir_enlever_le_noir1", "S'il y a trop de noir, on peut l'enlever pour modifier les échantillons d'oiseaux et de ciel."},
            {"Sauve_bmp", "Enregistre l'image bmp en noir et blanc si on veut la réutiliser plus tard (sous un nom "
                          "correspiondant au fichier jpg)."},
            {"charge_bmp", "Charge l'image bmp déjà enregistrée (nom correspondant au fichier jpg)."},
            {"reintialiser", "Recharge les 6 cases d'échantillons livrées avec le logiciel."},
            {"deplacer", corrections}, {"Label3", corrections}, {"Label4", corrections}, {"Label12", corrections},
            {"voir_enlever_le_noir", "Pour facilter le ornival visuel des oiseaux dans un groupe."}};
}

} // namespace

TEST_F(WindowTest, ControlsStandWhereTheLayoutPutsThemAndTabVisitsThemInOrder)
{
    seed();
    open();
    const std::map<QString, QString> hint = hints();
    for (const Expected& e : layout) {
        SCOPED_TRACE(e.name);
        QWidget* c = w->control(e.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->parentWidget(), *e.parent ? w->control(e.parent) : w.get());
        EXPECT_EQ(c->geometry(), QRect(e.left, e.top, e.width, e.height));
        EXPECT_EQ(captionOf(c), QString::fromUtf8(e.caption));
        EXPECT_EQ(c->font().bold(), e.bold);
        EXPECT_EQ(c->font().pixelSize(), e.pixelSize);
        EXPECT_EQ(c->font().family(), uiFontFamily());
        EXPECT_EQ(c->isVisible(), e.visible);
        EXPECT_EQ(c->toolTip(), hint.count(e.name) ? hint.at(e.name) : QString());
    }
    EXPECT_EQ(std::size(layout), controlTable().size());
    EXPECT_EQ(w->windowTitle(), "Ornival d'oiseaux");
    EXPECT_TRUE(w->control("Label7")->font().underline());
    EXPECT_EQ(w->Image1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(w->Label3->wordWrap());
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

// The window opens in the middle of the screen the first time it shows, and
// stays where the user put it when it shows again.
TEST_F(WindowTest, WindowIsCentredOnItsFirstShowOnly)
{
    open();
    const QRect screen = w->screen()->availableGeometry();
    EXPECT_EQ(w->pos(), screen.center() - QPoint(512, 364));
    w->hide();
    w->move(screen.topLeft() + QPoint(20, 30));
    w->show();
    EXPECT_EQ(w->pos(), screen.topLeft() + QPoint(20, 30));
}

// A count too wide for its field widens it, within its bin, so that every
// digit shows; a short count leaves the field at its place.
TEST_F(WindowTest, CountFieldsShowEveryDigit)
{
    seed();
    open();
    const std::map<int, int> binLeft{{0, 0}, {1, 100}, {2, 200}, {3, 400}, {4, 600}, {6, 700}};
    for (const std::int32_t count : {0, 19200, std::numeric_limits<std::int32_t>::min()}) {
        SCOPED_TRACE(count);
        for (const auto& [bin, left] : binLeft)
            w->doc.binCounts[std::size_t(bin)] = count;
        ShowBinCounts(w->doc);
        w->refresh();
        std::vector<std::pair<QLineEdit*, int>> fields{{w->nbtotal, 0}};
        for (const auto& [bin, left] : binLeft)
            fields.emplace_back(w->binFields[bin], left);
        for (const auto& [field, left] : fields) {
            SCOPED_TRACE(field->objectName().toStdString());
            const ControlEntry& e = *findControl(field->objectName());
            field->grab();  // scrolls the text as it is painted
            // The first digit at the left edge, the place after the last one at the right edge.
            EXPECT_EQ(field->cursorPositionAt(QPoint(0, 10)), 0);
            EXPECT_EQ(field->cursorPositionAt(QPoint(field->width() - 1, 10)), field->text().size());
            if (count == 0)
                EXPECT_EQ(field->geometry(), QRect(e.left, e.top, e.width, e.height));
            else if (field == w->nbtotal)
                EXPECT_EQ(field->geometry().left(), e.left);
            else
                EXPECT_EQ(field->geometry().right(), e.left + e.width - 1);
            EXPECT_GE(field->geometry().left(), left);
        }
    }
    EXPECT_LT(w->nbtotal->geometry().right(), w->width());
}
