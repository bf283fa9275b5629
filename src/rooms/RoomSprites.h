#pragma once
// Where a room's moving pieces lie in a frame. The room draws what moves on a painter of this
// gatherer first: nothing is rasterised, every shape only adds its bounds, and shapes that touch
// are joined into one piece. The room then repaints those rectangles alone (and last frame's, so
// a piece that moved leaves nothing behind) over the pieces that stand still.
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <QRegion>

#include <memory>
#include <vector>

namespace kp {

class RoomSprites {
public:
    RoomSprites();
    ~RoomSprites();
    RoomSprites(const RoomSprites&) = delete;
    RoomSprites& operator=(const RoomSprites&) = delete;

    // A painter whose drawings only gather bounds, at the device scale `dpr` (so that pieces that
    // keep images at the device's scale keep them), in room points.
    QPainter& begin(double dpr);
    // Ends the gathering: the pieces' rectangles in device pixels, grown to whole pixels and by
    // one pixel for the antialiased edges.
    const std::vector<QRect>& end();
    const std::vector<QRect>& pieces() const { return pieces_; }

    // The region to repaint this frame: this frame's pieces and the last frame's.
    static QRegion damage(const std::vector<QRect>& now, const std::vector<QRect>& before);

    // Adds a drawn shape's bounds (device pixels). Shapes within a pixel of a piece join it.
    void add(const QRectF& deviceBounds);

private:
    class Device;
    std::unique_ptr<Device> device_;
    QPainter painter_;
    std::vector<QRectF> shapes_;
    std::vector<QRect> pieces_;
};

}  // namespace kp
