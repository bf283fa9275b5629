#include "island/IslandGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>
#include <numbers>

namespace kp {
namespace island {

using State = IslandStateMachine::State;

QSizeF sizeFor(State state, QSizeF notch) {
    switch (state) {
        case State::hidden:
            return notch;
        case State::petit:
            return {notch.width() + kPetitWings, notch.height()};
        case State::coucou:
            return {std::max(360.0, notch.width() + 176), notch.height() + 30};
        case State::home:
            return {kOpenWidth, kOpenHeight};
        case State::onboarding:
            return {kOpenWidth, kOnboardingHeight};
    }
    return notch;
}

double cornerRadiusFor(State state) {
    switch (state) {
        case State::hidden:
            return 8;
        case State::petit:
            return 10;
        case State::coucou:
            return 18;
        case State::home:
        case State::onboarding:
            return 24;
    }
    return 10;
}

QRectF frameAtTopCentre(QSizeF size, double screenWidth, double top) {
    return {(screenWidth - size.width()) / 2, top, size.width(), size.height()};
}

QRectF hoverZone(State state, const QRectF& islandFrame, QSizeF notch, double screenWidth, double top) {
    if (state == State::hidden) {
        const QRectF n = frameAtTopCentre(notch, screenWidth, top);
        return n.adjusted(-16, 0, 16, 8);
    }
    return islandFrame.adjusted(-8, 0, 8, 8);
}

QPainterPath islandShape(QSizeF size, double bottomRadius) {
    const double w = size.width(), h = size.height();
    const double r = std::clamp(bottomRadius, 0.0, std::min(w, h) / 2);
    QPainterPath p;
    p.moveTo(0, 0);
    p.lineTo(w, 0);
    p.lineTo(w, h - r);
    p.quadTo(w, h, w - r, h);
    p.lineTo(r, h);
    p.quadTo(0, h, 0, h - r);
    p.closeSubpath();
    return p;
}

namespace {

// The changed pixels inside `area` (within both frames).
void changedIn(const QImage& before, const QImage& now, const QRect& area, int band, int tile, std::vector<QRect>& changed) {
    const int x0 = area.left(), w = area.width();
    const int columns = (w + tile - 1) / tile;
    std::vector<char> dirty(static_cast<std::size_t>(columns));
    for (int top = area.top(); top <= area.bottom(); top += band) {
        const int rows = std::min(band, area.bottom() + 1 - top);
        std::fill(dirty.begin(), dirty.end(), 0);
        bool any = false;
        for (int y = top; y < top + rows; ++y) {
            const auto* a = reinterpret_cast<const quint32*>(before.constScanLine(y)) + x0;
            const auto* b = reinterpret_cast<const quint32*>(now.constScanLine(y)) + x0;
            if (std::memcmp(a, b, static_cast<std::size_t>(w) * 4) == 0) continue;
            for (int c = 0; c < columns; ++c) {
                if (dirty[c]) continue;
                const int x = c * tile;
                const int n = std::min(tile, w - x);
                if (std::memcmp(a + x, b + x, static_cast<std::size_t>(n) * 4) != 0) dirty[c] = any = true;
            }
        }
        if (!any) continue;
        for (int c = 0; c < columns;) {
            if (!dirty[c]) {
                ++c;
                continue;
            }
            int end = c;
            while (end < columns && dirty[end]) ++end;
            // The run's exact changed pixels, so a small change sends no more than itself.
            const int from = x0 + c * tile, to = x0 + std::min(end * tile, w);
            int left = to, right = from - 1, first = -1, last = -1;
            for (int y = top; y < top + rows; ++y) {
                const auto* a = reinterpret_cast<const quint32*>(before.constScanLine(y));
                const auto* b = reinterpret_cast<const quint32*>(now.constScanLine(y));
                if (std::memcmp(a + from, b + from, static_cast<std::size_t>(to - from) * 4) == 0) continue;
                if (first < 0) first = y;
                last = y;
                int l = from;
                while (l < left && a[l] == b[l]) ++l;
                int r = to - 1;
                while (r > right && a[r] == b[r]) --r;
                left = std::min(left, l);
                right = std::max(right, r);
            }
            changed.emplace_back(left, first, right - left + 1, last - first + 1);
            c = end;
        }
    }
}

}  // namespace

std::vector<QRect> changedPixels(const QImage& before, const QImage& now, int band, int tile) {
    return changedPixels(before, now, QRegion(now.rect()), band, tile);
}

std::vector<QRect> changedPixels(const QImage& before, const QImage& now, const QRegion& within, int band, int tile) {
    if (before.size() != now.size() || before.format() != now.format() || now.depth() != 32) return {now.rect()};
    // Gathered as a list: a region joined rectangle by rectangle costs more than the comparing.
    std::vector<QRect> changed;
    for (const QRect& area : within & now.rect()) changedIn(before, now, area, std::max(band, 1), std::max(tile, 1), changed);
    return changed;
}

std::vector<QRect> boxesToSend(const std::vector<QRect>& changed, int slack) {
    struct Box {
        QRect r;
        qint64 inside;  // changed pixels within (the rectangles never overlap)
    };
    const auto area = [](const QRect& r) { return qint64(r.width()) * r.height(); };
    // A joint box sends at most `slack` pixels that did not change, all its joins counted; boxes
    // that came to overlap are joined whatever that costs, so no pixel is sent twice.
    const auto joins = [&](const Box& a, const Box& b) {
        return a.r.intersects(b.r) || area(a.r | b.r) - a.inside - b.inside <= slack;
    };
    const auto join = [](Box& a, const Box& b) {
        a.r |= b.r;
        a.inside += b.inside;
    };
    // Each rectangle joins the first box it may; then boxes are joined until no two may be (a
    // joint box may reach another, or now be worth joining to it). Few boxes are left by then.
    std::vector<Box> boxes;
    for (const QRect& r : changed) {
        const Box one{r, area(r)};
        const auto box = std::find_if(boxes.begin(), boxes.end(), [&](const Box& b) { return joins(b, one); });
        if (box == boxes.end())
            boxes.push_back(one);
        else
            join(*box, one);
    }
    for (bool joined = true; joined;) {
        joined = false;
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = i + 1; j < boxes.size();) {
                if (joins(boxes[i], boxes[j])) {
                    join(boxes[i], boxes[j]);
                    boxes[j] = boxes.back();
                    boxes.pop_back();
                    joined = true;
                } else {
                    ++j;
                }
            }
    }
    std::vector<QRect> sent;
    sent.reserve(boxes.size());
    for (const Box& b : boxes) sent.push_back(b.r);
    return sent;
}

}  // namespace island

namespace {
constexpr double kResponse = 0.4;
constexpr double kDamping = 0.8;
constexpr double kStiffness = (2 * std::numbers::pi / kResponse) * (2 * std::numbers::pi / kResponse);
constexpr double kFriction = 4 * std::numbers::pi * kDamping / kResponse;
}  // namespace

void IslandSpring::Axis::step(double dt) {
    const double a = -kStiffness * (x - target) - kFriction * v;
    v += a * dt;
    x += v * dt;
}

bool IslandSpring::Axis::resting() const { return std::abs(x - target) < 0.25 && std::abs(v) < 2; }

void IslandSpring::jumpTo(QSizeF size, double radius) {
    w_ = {size.width(), 0, size.width()};
    h_ = {size.height(), 0, size.height()};
    r_ = {radius, 0, radius};
    settled_ = true;
}

void IslandSpring::setTarget(QSizeF size, double radius) {
    w_.target = size.width();
    h_.target = size.height();
    r_.target = radius;
    settled_ = w_.resting() && h_.resting() && r_.resting();
}

bool IslandSpring::step() {
    if (settled_) return false;
    for (Axis* a : {&w_, &h_, &r_}) a->step(kStep);
    if (w_.resting() && h_.resting() && r_.resting()) {
        for (Axis* a : {&w_, &h_, &r_}) {
            a->x = a->target;
            a->v = 0;
        }
        settled_ = true;
    }
    return !settled_;
}

}  // namespace kp
