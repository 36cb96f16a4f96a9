#include "Count.h"

#include "Classification.h"
#include "Estimate.h"
#include "Groups.h"
#include "OrnivalError.h"
#include "Overlay.h"
#include "Rounding.h"
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
    // The magnitude's limit: 2147483648 only after a minus sign.
    const std::int64_t limit = -std::int64_t(std::numeric_limits<std::int32_t>::min()) - (negative ? 0 : 1);
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return fail();
        value = value * 10 + (c - u'0');
        if (value > limit)
            return fail();
    }
    return std::int32_t(negative ? -value : value);
}

std::optional<std::int32_t> minimumSizeFromText(const QString& text)
{
    if (text == QLatin1String("auto"))
        return std::nullopt;
    const std::int32_t size = thresholdFromText(text);
    if (size < 3)
        throw OrnivalError(
            QStringLiteral("'%1' n'est pas une taille mini correcte : il faut un nombre entier de 3 ou plus, ou auto")
                .arg(text));
    return size;
}

void detectGroupsOfMinimumSize(Document& doc, std::optional<std::int32_t> minimumSize)
{
    doc.minGroupSize = minimumSize.value_or(3);
    DetectGroups(doc);
    if (minimumSize)
        return;
    const std::int32_t chosen = automaticMinimumSize(
        std::span<const std::int32_t>(doc.groupSizes.data() + 1, std::size_t(doc.groupCount)));
    if (chosen > doc.minGroupSize) {
        // Detected again, so the table, its numbering and the log lines only
        // ever hold groups of the chosen size.
        doc.log.erase(doc.log.end() - 3, doc.log.end());
        doc.minGroupSize = chosen;
        DetectGroups(doc);
    }
    doc.log.append(QStringLiteral("taille mini auto : %1").arg(chosen));
}

CountOutcome countBirds(Document& doc, const QString& thresholdFieldText, const QString& minimumSizeText)
{
    CountOutcome outcome;
    if (doc.workflowStep == 1) {
        outcome.message = QStringLiteral("Il faut d'abord séparer ciel et oiseaux ou charger le fichier bmp");
        return outcome;
    }
    const bool automatic = thresholdFieldText == QLatin1String("auto");
    std::optional<std::int32_t> threshold;
    if (!automatic)
        threshold = thresholdFromText(thresholdFieldText);
    const std::optional<std::int32_t> minimumSize = minimumSizeFromText(minimumSizeText);
    if (threshold)
        doc.twoBirdThreshold = *threshold;

    // A count resets the bins, so the marks of groups moved into them go too.
    std::fill(doc.movedGroups.begin(), doc.movedGroups.end(), 0);
    detectGroupsOfMinimumSize(doc, minimumSize);
    if (automatic && !minimumSize) {
        // With the automatic minimum the automatic threshold follows the same
        // typical one-bird size: 1.5 times it. The most frequent single size
        // means little once real birds spread over hundreds of sizes.
        const std::int32_t typical = typicalGroupSize(
            std::span<const std::int32_t>(doc.groupSizes.data() + 1, std::size_t(doc.groupCount)));
        if (typical > 0)
            doc.twoBirdThreshold = roundHalfEven(1.5 * typical);
        ClassifyGroups(doc, false);
    } else {
        ClassifyGroups(doc, automatic);
    }
    doc.correctionHintsShown = true;
    doc.log.append(QStringLiteral("Terminé"));
    doc.curveSmoothed = false;
    if (!doc.countOnly)
        DrawSizeCurve(doc);
    MoveStepArrow(doc, automatic ? 4 : 6);
    outcome.thresholdText = QString::number(doc.twoBirdThreshold);
    outcome.minGroupSize = doc.minGroupSize;
    doc.workflowStep = 3;
    doc.blackShown = false;
    toggleBlackOverlayWithFrames(doc);
    return outcome;
}
