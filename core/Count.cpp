#include "Count.h"

#include "Classification.h"
#include "Groups.h"
#include "OrnivalError.h"
#include "Overlay.h"
#include "SizeCurve.h"

#include <algorithm>
#include <limits>

std::int32_t thresholdFromText(const QString& text)
{
    auto fail = [&]() -> std::int32_t {
        throw OrnivalError(QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(text));
    };
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return fail();
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return fail();
        value = value * 10 + (c - u'0');
        if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)
            return fail();
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max() || value < std::numeric_limits<std::int32_t>::min())
        return fail();
    return std::int32_t(value);
}

CountOutcome countBirds(Document& doc, const QString& thresholdFieldText)
{
    CountOutcome outcome;
    if (doc.workflowStep == 1) {
        outcome.message = QStringLiteral("Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp");
        return outcome;
    }
    const bool automatic = thresholdFieldText == QLatin1String("auto");
    if (!automatic)
        doc.twoBirdThreshold = thresholdFromText(thresholdFieldText);

    // A count resets the bins, so the marks of groups moved into them go too.
    std::fill(doc.movedGroups.begin(), doc.movedGroups.end(), 0);
    DetectGroups(doc);
    ClassifyGroups(doc, automatic);
    doc.correctionHintsShown = true;
    doc.log.append(QStringLiteral("Terminé"));
    doc.curveSmoothed = false;
    if (!doc.countOnly)
        DrawSizeCurve(doc);
    MoveStepArrow(doc, automatic ? 4 : 6);
    outcome.thresholdText = QString::number(doc.twoBirdThreshold);
    doc.workflowStep = 3;
    doc.blackShown = false;
    toggleBlackOverlayWithFrames(doc);
    return outcome;
}
