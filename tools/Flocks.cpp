// The four extra flocks: dense small starlings, geese in V's, a flock cut by
// the photo's edges and a greyscale one. Each is drawn from its own seed with
// antialiased silhouettes (thin tapering wings, ±15 % in length), touching
// pairs and clumps of three, sensor noise and JPEG artefacts, so that an
// accuracy report on them says something about real photos.
#include "Flocks.h"

#include "Random.h"

#include "core/SampleStrip.h"
#include "files/BmpFile.h"
#include "files/PhotoFile.h"
#include "files/SampleSetFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

QByteArray sampleSetFileText(const Document& doc)
{
    QByteArray ini;
    ini += sampleSetHeader().toLatin1() + "\r\n";
    for (const ColorTriple& c : doc.pixo)
        ini += TripleToText(c).toLatin1() + "\r\n";
    for (const ColorTriple& c : doc.pixno)
        ini += TripleToText(c).toLatin1() + "\r\n";
    return ini;
}

namespace {

// A silhouette seen from below, in units of the bird's length: the bird lies
// along x, tail at -0.5 and beak at +0.5, wings along y.
struct Shape {
    double bodyX, bodyRx, bodyRy;
    double headX, headR;
    double neckFrom, neckTo, neckHalf;  // no neck when neckTo <= neckFrom
    double tailRootX, tailRootHalf, tailEndX, tailEndHalf;
    std::vector<QPointF> wing;  // the right wing, from the leading root round to the trailing root
    double halfSpan;            // the wing's reach from the axis
};

const Shape& starling()
{
    static const Shape s{0.02, 0.30, 0.11, 0.34, 0.085, 0, 0, 0, -0.22, 0.07, -0.50, 0.09,
                         {{0.14, 0.06}, {0.07, 0.35}, {-0.06, 0.68}, {-0.10, 0.64}, {-0.11, 0.30}, {-0.12, 0.06}},
                         0.68};
    return s;
}

const Shape& goose()
{
    static const Shape s{-0.06, 0.30, 0.12, 0.45, 0.05, 0.18, 0.43, 0.035, -0.33, 0.07, -0.46, 0.08,
                         {{0.10, 0.08}, {0.05, 0.45}, {-0.03, 0.76}, {-0.08, 0.80}, {-0.13, 0.72}, {-0.16, 0.40},
                          {-0.18, 0.08}},
                         0.80};
    return s;
}

// Jackdaw-like: blunt fingered wings, square tail.
const Shape& jackdaw()
{
    static const Shape s{0.0, 0.28, 0.10, 0.32, 0.09, 0, 0, 0, -0.22, 0.07, -0.50, 0.12,
                         {{0.14, 0.06}, {0.10, 0.40}, {0.02, 0.70}, {-0.04, 0.74}, {-0.10, 0.72}, {-0.16, 0.40},
                          {-0.16, 0.06}},
                         0.74};
    return s;
}

// Pigeon-like: long pointed wings.
const Shape& pigeon()
{
    static const Shape s{0.0, 0.30, 0.10, 0.33, 0.075, 0, 0, 0, -0.24, 0.06, -0.50, 0.10,
                         {{0.15, 0.06}, {0.10, 0.40}, {-0.05, 0.80}, {-0.09, 0.80}, {-0.12, 0.45}, {-0.14, 0.06}},
                         0.80};
    return s;
}

struct Bird {
    double x, y, length, angle;  // angle in degrees, 0 = heading right
    int shade;                   // grey level of the body; the wings are a little lighter
    int wingShade = -1;          // grey level of the wings of a two-tone bird; -1: as above
};

void drawBird(QPainter& p, const Shape& s, const Bird& b)
{
    p.save();
    p.translate(b.x, b.y);
    p.rotate(b.angle);
    p.scale(b.length, b.length);
    p.setPen(Qt::NoPen);
    const QColor body(b.shade, b.shade, std::min(255, b.shade + 4));
    const QColor wings = b.wingShade >= 0 ? QColor(b.wingShade, b.wingShade, std::min(255, b.wingShade + 6))
                                          : QColor(std::min(255, b.shade + 12), std::min(255, b.shade + 12),
                                                   std::min(255, b.shade + 15));
    for (int side : {-1, 1}) {
        QPainterPath wing;
        for (std::size_t i = 0; i < s.wing.size(); ++i) {
            const QPointF q(s.wing[i].x(), side * s.wing[i].y());
            if (i == 0)
                wing.moveTo(q);
            else
                wing.lineTo(q);
        }
        wing.closeSubpath();
        p.setBrush(wings);
        p.drawPath(wing);
    }
    p.setBrush(body);
    QPainterPath tail;
    tail.moveTo(s.tailRootX, -s.tailRootHalf);
    tail.lineTo(s.tailEndX, -s.tailEndHalf);
    tail.lineTo(s.tailEndX, s.tailEndHalf);
    tail.lineTo(s.tailRootX, s.tailRootHalf);
    tail.closeSubpath();
    p.drawPath(tail);
    p.drawEllipse(QRectF(s.bodyX - s.bodyRx, -s.bodyRy, 2 * s.bodyRx, 2 * s.bodyRy));
    if (s.neckTo > s.neckFrom)
        p.drawRect(QRectF(s.neckFrom, -s.neckHalf, s.neckTo - s.neckFrom, 2 * s.neckHalf));
    p.drawEllipse(QRectF(s.headX - s.headR, -s.headR, 2 * s.headR, 2 * s.headR));
    QPainterPath beak;
    beak.moveTo(s.headX + 0.5 * s.headR, -0.35 * s.headR);
    beak.lineTo(0.5, 0);
    beak.lineTo(s.headX + 0.5 * s.headR, 0.35 * s.headR);
    beak.closeSubpath();
    p.drawPath(beak);
    p.restore();
}

// Smooth value noise in -1..1, cells of `cell` pixels, for clouds.
class ValueNoise {
public:
    ValueNoise(Random& random, int width, int height, double cell)
        : cell_(cell), columns_(int(width / cell) + 3), rows_(int(height / cell) + 3)
    {
        values_.resize(std::size_t(columns_ * rows_));
        for (double& v : values_)
            v = random.uniform(-1, 1);
    }
    double at(double x, double y) const
    {
        const double gx = x / cell_, gy = y / cell_;
        const int ix = int(gx), iy = int(gy);
        auto smooth = [](double t) { return t * t * (3 - 2 * t); };
        const double tx = smooth(gx - ix), ty = smooth(gy - iy);
        auto v = [&](int cx, int cy) { return values_[std::size_t(cy * columns_ + cx)]; };
        const double top = v(ix, iy) + (v(ix + 1, iy) - v(ix, iy)) * tx;
        const double bottom = v(ix, iy + 1) + (v(ix + 1, iy + 1) - v(ix, iy + 1)) * tx;
        return top + (bottom - top) * ty;
    }

private:
    double cell_;
    int columns_, rows_;
    std::vector<double> values_;
};

struct SkyStyle {
    QColor top, bottom;
    double cloudAmount;  // grey levels added or taken by the clouds
};

QImage drawSky(Random& random, int width, int height, const SkyStyle& style)
{
    QImage sky(width, height, QImage::Format_RGB32);
    const ValueNoise coarse(random, width, height, 160), fine(random, width, height, 45);
    for (int y = 0; y < height; ++y) {
        const double t = height > 1 ? y / double(height - 1) : 0;
        const double r = style.top.red() + (style.bottom.red() - style.top.red()) * t;
        const double g = style.top.green() + (style.bottom.green() - style.top.green()) * t;
        const double b = style.top.blue() + (style.bottom.blue() - style.top.blue()) * t;
        QRgb* row = reinterpret_cast<QRgb*>(sky.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double cloud = style.cloudAmount * (0.7 * coarse.at(x, y) + 0.3 * fine.at(x, y));
            auto level = [&](double v) { return std::clamp(int(std::lround(v + cloud)), 0, 255); };
            row[x] = qRgb(level(r), level(g), level(b));
        }
    }
    return sky;
}

// A slight motion blur along the rows: each pixel a quarter of each
// neighbour and half of itself.
void motionBlur(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        QRgb previous = row[0];
        for (int x = 0; x < image.width(); ++x) {
            const QRgb here = row[x], next = row[std::min(x + 1, image.width() - 1)];
            auto mix = [&](int (*part)(QRgb)) { return (part(previous) + 2 * part(here) + part(next) + 2) / 4; };
            row[x] = qRgb(mix(qRed), mix(qGreen), mix(qBlue));
            previous = here;
        }
    }
}

// Sensor noise over the whole picture, before the JPEG encoder sees it.
void addNoise(Random& random, QImage& image, double sigma)
{
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(std::lround(sigma * random.normal()));
            auto c = [&](int v) { return std::clamp(v + n, 0, 255); };
            row[x] = qRgb(c(qRed(row[x])), c(qGreen(row[x])), c(qBlue(row[x])));
        }
    }
}

// A flock as groups of birds: lone birds, touching pairs and clumps of three.
class FlockBuilder {
public:
    FlockBuilder(Random& random, const Shape& shape, double baseLength, int shade)
        : random_(random), shape_(shape), baseLength_(baseLength), shade_(shade)
    {
    }

    Bird newBird(double x, double y, double angle)
    {
        // Lengths spread as in nature, most birds near the middle, none more
        // than 15 % longer or shorter.
        const double spread = std::clamp(0.075 * random_.normal(), -0.15, 0.15);
        Bird b{x, y, baseLength_ * (1 + spread), angle, shade_ + random_.below(14)};
        if (wingShade >= 0)
            b.wingShade = wingShade + random_.below(14);
        return b;
    }

    // Wings of this grey level for two-tone birds (a dark back seen through
    // the wings, a white belly); -1: one tone.
    int wingShade = -1;

    // Reach of a bird: the circle its silhouette fits in.
    double reach(const Bird& b) const { return b.length * std::max(shape_.halfSpan, 0.5); }

    // A partner that touches `a`: side by side with the wing tips overlapping,
    // or in echelon behind it.
    Bird partner(const Bird& a)
    {
        Bird b = newBird(0, 0, a.angle + random_.uniform(-8, 8));
        const double h = 0.5 * (a.length + b.length) * shape_.halfSpan;
        const double side = random_.below(2) ? 1.0 : -1.0;
        double along, across;
        if (random_.below(3) < 2) {
            along = random_.uniform(-0.08, 0.08) * a.length;
            across = side * random_.uniform(1.55, 1.75) * h;
        } else {
            along = -random_.uniform(0.38, 0.5) * a.length;
            across = side * random_.uniform(0.55, 0.9) * h;
        }
        const double t = a.angle * M_PI / 180.0;
        b.x = a.x + along * std::cos(t) - across * std::sin(t);
        b.y = a.y + along * std::sin(t) + across * std::cos(t);
        return b;
    }

    // Whether the group `group` keeps clear of every bird placed so far.
    bool clear(const std::vector<Bird>& group) const
    {
        for (const Bird& n : group)
            for (const Bird& o : birds)
                if (std::hypot(n.x - o.x, n.y - o.y) < 1.05 * (reach(n) + reach(o)) + 2)
                    return false;
        return true;
    }

    // Makes a group of `size` birds around (x, y) and adds it if it keeps clear.
    bool tryGroup(int size, double x, double y, double angle)
    {
        std::vector<Bird> group{newBird(x, y, angle)};
        while (int(group.size()) < size)
            group.push_back(partner(group.back()));
        if (size == 3 && std::hypot(group[2].x - group[0].x, group[2].y - group[0].y)
                < 0.9 * (reach(group[0]) + reach(group[2])) * 0.7)
            return false;
        if (!clear(group))
            return false;
        birds.insert(birds.end(), group.begin(), group.end());
        if (size == 1)
            lone.push_back(birds.size() - 1);
        return true;
    }

    // Places `count` groups of `size` birds at random points of the region
    // (density from 0 to 1), heading near `heading`.
    void scatter(int count, int size, const QRectF& region, const std::function<double(double, double)>& density,
                 double heading, double headingSpread)
    {
        int placed = 0;
        for (int tries = 0; placed < count && tries < 400000; ++tries) {
            const double x = random_.uniform(region.left(), region.right());
            const double y = random_.uniform(region.top(), region.bottom());
            if (random_.uniform(0, 1) > density(x, y))
                continue;
            if (tryGroup(size, x, y, heading + random_.uniform(-headingSpread, headingSpread)))
                ++placed;
        }
        if (placed < count)
            std::fprintf(stderr, "placed only %d of %d groups of %d\n", placed, count, size);
    }

    // Places `threes` clumps of three, then `twos` pairs, then `ones` lone birds.
    void scatterGroups(int threes, int twos, int ones, const QRectF& region,
                       const std::function<double(double, double)>& density, double heading, double headingSpread)
    {
        scatter(threes, 3, region, density, heading, headingSpread);
        scatter(twos, 2, region, density, heading, headingSpread);
        scatter(ones, 1, region, density, heading, headingSpread);
    }

    const Shape& shape() const { return shape_; }

    std::vector<Bird> birds;
    std::vector<std::size_t> lone;  // indices of the lone birds, in placing order

private:
    Random& random_;
    const Shape& shape_;
    double baseLength_;
    int shade_;
};

struct FlockPicture {
    QString name;
    QImage image;  // Format_RGB32, or Format_Grayscale8 for a greyscale photo
    int quality = 80;
    std::vector<QPointF> truth;  // the birds whose centre lies in the photo
    std::vector<QPointF> birdSamples, skySamples;
};

void takeTruth(FlockPicture& f, const std::vector<Bird>& birds)
{
    for (const Bird& b : birds)
        if (b.x >= 0 && b.y >= 0 && b.x < f.image.width() && b.y < f.image.height())
            f.truth.push_back({b.x, b.y});
}

// A sky point that no bird comes near, on row y, searched from x outwards.
QPointF skyPoint(const std::vector<Bird>& birds, double reachFactor, int width, double x, double y)
{
    for (int step = 0; step < 2 * width; step += 7) {
        for (double candidate : {x + step, x - step}) {
            if (candidate < 3 || candidate > width - 4)
                continue;
            const bool free = std::none_of(birds.begin(), birds.end(), [&](const Bird& b) {
                return std::hypot(b.x - candidate, b.y - y) < b.length * reachFactor + 6;
            });
            if (free)
                return {candidate, y};
        }
    }
    return {x, y};
}

// Bird samples on three lone birds well inside the photo, sky samples high,
// halfway and low, as a user would choose them.
void chooseSamples(FlockPicture& f, const FlockBuilder& flock, double reachFactor)
{
    const int w = f.image.width(), h = f.image.height();
    for (std::size_t i : flock.lone) {
        const Bird& b = flock.birds[i];
        const double margin = b.length * reachFactor + 4;
        if (b.x > margin && b.y > margin && b.x < w - margin && b.y < h - margin)
            f.birdSamples.push_back({b.x, b.y});
        if (f.birdSamples.size() == 3)
            break;
    }
    for (double t : {0.06, 0.5, 0.94})
        f.skySamples.push_back(skyPoint(flock.birds, reachFactor, w, w * 0.5, std::round(h * t)));
}

// Birds thickest at (cx, cy), thinning to `edge` at the rim of an ellipse of
// semi-axes rx, ry, none outside it.
std::function<double(double, double)> ellipseDensity(double cx, double cy, double rx, double ry, double edge)
{
    return [=](double x, double y) {
        const double r = std::hypot((x - cx) / rx, (y - cy) / ry);
        return r >= 1 ? 0.0 : edge + (1 - edge) * (1 - r);
    };
}

// A flock's photo begun: its sky, drawn from the flock's own generator.
FlockPicture newPicture(Random& random, const QString& name, int quality, int w, int h, const SkyStyle& sky)
{
    FlockPicture f{name, {}, quality, {}, {}, {}};
    f.image = drawSky(random, w, h, sky);
    return f;
}

// The birds drawn antialiased over the sky, a motion blur when asked, the
// sensor noise; then the truth and the samples.
void finish(FlockPicture& f, Random& random, const FlockBuilder& flock, double noise, bool blur = false)
{
    QPainter p(&f.image);
    p.setRenderHint(QPainter::Antialiasing);
    for (const Bird& b : flock.birds)
        drawBird(p, flock.shape(), b);
    p.end();
    if (blur)
        motionBlur(f.image);
    addNoise(random, f.image, noise);
    takeTruth(f, flock.birds);
    chooseSamples(f, flock, flock.shape().halfSpan);
}

FlockPicture starlings()
{
    Random random(20261211);
    const int w = 800, h = 600;
    FlockPicture f = newPicture(random, QStringLiteral("etourneaux"), 80, w, h,
                                  {QColor(150, 176, 214), QColor(222, 206, 196), 10});
    FlockBuilder flock(random, starling(), 13, 28);
    // A murmuration: a tilted cloud of birds, densest in its core.
    auto density = [](double x, double y) {
        const double u = (x - 400) * 0.94 + (y - 300) * 0.34, v = -(x - 400) * 0.34 + (y - 300) * 0.94;
        const double r = std::hypot(u / 390.0, v / 250.0);
        return r >= 1 ? 0.0 : 0.35 + 0.65 * (1 - r * r);
    };
    const QRectF region(8, 8, w - 16, h - 16);
    flock.scatterGroups(16, 42, 300, region, density, -20, 35);
    finish(f, random, flock, 2.0);
    return f;
}

FlockPicture geese()
{
    Random random(20261212);
    FlockPicture f = newPicture(random, QStringLiteral("oies en V"), 85, 800, 600,
                                  {QColor(96, 140, 200), QColor(170, 196, 226), 8});
    FlockBuilder flock(random, goose(), 22, 38);
    const Shape& s = goose();
    // Each arm of a V trails back from the leader; neighbours now and then fly
    // close enough for their wing tips to overlap.
    auto arm = [&](const Bird& leader, int count, double side) {
        Bird previous = leader;
        for (int i = 0; i < count; ++i) {
            Bird b = flock.newBird(0, 0, leader.angle + random.uniform(-5, 5));
            const double hs = 0.5 * (previous.length + b.length) * s.halfSpan;
            double along, across;
            const int kind = random.below(10);
            if (kind < 3) {  // wing tips overlapping
                along = random.uniform(-0.12, 0.02) * previous.length;
                across = random.uniform(1.45, 1.6) * hs;
            } else {
                along = -random.uniform(1.6, 2.0) * previous.length;
                across = random.uniform(1.7, 2.0) * hs;
            }
            const double t = previous.angle * M_PI / 180.0;
            b.x = previous.x + along * std::cos(t) - side * across * std::sin(t);
            b.y = previous.y + along * std::sin(t) + side * across * std::cos(t);
            flock.birds.push_back(b);
            previous = b;
        }
    };
    const Bird first = flock.newBird(740, 230, -3);
    flock.birds.push_back(first);
    flock.lone.push_back(0);
    arm(first, 8, 1);
    arm(first, 6, -1);
    const Bird second = flock.newBird(330, 330, 4);
    flock.birds.push_back(second);
    flock.lone.push_back(flock.birds.size() - 1);
    arm(second, 6, 1);
    arm(second, 5, -1);
    // The leaders fly alone; the third sample goes on the last bird of an arm.
    flock.lone.push_back(flock.birds.size() - 1);
    finish(f, random, flock, 2.0);
    return f;
}

FlockPicture edges()
{
    Random random(20261213);
    const int w = 800, h = 600;
    FlockPicture f = newPicture(random, QStringLiteral("bords"), 75, w, h,
                                  {QColor(70, 118, 190), QColor(150, 186, 228), 6});
    FlockBuilder flock(random, pigeon(), 22, 34);
    // Birds across every edge and corner first, their centres a little inside
    // or a little outside, then the rest of the flock inside.
    const double reach = 22 * pigeon().halfSpan;
    for (int edge = 0; edge < 4; ++edge) {
        for (int i = 0; i < 6; ++i) {
            for (int tries = 0; tries < 200; ++tries) {
                const double along = random.uniform(0.1, 0.9), off = random.uniform(-0.45, 0.45) * reach;
                const double x = edge == 0 ? along * w : edge == 1 ? w + off : edge == 2 ? along * w : -off;
                const double y = edge == 0 ? -off : edge == 1 ? along * h : edge == 2 ? h + off : along * h;
                if (flock.tryGroup(i == 5 ? 2 : 1, x, y, random.uniform(-40, 40)))
                    break;
            }
        }
    }
    for (QPointF corner : {QPointF(0, 0), QPointF(w, 0), QPointF(0, h), QPointF(w, h)})
        for (int tries = 0; tries < 200; ++tries)
            if (flock.tryGroup(1, corner.x() + random.uniform(-0.3, 0.3) * reach,
                               corner.y() + random.uniform(-0.3, 0.3) * reach, random.uniform(-40, 40)))
                break;
    const QRectF inside(reach, reach, w - 2 * reach, h - 2 * reach);
    auto even = [](double, double) { return 1.0; };
    flock.scatterGroups(5, 10, 60, inside, even, 10, 40);
    finish(f, random, flock, 2.5);
    return f;
}

FlockPicture greyscale()
{
    Random random(20261214);
    const int w = 800, h = 600;
    // An overcast sky: light grey with soft clouds.
    FlockPicture f = newPicture(random, QStringLiteral("gris"), 80, w, h,
                                  {QColor(178, 178, 178), QColor(212, 212, 212), 16});
    FlockBuilder flock(random, jackdaw(), 18, 44);
    // A loose band across the photo, rising to the right.
    auto density = [](double x, double y) {
        const double centre = 380 - 0.25 * (x - 400);
        const double d = std::abs(y - centre) / 190.0;
        return d >= 1 ? 0.0 : 1 - 0.6 * d;
    };
    const QRectF region(20, 20, w - 40, h - 40);
    flock.scatterGroups(6, 14, 105, region, density, -15, 30);
    finish(f, random, flock, 2.0);
    f.image = f.image.convertToFormat(QImage::Format_Grayscale8);
    return f;
}

// Gulls of two tones (white bodies, dark wings) under a sky with a gradient
// and soft clouds, slightly blurred by their motion, strong sensor noise and
// a JPEG of quality 65: a photo as a camera gives it. The bird samples are two
// bodies and one wing.
FlockPicture gulls()
{
    Random random(20261216);
    const int w = 800, h = 600;
    FlockPicture f = newPicture(random, QStringLiteral("goelands"), 65, w, h,
                                  {QColor(112, 150, 204), QColor(196, 208, 224), 26});
    FlockBuilder flock(random, pigeon(), 30, 222);
    flock.wingShade = 70;
    flock.scatterGroups(3, 10, 70, QRectF(20, 20, w - 40, h - 40), ellipseDensity(400, 300, 380, 280, 0.5), 10, 40);
    finish(f, random, flock, 3.5, true);
    // The third bird sample on the first one's wing, halfway along it.
    const Bird& first = flock.birds[flock.lone.front()];
    const double t = first.angle * M_PI / 180.0, along = -0.04 * first.length,
                 across = 0.4 * pigeon().halfSpan * first.length;
    f.birdSamples[2] = {first.x + along * std::cos(t) - across * std::sin(t),
                        first.y + along * std::sin(t) + across * std::cos(t)};
    return f;
}

// White gulls over a dark, rippled sea, blurred a little, noisy, JPEG of
// quality 60.
FlockPicture seaGulls()
{
    Random random(20261217);
    const int w = 800, h = 600;
    FlockPicture f = newPicture(random, QStringLiteral("mouettes sur mer"), 60, w, h,
                                  {QColor(38, 58, 72), QColor(62, 84, 96), 12});
    FlockBuilder flock(random, pigeon(), 20, 214);
    flock.scatterGroups(4, 15, 120, QRectF(14, 14, w - 28, h - 28), ellipseDensity(400, 300, 390, 290, 0.6), -30, 60);
    finish(f, random, flock, 4.0, true);
    return f;
}

// A murmuration over a photo of any size, with birds of a camera photo's size
// (about 32 pixels long), for trying the window on a large photo.
FlockPicture largeFlock(int w, int h)
{
    Random random(20261215);
    FlockPicture f = newPicture(random, QStringLiteral("grand vol"), 85, w, h,
                                  {QColor(140, 172, 214), QColor(218, 204, 196), 10});
    FlockBuilder flock(random, starling(), 32, 28);
    auto density = [w, h](double x, double y) {
        const double r = std::hypot((x - w / 2.0) / (0.47 * w), (y - h / 2.0) / (0.45 * h));
        return r >= 1 ? 0.0 : 0.4 + 0.6 * (1 - r * r);
    };
    const QRectF region(40, 40, w - 80, h - 80);
    flock.scatterGroups(w * h / 240000, w * h / 96000, w * h / 24000, region, density, -15, 40);
    finish(f, random, flock, 2.0);
    return f;
}

bool writeFlock(const QDir& folder, const FlockPicture& f)
{
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpg");
        writer.setQuality(f.quality);
        if (!writer.write(f.image)) {
            std::fprintf(stderr, "cannot encode %s\n", qPrintable(f.name));
            return false;
        }
    }
    QByteArray truth = QByteArray::number(qlonglong(f.truth.size())) + "\n";
    for (const QPointF& b : f.truth)
        truth += QByteArray::number(std::clamp(qRound(b.x()), 0, f.image.width() - 1)) + " "
            + QByteArray::number(std::clamp(qRound(b.y()), 0, f.image.height() - 1)) + "\n";

    // The samples, dropped on the strip from the photo as the program decodes
    // it: each bird sample on the darkest pixel next to the body's centre.
    Document doc;
    doc.displayedPhoto = decodeJpeg(jpeg, windowPhotoLimits);
    doc.stripPicture = blankStripPicture();
    auto grey = [&](int x, int y) {
        const QRgb c = doc.displayedPhoto.pixel(x, y);
        return qRed(c) + qGreen(c) + qBlue(c);
    };
    for (std::size_t n = 0; n < 6; ++n) {
        const QPointF at = n < 3 ? f.birdSamples.at(n) : f.skySamples.at(n - 3);
        TPoint point{int(std::lround(at.x())), int(std::lround(at.y()))};
        if (n < 3) {
            const TPoint centre = point;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (grey(centre.X + dx, centre.Y + dy) < grey(point.X, point.Y))
                        point = {centre.X + dx, centre.Y + dy};
        }
        doc.pressPoint = point;
        dropSampleOnStrip(doc, cellLeft(int(n)) + 10, 10);
    }
    const QString base = f.name;
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(folder.path()));
        return false;
    }
    const bool ok = saveFile(folder.filePath(base + ".jpg"), jpeg) && saveFile(folder.filePath(base + ".txt"), truth)
        && saveFile(folder.filePath("ornival.ini"), sampleSetFileText(doc))
        && saveFile(folder.filePath("blocs_couleurs.bmp"), encodeBmp(doc.stripPicture));
    std::printf("%s: %zu birds\n", qPrintable(base), f.truth.size());
    return ok;
}

} // namespace

bool saveFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QStringList flockNames()
{
    return {QStringLiteral("etourneaux"), QStringLiteral("oies en V"), QStringLiteral("bords"), QStringLiteral("gris"),
            QStringLiteral("goelands"),   QStringLiteral("mouettes sur mer")};
}

bool makeLargeFlock(const QDir& folder, int width, int height)
{
    return writeFlock(folder, largeFlock(width, height));
}

bool makeFlocks(const QDir& out)
{
    const QDir flocks(out.filePath(QStringLiteral("flocks")));
    for (const auto& make : {starlings, geese, edges, greyscale, gulls, seaGulls}) {
        const FlockPicture f = make();
        if (!writeFlock(QDir(flocks.filePath(f.name)), f))
            return false;
    }
    return true;
}
