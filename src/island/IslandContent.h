#pragma once
// Painter-drawn content the open island hosts (the room, the first-run pages). The panel paints it
// each frame into a rectangle of its window and forwards the pointer and keys; every position given
// to the content is in the coordinates of the rectangle it was last painted into.
#include <QObject>
#include <QRegion>

#include <optional>
#include <QPointF>
#include <QRectF>
#include <QString>

class QKeyEvent;
class QPainter;

namespace kp {

class IslandContent : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~IslandContent() override = default;

    // The island started / stopped showing this content.
    virtual void didAppear() {}
    virtual void didDisappear() {}
    // `islandHeight`: the island's current (animated) height, as it opens.
    virtual void paint(QPainter& p, const QRectF& rect, double islandHeight) = 0;
    // Where the last paint may have drawn other pixels than the one before it, in the device's
    // pixels from the top-left of the rect it was given; nothing when anything may have changed.
    virtual std::optional<QRegion> reach() const { return std::nullopt; }
    // Paints over the last frame this content painted on the same device, at the same place and
    // scale: at least where this frame may differ from it, and over `redo` (device pixels from
    // the rect's top-left). Returns where it painted, in the same pixels; nothing: everywhere.
    virtual std::optional<QRegion> paintChanges(QPainter& p, const QRectF& rect, double islandHeight,
                                                const QRegion& redo) {
        (void)redo;
        paint(p, rect, islandHeight);
        return std::nullopt;
    }
    // True when the content took the press.
    virtual bool mousePress(QPointF) { return false; }
    virtual bool mouseRelease(QPointF) { return false; }
    virtual void mouseMove(QPointF) {}
    virtual void mouseLeave() {}
    virtual QString toolTipAt(QPointF) const { return {}; }
    // An enabled control lies under the point (pointing-hand cursor).
    virtual bool isActionableAt(QPointF) const { return false; }
    virtual bool keyPress(QKeyEvent*) { return false; }
    // The content needs typed keys now: the island must accept keyboard focus.
    virtual bool wantsKeyboard() const { return false; }

signals:
    // A display frame is due: the host repaints.
    void frameDue();
};

}  // namespace kp
