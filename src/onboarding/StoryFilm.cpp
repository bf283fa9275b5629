#include "onboarding/StoryFilm.h"

#include "onboarding/OnboardKit.h"
#include "scenery/PoolPaint.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <malloc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace kp::story {

using onboard::hex;

double smooth(double u) {
    u = std::clamp(u, 0.0, 1.0);
    return u * u * (3 - 2 * u);
}

double smoothOver(double t, double a, double b) { return smooth((t - a) / (b - a)); }

double storyWalkSpeed(double t) {
    if (t < 0) return 150;
    return 150 * ((1 - smoothOver(t, 4.0, 4.8)) + 1.2 * smoothOver(t, 9.0, 9.6) * (1 - smoothOver(t, 13.0, 13.8)));
}

const std::vector<double>& storyWalkTable() {
    // A function-local static: built once, safe against concurrent first use.
    static const std::vector<double> table = [] {
        std::vector<double> out;
        out.reserve(kWalkTableSize);
        out.push_back(0);
        for (int k = 0; k + 1 < kWalkTableSize; ++k) out.push_back(out.back() + storyWalkSpeed(k / 120.0) / 120.0);
        return out;
    }();
    return table;
}

double storyWalked(double t) {
    if (t <= 0) return 150 * t;
    const auto& table = storyWalkTable();
    const double f = t * 120;
    const auto last = static_cast<long long>(table.size()) - 2;
    const long long i = std::min(static_cast<long long>(f), last);
    const auto a = table[std::size_t(i)];
    const auto b = table[std::size_t(i + 1)];
    return a + (b - a) * std::min(f - double(i), 1.0);
}

double storyPauseX() {
    static const double x = storyWalked(5.0);
    return x;
}

double storyArrivalX() {
    static const double x = storyWalked(14.0);
    return x;
}

double storyDoorX() { return storyArrivalX() + 64; }

double personX(double t) { return storyWalked(t) + 64 * smoothOver(t, 15.0, 16.3); }

double legSwing(double t) {
    const double bump = smoothOver(t, 14.9, 15.2) * (1 - smoothOver(t, 16.1, 16.4));
    return std::max(std::min(storyWalkSpeed(t) / 150, 1.0), bump);
}

double hash01(long long n, unsigned long long salt) {
    unsigned long long x = static_cast<unsigned long long>(n) * 73856093ULL;
    x ^= x >> 33;
    x ^= salt * 19349663ULL;
    x *= 0xFF51AFD7ED558CCDULL;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ULL;
    x ^= x >> 33;
    return double(x % 10000ULL) / 10000.0;
}

int captionTyped(const Caption& c, double t, int length) {
    if (!(c.from < t && t < c.to)) return 0;
    return std::min(static_cast<int>((t - c.from) * 30), length);
}

double captionOpacity(const Caption& c, double t) {
    if (!(c.from < t && t < c.to)) return 0;
    return std::min((c.to - t) / 0.4, 1.0);
}

double endCardOpacity(double t) { return smoothOver(t, 22.4, 23.2) * (1 - smoothOver(t, 24.4, 25.0)); }

double StoryFilm::pictureBottom() const { return layout.letterbox ? 0.8 * height() : height(); }
double StoryFilm::pictureTop() const { return layout.letterbox ? 0.19 * height() : 0; }
double StoryFilm::groundY() const { return pictureBottom() - layout.below; }

double StoryFilm::nightAmount() const { return smooth(t / 18); }
double StoryFilm::lampsOn() const { return smooth((t - 1.0) / 1.2); }
double StoryFilm::doorOpen() const { return smooth((t - 14.2) / 0.8); }
double StoryFilm::personFade() const { return 1 - smooth((t - 15.6) / 0.8); }

StoryCamera StoryFilm::camera() const {
    const double W = width();
    const double x0 = storyWalked(t - 0.35) - (layout.personAt - 0.5) * W / layout.walkZoom;
    const double a = smoothOver(t, 16.0, 17.6);
    const double x1 = x0 + ((storyDoorX() - 70) - x0) * a;
    const double z1 = layout.walkZoom + (layout.wideZoom - layout.walkZoom) * a;
    const double b = smoothOver(t, 18.3, 19.8);
    return {x1 + ((storyDoorX() - 120) - x1) * b, z1 + (layout.closeZoom - z1) * b};
}

double StoryFilm::approachDistance(const StoryCamera& cam) const {
    const double target = storyPauseX() - 172;
    const double start = std::min(cam.cx - width() / (2 * cam.zoom) - 80, storyPauseX() - 430);
    return target - start;
}

KittenSpot StoryFilm::kittenPosition(const StoryCamera& cam) const {
    const double target = storyPauseX() - 172;
    const double start = std::min(cam.cx - width() / (2 * cam.zoom) - 80, storyPauseX() - 430);
    const double d = target - start;
    double from = 0, distance = 0, duration = 0;
    if (d > 494) {
        if (t < 5.4) return {target - 494, 0, false};
        from = target - 494;
        distance = 494;
        duration = 1.9;
    } else {
        duration = std::max(d / 260, 1.3);
        if (t < 5.4) return {start - 400, 0, false};
        from = start;
        distance = d;
    }
    const double approachEnd = 5.4 + duration;
    if (t < approachEnd) {
        const double u = (t - 5.4) / duration;
        return {from + distance * (0.5 * u + 0.5 * (1 - (1 - u) * (1 - u))), 0, true};
    }
    if (t < 19.4) {
        const double x = std::max(target, storyWalked(t - 0.5) - 172);
        const double before = std::max(target, storyWalked(t - 0.55) - 172);
        return {x, 0, x - before > 0.4};
    }
    const double entranceFrom = storyArrivalX() - 172;
    const double x = entranceFrom + (storyDoorX() - entranceFrom) * smoothOver(t, 19.4, 21.1);
    const double lift = -24 * smooth((x - (storyDoorX() - 132)) / 28);
    return {x, lift, t < 21.1};
}

double StoryFilm::kittenOpacity(const StoryCamera& cam) const {
    return approachDistance(cam) <= 494 ? 1.0 : smoothOver(t, 5.4, 5.8);
}

StoryKitten StoryFilm::kitten(const KittenSpot& spot) const {
    StoryKitten k;
    // The kitten's limbs and tail move on at 30 poses a second (its place moves every frame):
    // at 60 frames a second each drawing then serves two frames. The tail and the waving paw
    // take whole degrees, so a seated kitten's drawings repeat as its tail swings and are kept.
    const double pt = std::floor(t * kKittenPoses + 1e-6) / kKittenPoses;
    if (spot.walking) {
        k.pose = StoryPose::walk;
        k.swing = std::sin(14 * pt);
        k.look = {0.4, -0.1};
    } else {
        k.pose = StoryPose::sit;
        if (t < 9.2) {
            k.look = {-0.7, -0.4};
            if (t > 7.4 && t < 8.6) {
                k.pawAngle = std::round(10 * std::sin(12 * pt)) - 150;
                k.pawRaise = 1;
                k.look = {0.2, 0.4};
            }
        } else if (t <= 14.8) {
            k.look = {0.4, -0.1};
        } else if (t <= 17.2) {
            k.look = {0.5, -0.3};
        } else {
            k.look = {0.7, -0.8};
        }
    }
    k.tail = std::round(14 * std::sin(2.3 * pt));
    k.blink = std::fmod(pt, 3.3) < 0.12 ? 1 : 0;
    return k;
}

double StoryFilm::doorLight(double kittenX) const {
    return smoothOver(t, 14.2, 15.0) * smooth((kittenX - (storyDoorX() - 200)) / 104);
}

double deviceScale(const QPainter& p) {
    const QTransform m = p.deviceTransform();
    return std::max(1.0, std::hypot(m.m11(), m.m12()));
}

void drawAtDevicePixels(QPainter& p, QPointF at, const QImage& image) {
    const QTransform m = p.deviceTransform();
    const double scale = deviceScale(p);
    const QSizeF size = QSizeF(image.size()) / scale;
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (m.type() <= QTransform::TxScale) {
        const QPointF d = m.map(at);
        at = m.inverted().map(QPointF(std::round(d.x()), std::round(d.y())));
    }
    p.drawImage(QRectF(at, size), image);
    p.restore();
}

std::optional<QString> StoryFilm::bubbleWord() const {
    if ((t > 4.9 && t < 6.1) || (t > 17.5 && t < 18.6)) return t < 10 ? QStringLiteral("mew") : QStringLiteral("mew?");
    return std::nullopt;
}

void StoryKitten::paint(QPainter& p, const CatEnv& env, const std::function<void(QPainter&)>& head) const {
    const double sit = pose == StoryPose::sit ? 1 : 0;
    p.save();
    p.scale(0.84, 0.84);
    CatBody body;
    body.swing = swing;
    body.tail = tail;
    body.pawAngle = pawAngle;
    body.pawRaise = pawRaise;
    body.sit = sit;
    body.pawOnTop = true;
    body.paint(p, env);
    {
        p.save();
        p.translate(catHeadOffset(sit));
        p.scale(1.14, 1.14);
        if (head) head(p);
        else paintHead(p, env);
        p.restore();
    }
    CatFrontPaw paw;
    paw.pawAngle = pawAngle;
    paw.pawRaise = pawRaise;
    paw.sit = sit;
    paw.paint(p, env);
    p.restore();
}

void StoryKitten::paintHead(QPainter& p, const CatEnv& env) const {
    CatHead head;
    head.expression = CatExpression::content;
    head.look = look;
    head.blink = blink;
    head.size = 30;
    head.paint(p, env);
}

namespace {

// The kitten's head, kept apart: while it walks only its body changes, its gaze stays. Each head
// is made at the same fraction of a pixel as it lands in the kitten's drawing, so copying it in
// whole pixels gives the very pixels drawing it there would.
struct KittenHead {
    QPointF look;
    double blink = 0, scale = 0;
    QPointF phase;
    CatBreed breed = CatBreed::orange;
    CatOutfit outfit;
    QImage image;
    QPoint corner;  // the image's top-left, in device pixels from the head's whole-pixel origin
    unsigned long long used = 0;
};
std::vector<KittenHead> keptHeads;
double lastHeadScale = 0;
constexpr std::size_t kKeptHeads = 8;
// The head's extent in its own frame, ears and hats included.
constexpr QRectF kHeadBounds(-40, -48, 80, 84);

void drawKeptHead(QPainter& p, const StoryKitten& kitten, const CatEnv& env, unsigned long long frame) {
    const QTransform m = p.deviceTransform();
    const double scale = std::hypot(m.m11(), m.m12());
    const QPointF origin = m.map(QPointF(0, 0));
    const QPointF whole(std::floor(origin.x()), std::floor(origin.y()));
    const QPointF phase = origin - whole;
    if (m.type() > QTransform::TxScale) {
        kitten.paintHead(p, env);
        return;
    }
    auto it = std::find_if(keptHeads.begin(), keptHeads.end(), [&](const KittenHead& h) {
        return h.look == kitten.look && h.blink == kitten.blink && h.scale == scale && h.phase == phase &&
               h.breed == env.breed && h.outfit == env.outfit;
    });
    // While the camera zooms every frame has a size of its own: nothing to keep.
    const bool steady = scale == lastHeadScale;
    lastHeadScale = scale;
    if (it == keptHeads.end() && !steady) {
        kitten.paintHead(p, env);
        return;
    }
    if (it == keptHeads.end()) {
        if (keptHeads.size() < kKeptHeads) {
            it = keptHeads.emplace(keptHeads.end());
        } else {
            it = std::min_element(keptHeads.begin(), keptHeads.end(),
                                  [](const KittenHead& a, const KittenHead& b) { return a.used < b.used; });
        }
        KittenHead& h = *it;
        h.corner = QPoint(static_cast<int>(std::floor(kHeadBounds.left() * scale)) - 1,
                          static_cast<int>(std::floor(kHeadBounds.top() * scale)) - 1);
        const int w = static_cast<int>(std::ceil(kHeadBounds.width() * scale)) + 3;
        const int ht = static_cast<int>(std::ceil(kHeadBounds.height() * scale)) + 3;
        h.image = QImage(w, ht, QImage::Format_ARGB32_Premultiplied);
        h.image.fill(Qt::transparent);
        {
            QPainter q(&h.image);
            q.setRenderHints(p.renderHints());
            q.translate(phase - QPointF(h.corner));
            q.scale(scale, scale);
            kitten.paintHead(q, env);
        }
        h.look = kitten.look;
        h.blink = kitten.blink;
        h.scale = scale;
        h.phase = phase;
        h.breed = env.breed;
        h.outfit = env.outfit;
    }
    it->used = frame;
    p.save();
    p.resetTransform();
    p.drawImage((whole + QPointF(it->corner)).toPoint(), it->image);
    p.restore();
}

// The kitten's drawings already made, by pose and size (GUI thread only; a caller on another
// thread holds the GUI thread waiting). A seated kitten comes back to the same few while its tail
// swings, so those are kept; a walking one changes every frame and is drawn into a scratch copy.
struct KittenDrawing {
    StoryKitten pose;
    double px = 0;
    CatBreed breed = CatBreed::orange;
    CatOutfit outfit;
    QImage coat;  // in its own colours
    unsigned long long used = 0;
};
std::vector<KittenDrawing> keptKittens;
KittenDrawing scratchKitten;
QImage kittenShade;
unsigned long long kittenFrames = 0;
constexpr std::size_t kKeptKittens = 48;

const QImage& kittenCoat(const StoryKitten& kitten, const CatEnv& env, double px) {
    const auto same = [&](const KittenDrawing& d) {
        return d.px == px && d.pose == kitten && d.breed == env.breed && d.outfit == env.outfit && !d.coat.isNull();
    };
    ++kittenFrames;
    for (KittenDrawing& d : keptKittens) {
        if (!same(d)) continue;
        d.used = kittenFrames;
        return d.coat;
    }
    if (same(scratchKitten)) return scratchKitten.coat;
    KittenDrawing* into = &scratchKitten;
    if (kitten.pose == StoryPose::sit) {
        if (keptKittens.size() < kKeptKittens) {
            into = &keptKittens.emplace_back();
        } else {
            into = &*std::min_element(keptKittens.begin(), keptKittens.end(),
                                      [](const KittenDrawing& a, const KittenDrawing& b) { return a.used < b.used; });
        }
    }
    // Room round the 60 x 44 frame for tails and raised paws.
    const QSize need(static_cast<int>(std::ceil(80 * px)), static_cast<int>(std::ceil(64 * px)));
    if (into->coat.size() != need) into->coat = QImage(need, QImage::Format_ARGB32_Premultiplied);
    into->coat.fill(Qt::transparent);
    {
        QPainter c(&into->coat);
        c.setRenderHint(QPainter::Antialiasing);
        c.translate(need.width() / 2.0, need.height() / 2.0);
        c.scale(px, px);
        kitten.paint(c, env, [&](QPainter& q) { drawKeptHead(q, kitten, env, kittenFrames); });
    }
    into->pose = kitten;
    into->px = px;
    into->breed = env.breed;
    into->outfit = env.outfit;
    into->used = kittenFrames;
    return into->coat;
}

qint64 kittenShadeOf = 0;  // the coat the silhouette was made from

// The kitten as a night silhouette with its own colours showing in the door's light. `largest` is
// the film's largest kitten scale (the walk's); `zooming`, that the camera's zoom is changing.
void paintKittenLayers(QPainter& p, const StoryKitten& kitten, const CatEnv& env, double doorLight, double scale,
                       double largest, bool zooming) {
    const double device = deviceScale(p);
    const double px = scale * device;
    // While the camera zooms every frame has a size of its own: rather than drawn anew each frame,
    // the kitten is drawn at the walk's size or a half or quarter of it (the nearest at or above
    // this one), where its poses are kept, and scaled down by less than half.
    double drawnPx = px;
    if (zooming) {
        drawnPx = largest * device;
        while (drawnPx / 2 >= px) drawnPx /= 2;
        drawnPx = std::max(drawnPx, px);
    }
    const QImage& coat = kittenCoat(kitten, env, drawnPx);
    if (kittenShade.size() != coat.size()) kittenShade = QImage(coat.size(), QImage::Format_ARGB32_Premultiplied);
    // A pose serves two frames or more: its silhouette is made once.
    if (coat.cacheKey() != kittenShadeOf) {
        QPainter s(&kittenShade);
        s.setCompositionMode(QPainter::CompositionMode_Source);
        s.drawImage(0, 0, coat);
        // Multiply by the night colour, then keep only the cat's own coverage.
        s.setCompositionMode(QPainter::CompositionMode_Multiply);
        s.fillRect(kittenShade.rect(), hex("#221B2C"));
        s.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        s.drawImage(0, 0, coat);
        s.end();
        kittenShadeOf = coat.cacheKey();
    }
    if (drawnPx != px) {
        const double k = px / drawnPx;
        const QSizeF size = QSizeF(coat.width(), coat.height()) * (k / device);
        const QRectF target(-QPointF(size.width(), size.height()) / 2, size);
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, kittenShade);
        if (doorLight > 0.001) {
            p.setOpacity(p.opacity() * doorLight);
            p.drawImage(target, coat);
        }
        p.restore();
        return;
    }
    const QPointF corner = -QPointF(coat.width(), coat.height()) / (2 * device);
    drawAtDevicePixels(p, corner, kittenShade);
    if (doorLight > 0.001) {
        p.save();
        p.setOpacity(p.opacity() * doorLight);
        drawAtDevicePixels(p, corner, coat);
        p.restore();
    }
}

// From here on the street no longer changes: the camera has settled on the door, the night has
// fallen, every window and lamp is lit, the door stands open and the walker has gone in.
constexpr double kStreetStill = 19.8;

// The street as it stands from kStreetStill, drawn once for a size and scale.
QImage stillImage;
std::array<double, 9> stillFor{};

const QImage& stillStreet(const StoryFilm& film, const StoryCamera& cam, double scale) {
    QImage& image = stillImage;
    std::array<double, 9>& madeFor = stillFor;
    const StoryLayout& l = film.layout;
    const std::array<double, 9> key{film.width(), film.height(), double(l.letterbox), l.below, l.walkZoom,
                                    l.wideZoom, l.closeZoom, l.personAt, scale};
    if (!image.isNull() && madeFor == key) return image;
    image = QImage(static_cast<int>(std::ceil(film.width() * scale)), static_cast<int>(std::ceil(film.height() * scale)),
                   QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter q(&image);
    q.setRenderHint(QPainter::Antialiasing);
    q.setRenderHint(QPainter::SmoothPixmapTransform);
    q.scale(scale, scale);
    q.setClipRect(QRectF(0, 0, film.width(), film.height()));
    film.drawStreet(q, cam);
    madeFor = key;
    return image;
}

void paintBubble(QPainter& p, const QString& word, QPointF centre) {
    const QFont f = onboard::roundedFont(16, QFont::Black);
    const QFontMetricsF fm(f);
    const double w = fm.horizontalAdvance(word) + 22;
    const double h = fm.height() + 10;
    const QRectF r(centre.x() - w / 2, centre.y() - h / 2, w, h);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, h / 2, h / 2);
    p.setFont(f);
    p.setPen(hex("#2C2622"));
    p.drawText(r, Qt::AlignCenter, word);
}

}  // namespace

void StoryFilm::paint(QPainter& p, const CatEnv& env) const {
    const double W = width();
    const double H = height();
    p.save();
    p.setClipRect(QRectF(0, 0, W, H), Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (t >= kPaperFrom) {
        p.fillRect(QRectF(0, 0, W, H), hex("#FFF1DC"));
    } else {
        const StoryCamera cam = camera();
        if (t >= kStreetStill) {
            drawAtDevicePixels(p, QPointF(0, 0), stillStreet(*this, cam, deviceScale(p)));
        } else {
            drawStreet(p, cam);
        }
        // The kitten.
        const KittenSpot spot = kittenPosition(cam);
        const StoryKitten k = kitten(spot);
        const double opacity = kittenOpacity(cam);
        const auto sx = [&](double x) { return (x - cam.cx) * cam.zoom + W / 2; };
        const auto sy = [&](double y) { return y * cam.zoom + groundY(); };
        const QPointF kc(sx(spot.x), sy(spot.lift - 35));
        if (opacity > 0.001) {
            p.save();
            p.setOpacity(opacity);
            p.translate(kc);
            StoryFilm next = *this;
            next.t = t + 1.0 / 120;
            const bool zooming = next.camera().zoom != cam.zoom;
            paintKittenLayers(p, k, env, doorLight(spot.x), 3 * cam.zoom, 3 * std::max(layout.walkZoom, layout.closeZoom),
                              zooming);
            p.restore();
        }
        if (const auto word = bubbleWord()) {
            const QPointF at = t < 10 ? QPointF(52, groundY() - 140 * cam.zoom)
                                      : QPointF(kc.x() + 30 * cam.zoom, kc.y() - 90 * cam.zoom);
            paintBubble(p, *word, at);
        }
        drawOverlay(p);
        // Captions.
        const QFont f = onboard::serifItalic(layout.caption);
        const QFontMetricsF fm(f);
        const double cy = layout.letterbox ? 0.9 * H - 6 : H - 20;
        for (const Caption& c : kCaptions) {
            const double opacityNow = captionOpacity(c, t);
            if (opacityNow <= 0) continue;
            const QString text = QString::fromUtf8(c.text);
            const int n = captionTyped(c, t, int(text.size()));
            if (n <= 0) continue;
            // The whole line is laid out once, so it keeps its place while it types on.
            const double full = fm.horizontalAdvance(text);
            const double left = W / 2 - std::min(full, W - 60) / 2;
            p.setFont(f);
            p.setPen(QColor::fromRgbF(1, 1, 1, static_cast<float>(0.88 * opacityNow)));
            p.drawText(QPointF(left, cy + (fm.ascent() - fm.descent()) / 2), text.left(n));
        }
    }
    // The end card, on every frame.
    const double card = endCardOpacity(t);
    if (card > 0.001) {
        const QFont f = onboard::serifItalic(1.37 * layout.caption);
        p.setFont(f);
        p.setPen(hex("#2C2622", card));
        const double drop = 8 * (1 - smooth(t - 22.4));
        p.drawText(QRectF(30, drop, W - 60, H), Qt::AlignCenter | Qt::TextWordWrap, QString::fromUtf8(kEndCard));
    }
    p.restore();
}

void releaseKeptDrawings() {
    releaseStreetDrawings();
    keptKittens = {};
    keptHeads = {};
    scratchKitten = {};
    kittenShade = {};
    kittenShadeOf = 0;
    stillImage = {};
}

FilmFrames::~FilmFrames() {
    releaseKeptDrawings();
    image_ = QImage();
    // The drawings were made on a pool thread, in its own heap, which keeps freed memory unless asked.
    malloc_trim(0);
}

void FilmFrames::prepare(const CatEnv& env, double scale) {
    // A rehearsal, unseen: one frame of each moment that first needs something new (the first
    // caption's font, the kitten walking in, waving, the end card's font), drawn as the frames are.
    const StoryFilm sized;
    QImage scratch(static_cast<int>(std::ceil(sized.width() * scale)), static_cast<int>(std::ceil(sized.height() * scale)),
                   QImage::Format_RGB32);
    scratch.setDevicePixelRatio(scale);
    QPainter p(&scratch);
    for (const double t : {0.97, 5.43, 7.5, 23.0}) {
        StoryFilm film;
        film.t = t;
        paint(p, film, env);
    }
}

void FilmFrames::paint(QPainter& p, const StoryFilm& film, const CatEnv& env) {
    const double scale = deviceScale(p);
    const QSize size(static_cast<int>(std::ceil(film.width() * scale)), static_cast<int>(std::ceil(film.height() * scale)));
    if (image_.size() != size) image_ = QImage(size, QImage::Format_RGB32);
    const auto draw = [&] {
        QPainter q(&image_);
        q.scale(scale, scale);
        // On black, as the island under it, where the street's bands meet: their seams show as they
        // would. The sky covers all above them.
        const double seams = film.t >= kPaperFrom ? film.height() : film.groundY() - 26 * film.camera().zoom - 2;
        q.fillRect(QRectF(0, std::max(0.0, seams), film.width(), film.height()), Qt::black);
        film.paint(q, env);
    };
    // The caller waits, so the film's kept images are never used by two threads at once.
    scenery::paintInPool(draw);
    drawAtDevicePixels(p, QPointF(0, 0), image_);
}

}  // namespace kp::story
