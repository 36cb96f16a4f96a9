#include "Corrections.h"

#include "Canvas.h"
#include "Classification.h"
#include "Groups.h"

PhotoPress pressOnPhoto(Document& doc, MouseButton button, int X, int Y)
{
    PhotoPress press;
    if (button == MouseButton::Right) {
        MarkGroupAsTwo(doc, X, Y);
        return press;
    }
    doc.pressedGroup = GroupAt(doc, X, Y);
    if (button == MouseButton::Middle && doc.pressedGroup > 0) {
        press.sizeTag = SizeTag{QStringLiteral("taille: %1").arg(doc.groupSizes[std::size_t(doc.pressedGroup)]),
                                {X - 25, Y - 20}};
    }
    doc.log.append(QStringLiteral("%1 %2 %3").arg(X).arg(Y).arg(doc.pressedGroup));
    doc.pressPoint = {X, Y};
    press.mayStartDrag = button == MouseButton::Left;
    return press;
}

bool correctionBarAccepts(const Document& doc)
{
    return doc.workflowStep == 3 && doc.pressedGroup >= 1 && doc.pressedGroup <= doc.groupCount
        && !doc.movedGroups[std::size_t(doc.pressedGroup)];
}

int binAt(int X)
{
    if (X < 100)
        return 0;
    if (X < 200)
        return 1;
    if (X < 400)
        return 2;
    if (X < 600)
        return 3;
    if (X < 700)
        return 4;
    return 6;
}

void dropGroupOnBar(Document& doc, int X, int Y)
{
    if (!correctionBarAccepts(doc))
        return;
    const int g = doc.pressedGroup;
    const TRect R = doc.groupRects[std::size_t(g)];
    doc.log.append(QStringLiteral("Posé"));
    doc.movedGroups[std::size_t(g)] = 1;
    const int hw = (R.Right - R.Left - 2) / 2;
    const int hh = (R.Bottom - R.Top - 2) / 2;
    drawGroupFrame(doc, g, clBlue);
    for (int x = R.Left + 1; x <= R.Right - 1; ++x) {
        for (int y = R.Top + 1; y <= R.Bottom - 1; ++y) {
            const Color colour = pixelAt(doc.displayedPhoto, x, y);
            if (colour != clInvalid)
                setPixelAt(doc.correctionBar, X - hw + x - R.Left - 1, Y - hh + y - R.Top - 1, colour);
        }
    }
    const int bin = binAt(X);
    const int from = doc.groupSizes[std::size_t(g)] >= doc.twoBirdThreshold ? 2 : 1;
    if (bin != from) {
        ++doc.binCounts[std::size_t(bin)];
        --doc.binCounts[std::size_t(from)];
    }
    ShowBinCounts(doc);
}
