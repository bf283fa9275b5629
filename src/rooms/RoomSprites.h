#pragma once
// Where a room's moving pieces lie in a frame, and which of them changed. The room first draws
// what moves on a gathering painter: nothing is rasterised, every shape adds its bounds and a
// digest of how it is drawn (a kept picture by its key, without being looked up). Shapes drawn the
// same way in the same place as in the last frame need nothing; the others are damage, where they
// are and where they were, joined into a few rectangles. The room then draws the same passes on a
// filtering painter that hands on to the real one only the shapes that meet the damage, each within
// one rectangle of it at a time, so pieces that did not change cost no pixels.
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QSize>

#include <cstdint>
#include <memory>
#include <vector>

namespace kp {

class RoomSprites {
public:
    struct Piece {
        QRect rect;  // device pixels, grown to whole pixels and by one for antialiased edges
        std::uint64_t digest = 0;
        bool operator==(const Piece&) const = default;
    };

    RoomSprites();
    ~RoomSprites();
    RoomSprites(const RoomSprites&) = delete;
    RoomSprites& operator=(const RoomSprites&) = delete;

    // A painter that only gathers, in room points at the device scale `scale`, for a device of
    // `pixels` (so that pieces that keep images at the device's scale, or size layers by the
    // device, keep and size them as on the real one).
    QPainter& gather(double scale, QSize pixels);
    // Ends the gathering: this frame's pieces.
    const std::vector<Piece>& endGather();
    const std::vector<Piece>& pieces() const { return pieces_; }

    // Where `now` differs from `before`: the pieces that are new, changed or moved, and where the
    // pieces that are gone or moved were, in a few rectangles that do not overlap.
    static QRegion damage(const std::vector<Piece>& now, const std::vector<Piece>& before);

    // A painter (room points at `scale`) whose shapes that meet `damage` are drawn on `target`,
    // which draws in device pixels and is clipped to `damage` by the caller; the others are dropped.
    QPainter& filter(QPainter& target, const QRegion& damage, double scale, QSize pixels);
    void endFilter();

    // A drawn shape's bounds (device pixels) and digest, while gathering.
    void add(const QRectF& deviceBounds, std::uint64_t digest);

private:
    class Engine;
    class Device;
    std::unique_ptr<Device> device_;
    QPainter painter_;
    struct Shape {
        QRectF rect;
        std::uint64_t digest;
    };
    std::vector<Shape> shapes_;
    std::vector<Piece> pieces_;
};

}  // namespace kp
