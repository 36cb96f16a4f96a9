#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The window's controls as one table: kind, parent, place, size, caption, font,
// hint and visibility. The window is built from it.
enum class ControlKind { Panel, Picture, Edit, Button, GroupBox, Label, Memo };

struct ControlFont {
    bool bold = false;
    int pixelSize = 11;  // 8 points at 96 dots per inch
    bool underline = false;
};

// The hint of the "Taille mini" field and its label; after a count with
// "auto" the field's hint gains a line with the size chosen.
QStringList minimumSizeFieldHint();

struct ControlEntry {
    QString name;
    ControlKind kind;
    QString parent;  // empty: the window's client area
    int left, top, width, height;
    QString caption;  // caption or initial text
    ControlFont font;
    QStringList hint;  // lines shown one under the other; empty: none of its own
    bool visible = true;
    bool wordWrap = false;
    bool frame = true;  // edit fields: border
};

// Client size of the window whose outer size is 1024 x 729, and the limits of
// the outer size the user may resize it to.
constexpr int windowOuterWidth = 1024;
constexpr int windowOuterHeight = 729;
constexpr int windowMinOuterWidth = 255;
constexpr int windowMinOuterHeight = 223;
constexpr int windowMaxOuterWidth = 1288;
constexpr int windowMaxOuterHeight = 1024;
// The frame the outer size includes: borders of 4 pixels and a title bar of 23.
constexpr int frameWidth = 8;
constexpr int frameHeight = 31;

const std::vector<ControlEntry>& controlTable();
const ControlEntry* findControl(const QString& name);

// The hint a control shows: its own, else that of the group box it lies in,
// else none.
QStringList effectiveHint(const ControlEntry& control);

// Keyboard focus order of the buttons and fields.
const QStringList& tabOrder();
