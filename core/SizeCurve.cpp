#include "SizeCurve.h"

#include "Canvas.h"
#include "Rounding.h"

#include <algorithm>
#include <array>

namespace {

constexpr int histogramSizes = 500;   // groups of 500 pixels or more are left out
constexpr int histogramFirst = -50;   // the strong window reads down to here
constexpr int leftMargin = 10;        // size 0 lies at x = 10
// The curve's texts in the regular face at 10 pixels: at 7 points (9 pixels)
// the narrow face ran the letters and the words together.
const PictureFont curveFont{QStringLiteral("Liberation Sans"), 10};

// Drawn coordinates are held within this distance of the picture: far points
// only give near-vertical or near-horizontal lines whose visible pixels do not
// change, and the line walk stays short.
constexpr int coordinateLimit = 1 << 20;

int drawCoordinate(double value)
{
    return std::clamp(roundHalfEven(value), -coordinateLimit, coordinateLimit);
}

struct Histogram {
    std::array<std::int64_t, histogramSizes - histogramFirst + 1> counts{};
    // Sizes outside the histogram contribute nothing.
    std::int64_t at(long long s) const
    {
        if (s < histogramFirst || s > histogramSizes)
            return 0;
        return counts[std::size_t(s - histogramFirst)];
    }
    void add(int s) { ++counts[std::size_t(s - histogramFirst)]; }
};

} // namespace

void DrawSizeCurve(Document& doc)
{
    QImage& picture = doc.curvePicture;
    if (picture.size() != QSize(curveWidth, curveHeight))
        picture = Document::blankCurvePicture();

    const std::int64_t N = std::max(doc.groupCount, 0);
    Histogram H;
    int L = 0;
    for (int g = 1; g <= doc.groupCount; ++g) {
        const int s = doc.groupSizes[std::size_t(g)];
        if (s >= 0 && s < histogramSizes) {
            H.add(s);
            L = std::max(L, s);
        }
    }

    std::int64_t C = 0, R = 0;
    int cut = 0;
    for (int s = 3; s < L; ++s) {
        C = std::max(C, H.at(s));
        R += H.at(s);
        if (25 * R >= 24 * N && cut == 0)
            cut = s;
    }
    if (cut > 0)
        L = cut;

    picture.fill(Qt::white);
    const int B = curveHeight - 20;
    auto axisTexts = [&] {
        textOut(picture, 128, B + 8, QStringLiteral("taille des groupes"), curveFont);
        textOut(picture, 5, 20, QStringLiteral("Nombre"), curveFont);
        textOut(picture, 5, 32, QStringLiteral("de groupes"), curveFont);
    };
    if (L == 0 || C == 0) {
        doc.curveXScale = 0.0;
        axisTexts();
        return;
    }

    doc.curveXScale = double(curveWidth - 20) / L;
    const double sy = double(curveHeight - 20) / double(C);
    const double xs = doc.curveXScale;

    LinePen pen(picture, clRed);
    pen.MoveTo(leftMargin, B);
    if (!doc.curveSmoothed) {
        for (int s = 3; s <= L - 1; ++s) {
            const std::int64_t sum = H.at(s - 1) + H.at(s) + H.at(s + 1);
            pen.LineTo(drawCoordinate(leftMargin + s * xs), drawCoordinate(B - sy * double(sum) / 3));
        }
    } else {
        const long long h = roundHalfEven(10.0 * L / double(N));
        for (int s = 5; s <= L - 3; ++s) {
            std::int64_t sum = 0;
            for (long long i = s - h; i <= s + h; ++i)
                sum += H.at(i);
            const double A = double(sum) / double(2 * h + 1);
            pen.LineTo(drawCoordinate(leftMargin + s * xs), drawCoordinate(B - sy * A));
        }
    }

    // The minimum group size, when above the 3 pixels every group has.
    if (doc.minGroupSize > 3) {
        const int xM = drawCoordinate(leftMargin + doc.minGroupSize * xs);
        pen.setColor(clGray);
        pen.MoveTo(xM, B);
        pen.LineTo(xM, 0);
    }

    const int xT = drawCoordinate(leftMargin + doc.twoBirdThreshold * xs);
    pen.setColor(clGreen);
    pen.MoveTo(xT, B);
    pen.LineTo(xT, 0);

    axisTexts();
    textOut(picture, drawCoordinate(leftMargin + doc.twoBirdThreshold * xs - 57), B - 1,
            QStringLiteral("seuil actuel : %1 ").arg(doc.twoBirdThreshold), curveFont, true, clWhite);
}

void toggleCurveSmoothing(Document& doc)
{
    doc.curveSmoothed = !doc.curveSmoothed;
    DrawSizeCurve(doc);
}

std::optional<ThresholdPick> pickThreshold(Document& doc, int X, int Y)
{
    if (doc.workflowStep != 3 || doc.curveXScale == 0.0)
        return std::nullopt;
    ThresholdPick pick;
    pick.threshold = roundHalfEven((X - leftMargin) / doc.curveXScale);
    pick.labelText = QStringLiteral("seuil | %1").arg(pick.threshold);
    pick.labelPosition = {X - 25, Y - 20};
    pick.fieldText = QString::number(pick.threshold);
    MoveStepArrow(doc, 5);
    return pick;
}
