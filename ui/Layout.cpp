#include "Layout.h"

namespace {

using K = ControlKind;

const ControlFont regular{};
const ControlFont bold{true};
const ControlFont bold9{true, 12};
const ControlFont underlined{false, 11, true};

const QStringList stripHint{
    QStringLiteral("Comme avec une pipette, faire glisser ici 3 échantillons d'oiseaux, et 3 échantillons de ciel."),
    QStringLiteral("Eventuellement ajustez en cliquant sur un autre pixel que celui encadré de blanc.")};

} // namespace

QStringList minimumSizeFieldHint()
{
    return {QStringLiteral("Taille mini d'un groupe, en pixels : les groupes plus petits ne sont pas comptés."),
            QStringLiteral("auto : 0,4 fois la taille type d'un oiseau de la photo (au moins 3).")};
}

namespace {

std::vector<ControlEntry> makeTable()
{
    auto S = [](const char* s) { return QString::fromUtf8(s); };
    std::vector<ControlEntry> t = {
        {S("Panel1"), K::Panel, {}, 0, 0, 802, 602, {}, regular, {}},
        {S("Image1"), K::Picture, S("Panel1"), 1, 1, 800, 600, {}, regular, {}},
        {S("Panel4"), K::Panel, {}, 0, 602, 802, 100, {}, regular, {}},
        {S("Image4"), K::Picture, S("Panel4"), 0, 0, 800, 100, {}, regular, {}},
        {S("Edit0"), K::Edit, S("Panel4"), 69, 16, 25, 21, S("0"), regular, {}},
        {S("Edit1"), K::Edit, S("Panel4"), 169, 16, 25, 21, S("0"), regular, {}},
        {S("Edit2"), K::Edit, S("Panel4"), 369, 16, 25, 21, S("0"), regular, {}},
        {S("Edit3"), K::Edit, S("Panel4"), 569, 16, 25, 21, S("0"), regular, {}},
        {S("Edit4"), K::Edit, S("Panel4"), 669, 16, 25, 21, S("0"), regular, {}},
        {S("Edit6"), K::Edit, S("Panel4"), 769, 16, 25, 21, S("0"), regular, {}},
        {S("Charger"), K::Button, {}, 848, 0, 137, 25, S("Charger un fichier jpg"), bold, {}},
        {S("Panel_fleche"), K::Panel, {}, 816, 5, 20, 16, {}, regular, {}},
        {S("img_fleche"), K::Picture, S("Panel_fleche"), 0, 0, 20, 16, {}, regular, {}},
        {S("separer"), K::GroupBox, {}, 801, 32, 215, 145, S("Séparer le ciel et les oiseaux"), bold, stripHint},
        {S("Label6"), K::Label, S("separer"), 8, 16, 190, 13, S("Faire glisser 3 bouts d'oiseau et 3 de ciel"),
         regular, stripHint},
        {S("Panel2"), K::Panel, S("separer"), 9, 32, 193, 33, {}, regular, {}},
        {S("Image2"), K::Picture, S("Panel2"), 1, 1, 191, 31, {}, regular, stripHint},
        {S("Label7"), K::Label, S("separer"), 8, 64, 195, 13,
         S("|   c'est un oiseau     |       c'est le ciel       |"), underlined, {}},
        {S("creer_bmp"), K::Button, S("separer"), 2, 88, 117, 25, S("Séparer les oiseaux"), bold,
         {S("Met en noir les oiseaux, et crée l'image bmp "), S("qui servira de base pour le ornival.")}},
        {S("voir_enlever_le_noir1"), K::Button, S("separer"), 119, 88, 93, 25, S("Voir/enlever le noir"), regular,
         {S("S'il y a trop de noir, on peut l'enlever pour modifier les échantillons d'oiseaux et de ciel.")}},
        {S("Sauve_bmp"), K::Button, S("separer"), 5, 120, 64, 17, S("sauver bmp"), regular,
         {S("Enregistre l'image bmp en noir et blanc si on veut la réutiliser plus tard (sous un nom "
            "correspiondant au fichier jpg).")}},
        {S("charge_bmp"), K::Button, S("separer"), 77, 120, 64, 17, S("charger bmp"), regular,
         {S("Charge l'image bmp déjà enregistrée (nom correspondant au fichier jpg).")}},
        {S("reintialiser"), K::Button, S("separer"), 151, 120, 57, 17, S("réintialiser"), regular,
         {S("Recharge les 6 cases d'échantillons livrées avec le logiciel.")}},
        {S("Ornival1"), K::Button, {}, 848, 186, 137, 25, S("Compter les oiseaux"), bold9, {}},
        {S("Panel3"), K::Panel, {}, 802, 221, 214, 172, {}, regular, {}},
        {S("Image3"), K::Picture, S("Panel3"), 1, 0, 214, 172, {}, regular,
         {S("Cette courbe représente le nombre de groupes d'oiseaux"),
          S(" en fonction de la taille en pixels de chaque groupe. "),
          S("Cliquer pour changer le seuil de 2 oiseaux.  "),
          S("(vers l'endroit où la courbe devient plus horizontale).")}},
        {S("Label11"), K::Label, S("Panel3"), 5, 3, 166, 13, S("Modifier le seuil de 2 oiseaux"), bold, {}},
        {S("Lisser"), K::Button, S("Panel3"), 178, 3, 33, 17, S("Lisser"), regular, {}},
        {S("Label5"), K::Label, S("Panel3"), 176, 48, 3, 13, {}, regular, {}},
        // The threshold row and "Recompter" move up and down a few pixels to
        // make room for the minimum-size row between them.
        {S("Label2"), K::Label, {}, 824, 399, 113, 13, S("Seuil de 2 oiseaux :"), bold,
         {S("Nombre de pixels à partir duquel on considère qu'un bloc de pixels noirs"),
          S("doit être considéré comme un groupe de 2 oiseaux.")}},
        {S("edit_seuil"), K::Edit, {}, 944, 395, 41, 21, S("auto"), regular, {}},
        {S("Label_taille_mini"), K::Label, {}, 824, 422, 113, 13, S("Taille mini :"), bold, minimumSizeFieldHint()},
        {S("edit_taille_mini"), K::Edit, {}, 944, 418, 41, 21, S("3"), regular, minimumSizeFieldHint()},
        {S("Ornival2"), K::Button, {}, 840, 441, 145, 25, S("Recompter les oiseaux"), bold9,
         {S("Recompter les oiseaux avec le nouveau seuil.")}},
        {S("deplacer"), K::GroupBox, {}, 801, 466, 215, 137, S("Corriger les erreurs de ornival"), bold,
         {S("En cliquant sur la molette centrale, on peut aussi voir la taille d'un goupe encadré.")}},
        {S("Label3"), K::Label, S("deplacer"), 8, 16, 192, 39,
         S("En principe, les rectangles contiennent   2 oiseaux ; les faire glisser dans la case voulue  en bas "
           "pour rectifier."),
         regular, {}, false, true},
        {S("Label4"), K::Label, S("deplacer"), 8, 59, 191, 26,
         S("Clic droit sur un oiseau pour dire qu'il doit être considéré comme un groupe de 2."), regular, {}, false,
         true},
        {S("Label12"), K::Label, S("deplacer"), 8, 88, 210, 13, S("Bouton central pour voir la taille d'un groupe "),
         regular, {}},
        {S("voir_enlever_le_noir"), K::Button, S("deplacer"), 55, 112, 96, 17, S("Voir/enlever le noir"), regular,
         {S("Pour facilter le ornival visuel des oiseaux dans un groupe.")}},
        {S("Total"), K::Label, {}, 824, 616, 56, 20, S("Total : "), {true, 16}, {}},
        {S("nbtotal"), K::Edit, {}, 880, 608, 49, 32, {}, {true, 19}, {}},
        {S("Edit9"), K::Edit, {}, 944, 626, 55, 16, S("taille"), regular, {}, false, false, false},
        {S("Memo1"), K::Memo, {}, 808, 648, 129, 49, {}, regular, {}, false},
        {S("Aide"), K::Button, {}, 888, 672, 49, 25, S("Aide"), regular, {}},
        {S("Fermer2"), K::Button, {}, 944, 672, 65, 25, S("Fermer"), regular, {}},
        {S("Label1"), K::Label, {}, 8, 32, 3, 13, {}, regular, {}},
    };
    return t;
}

} // namespace

const std::vector<ControlEntry>& controlTable()
{
    static const std::vector<ControlEntry> table = makeTable();
    return table;
}

const ControlEntry* findControl(const QString& name)
{
    for (const ControlEntry& c : controlTable())
        if (c.name == name)
            return &c;
    return nullptr;
}

QStringList effectiveHint(const ControlEntry& control)
{
    if (!control.hint.isEmpty())
        return control.hint;
    for (const ControlEntry* parent = findControl(control.parent); parent; parent = findControl(parent->parent))
        if (parent->kind == ControlKind::GroupBox)
            return parent->hint;
    return {};
}

const QStringList& tabOrder()
{
    static const QStringList order{
        QStringLiteral("creer_bmp"), QStringLiteral("voir_enlever_le_noir1"), QStringLiteral("reintialiser"),
        QStringLiteral("Sauve_bmp"), QStringLiteral("charge_bmp"), QStringLiteral("Ornival1"),
        QStringLiteral("Ornival2"), QStringLiteral("Lisser"), QStringLiteral("Memo1"), QStringLiteral("nbtotal"),
        QStringLiteral("Charger"), QStringLiteral("edit_seuil"), QStringLiteral("edit_taille_mini"), QStringLiteral("Aide"), QStringLiteral("Fermer2"),
        QStringLiteral("voir_enlever_le_noir"), QStringLiteral("Edit9"), QStringLiteral("Edit1"),
        QStringLiteral("Edit3"), QStringLiteral("Edit4"), QStringLiteral("Edit6"), QStringLiteral("Edit0"),
        QStringLiteral("Edit2")};
    return order;
}
