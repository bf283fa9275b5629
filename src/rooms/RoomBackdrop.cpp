#include "rooms/RoomBackdrop.h"

#include "life/PetLife.h"
#include "platform/Color.h"
#include "rooms/RoomKinds.h"
#include "scenery/GardenBackdrop.h"
#include "scenery/GardenWeather.h"
#include "scenery/HolidayDecor.h"
#include "scenery/HolidayProp.h"

#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kp {

bool showsNightSleep(const PetLife& life, IslandRoomKind shown) {
    return life.isNightSleeping() && shown == IslandRoomKind::bedroom;
}

std::optional<int> ThunderWatch::update(double flash, double t) {
    const bool flag = flash > 0.5;
    if (flag == flag_) return std::nullopt;
    flag_ = flag;
    if (!flag) return std::nullopt;
    return static_cast<int>(std::floor(t / 9));
}

double NightTintFade::update(bool shown, double t) {
    auto eased = [](double u) {
        u = std::clamp(u, 0.0, 1.0);
        return u * u * (3 - 2 * u);
    };
    if (!started_) {
        // The first frame shows the tint as it is, without easing in.
        started_ = true;
        target_ = shown;
        from_ = shown ? 1 : 0;
        startedAt_ = t - seconds;
    }
    const double current = from_ + ((target_ ? 1.0 : 0.0) - from_) * eased((t - startedAt_) / seconds);
    if (shown != target_) {
        from_ = current;
        target_ = shown;
        startedAt_ = t;
        return current;
    }
    return current;
}

namespace {

constexpr double kTintCornerRadius = 3;
constexpr double kTintWindowBlur = 3;
constexpr double kMoonBlur = 4;
constexpr double kMoonHeight = 12;

// Signed distance to a rounded rectangle of half size (hx, hy) centred on the origin.
double roundedRectDistance(double x, double y, double hx, double hy, double r) {
    const double qx = std::abs(x) - (hx - r);
    const double qy = std::abs(y) - (hy - r);
    const double ox = std::max(qx, 0.0);
    const double oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

// Approximate signed distance to an ellipse of radii (a, b) centred on the origin.
double ellipseDistance(double x, double y, double a, double b) {
    const double k0 = std::hypot(x / a, y / b);
    const double k1 = std::hypot(x / (a * a), y / (b * b));
    if (k1 <= 0) return -std::min(a, b);
    return k0 * (k0 - 1) / k1;
}

// Coverage of a shape softened by a Gaussian blur of `sigma`, `d` points from its edge.
double blurredCoverage(double d, double sigma) { return 0.5 * std::erfc(d / (sigma * std::sqrt(2.0))); }

}  // namespace

RoomBackdrop::RoomBackdrop() : mobiles_(std::make_unique<HolidayMobiles>()) {
    for (int i = 0; i < roomKindCount; ++i) {
        const RoomPalette& pal = roomPalette(static_cast<IslandRoomKind>(i));
        QLinearGradient g(0, 0, 0, 1);
        g.setCoordinateMode(QGradient::ObjectBoundingMode);
        g.setColorAt(0, colorFromHex(pal.wallTop));
        g.setColorAt(1, colorFromHex(pal.wallBottom));
        walls_[static_cast<std::size_t>(i)] = QBrush(g);
        floors_[static_cast<std::size_t>(i)] = colorFromHex(pal.floor);
    }
    mobiles_->top = 34;
    mobiles_->xs = {0.14, 0.24, 0.67, 0.73, 0.92};
    mobiles_->lengths = {9, 15, 7, 13, 10};
    mobiles_->unit = 0.85;
}

RoomBackdrop::~RoomBackdrop() = default;

QColor RoomBackdrop::nightColor() { return colorFromHex("#05081A"); }

QColor RoomBackdrop::wallTop(IslandRoomKind kind) const { return colorFromHex(roomPalette(kind).wallTop); }
QColor RoomBackdrop::wallBottom(IslandRoomKind kind) const { return colorFromHex(roomPalette(kind).wallBottom); }
QColor RoomBackdrop::floorColor(IslandRoomKind kind) const {
    return floors_[static_cast<std::size_t>(roomIndex(kind))];
}

void RoomBackdrop::paintWalls(QPainter& p, const RoomFrame& f) const {
    const auto i = static_cast<std::size_t>(roomIndex(f.kind));
    p.fillRect(QRectF(0, 0, f.width, f.height), walls_[i]);
    p.fillRect(QRectF(0, f.floorLine, f.width, room::floorBand), floors_[i]);
    // A dark line along the floor's top edge.
    p.fillRect(QRectF(0, f.floorLine, f.width, 2), QColor(0, 0, 0, 46));
}

void RoomBackdrop::paintGarden(QPainter& p, const RoomFrame& f) const {
    GardenBackdrop{f.look, f.t, f.floorLine, room::pieceScale}.paint(p, QRectF(0, 0, f.width, f.height));
}

void RoomBackdrop::paintGardenWeather(QPainter& p, const RoomFrame& f, bool tinted) const {
    if (f.opening <= 0) return;
    const double was = p.opacity();
    p.setOpacity(was * f.opening);
    GardenWeather{f.look, f.t, f.flash, f.floorLine, room::pieceScale, tinted}.paint(p, QRectF(0, 0, f.width, f.height));
    p.setOpacity(was);
}

QColor RoomBackdrop::gardenTint(const RoomFrame& f) {
    return GardenWeather{f.look, f.t, f.flash, f.floorLine, room::pieceScale}.tint();
}

void RoomBackdrop::paintHoliday(QPainter& p, const RoomFrame& f, bool inFront) {
    if (!f.holiday || f.opening <= 0) return;
    const bool propInFront = holidayPropInFront(f.kind);
    if (inFront && !propInFront) return;
    const double was = p.opacity();
    p.setOpacity(was * f.opening);
    if (!inFront) paintHolidayDecor(p, f, *f.holiday);
    if (inFront != propInFront) {
        p.setOpacity(was);
        return;
    }
    p.save();
    // The prop grows in with the island about the room's bottom edge, as the furniture does, so
    // the two keep their places beside each other while the island opens.
    const double s = room::openingScale(f.opening);
    p.translate(f.width / 2, f.height);
    p.scale(s, s);
    p.translate(-f.width / 2, -f.height);
    paintHolidayProp(p, f, *f.holiday);
    p.restore();
    p.setOpacity(was);
}

void RoomBackdrop::paintHolidayDecor(QPainter& p, const RoomFrame& f, Holiday holiday) {
    switch (f.kind) {
    case IslandRoomKind::bedroom: {
        const HolidayGarland garland{holiday, 34, 6, 1, f.t, f.showsNightSleep, false};
        garland.paint(p, QRectF(0, 0, f.width, f.height));
        break;
    }
    case IslandRoomKind::living: {
        const HolidayWreath wreath{holiday, 0.9, f.t, false};
        wreath.paint(p, QRectF(f.x(0.66) - 22, 54 - 22, 44, 44));
        break;
    }
    case IslandRoomKind::kitchen:
        mobiles_->holiday = holiday;
        mobiles_->time = f.t;
        mobiles_->dim = false;
        mobiles_->paint(p, QRectF(0, 0, f.width, f.height));
        break;
    case IslandRoomKind::care:
        break;
    case IslandRoomKind::garden: {
        // A shorter garland along the fence, shifted to the right of the centred frame.
        const HolidayGarland garland{holiday, f.floorLine - 46.8, 3.9, 1.105, f.t, false, false};
        garland.paint(p, QRectF(0.1 * f.width + 0.2 * f.width, 0, 0.8 * f.width, f.height));
        break;
    }
    }
}

void RoomBackdrop::paintHolidayProp(QPainter& p, const RoomFrame& f, Holiday holiday) const {
    const HolidayProp prop{holiday, f.t, f.showsNightSleep};
    p.save();
    p.setTransform(room::standAt(f.x(holidayPropShare(f.kind)), f.floorLine, HolidayProp::kSize), true);
    prop.paint(p);
    p.restore();
}

void RoomBackdrop::paintStormFlash(QPainter& p, const RoomFrame& f) const {
    if (f.flash <= 0) return;
    p.fillRect(QRectF(0, 0, f.width, f.height), QColor::fromRgbF(1, 1, 1, float(std::min(1.0, 0.16 * f.flash))));
}

const QImage& RoomBackdrop::nightTintImage(const RoomFrame& f, double dpr) {
    const QSizeF size(f.width, f.height);
    if (!tint_.isNull() && tintSize_ == size && tintFloor_ == f.floorLine && tintDpr_ == dpr) return tint_;
    tintSize_ = size;
    tintFloor_ = f.floorLine;
    tintDpr_ = dpr;
    const int pw = std::max(1, static_cast<int>(std::ceil(f.width * dpr)));
    const int ph = std::max(1, static_cast<int>(std::ceil(f.height * dpr)));
    tint_ = QImage(pw, ph, QImage::Format_ARGB32_Premultiplied);
    tint_.setDevicePixelRatio(dpr);

    const QColor night = nightColor();
    const QColor moon = colorFromHex("#9FB6F0");
    const double windowX = room::bedroomWindowShare * f.width;
    const double hx = room::bedroomWindowWidth / 2;
    const double hy = room::bedroomWindowHeight / 2;
    const double moonX = windowX - 10;
    const double moonY = f.floorLine + 4;
    const double moonA = 1.4 * room::bedroomWindowWidth / 2;
    const double moonB = kMoonHeight / 2;
    for (int py = 0; py < ph; ++py) {
        auto* line = reinterpret_cast<QRgb*>(tint_.scanLine(py));
        const double y = (py + 0.5) / dpr;
        for (int px = 0; px < pw; ++px) {
            const double x = (px + 0.5) / dpr;
            // The dark over the room, with the window cut out of it softly.
            const double cut = blurredCoverage(
                roundedRectDistance(x - windowX, y - room::bedroomWindowY, hx, hy, kTintCornerRadius), kTintWindowBlur);
            const double a = 0.8 * (1 - cut);
            double r = night.redF() * a, g = night.greenF() * a, b = night.blueF() * a, alpha = a;
            // Moonlight on the floor below the window.
            const double ma = 0.16 * blurredCoverage(ellipseDistance(x - moonX, y - moonY, moonA, moonB), kMoonBlur);
            if (ma > 0.0005) {
                r = moon.redF() * ma + r * (1 - ma);
                g = moon.greenF() * ma + g * (1 - ma);
                b = moon.blueF() * ma + b * (1 - ma);
                alpha = ma + alpha * (1 - ma);
            }
            line[px] = qRgba(qRound(r * 255), qRound(g * 255), qRound(b * 255), qRound(alpha * 255));
        }
    }
    return tint_;
}

void RoomBackdrop::paintNightTint(QPainter& p, const RoomFrame& f, double opacity) {
    if (opacity <= 0.001) return;
    const QTransform& dt = p.deviceTransform();
    const double scale = std::hypot(dt.m11(), dt.m12());
    const double dpr = std::clamp(std::round(scale * 4) / 4, 1.0, 4.0);
    const QImage& img = nightTintImage(f, dpr);
    const double was = p.opacity();
    p.setOpacity(was * std::min(1.0, opacity));
    p.drawImage(QPointF(0, 0), img);
    p.setOpacity(was);
}

}  // namespace kp
