#pragma once
// The page turn of the album: a request channel for hosts, the pose of the turning sheet, and the
// painter-drawn view that shows a book one page at a time and turns its pages with a curling sheet.
#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QPainter;

namespace kp {

class Clock;
class Scheduler;

// Channel between a host (the book viewer) and the page-turn view. The host sets `requestedIndex` and
// then bumps `requestGeneration`; the view serves the request. The host disables its buttons while
// `isSettling` is true.
class PageTurnController final : public QObject {
    Q_OBJECT
public:
    explicit PageTurnController(QObject* parent = nullptr) : QObject(parent) {}

    bool isSettling() const { return settling_; }
    bool isTurning() const { return turning_; }
    int requestGeneration() const { return generation_; }
    std::optional<int> requestedIndex() const { return requested_; }

    void setSettling(bool v);
    void setTurning(bool v);
    void setRequestGeneration(int v);
    void setRequestedIndex(std::optional<int> v);

    // The host's whole request: set the index, then bump the generation.
    void request(int index) {
        setRequestedIndex(index);
        setRequestGeneration(generation_ + 1);
    }

signals:
    void settlingChanged(bool settling);
    void turningChanged(bool turning);
    void requestGenerationChanged(int generation);
    void requestedIndexChanged();
    void changed();

private:
    bool settling_ = false;
    bool turning_ = false;
    int generation_ = 0;
    std::optional<int> requested_;
};

// Pose of the turning sheet. `angle` in degrees (0 flat on the right, -180 turned over onto the left),
// `bend` how the sheet bows, `lean` the tilt of a page that cannot turn (degrees, -7...7).
class BookPageMotion final : public QObject {
    Q_OBJECT
public:
    explicit BookPageMotion(QObject* parent = nullptr) : QObject(parent) {}

    double angle() const { return angle_; }
    double bend() const { return bend_; }
    double lean() const { return lean_; }

    // Clamped to -180...0 / -7...7. Writing the value already held notifies nobody.
    void setAngle(double v);
    void setBend(double v);
    void setLean(double v);

signals:
    void changed();

private:
    double angle_ = 0;
    double bend_ = 0;
    double lean_ = 0;
};

namespace pageturn {
// Progress 0 (flat on the right) ... 1 (turned onto the left) and the sheet angle.
double angleForProgress(double p);
double progressForAngle(double angleDegrees);

// One turn in progress.
struct Turn {
    int overlayIndex = 0;  // the page whose sheet turns
    int underIndex = 0;    // the page lying flat under the sheet
    int targetIndex = 0;   // the page the turn ends on
    bool forward = true;
    bool operator==(const Turn&) const = default;
};

// Timing curves of the turn: time-based, no Qt animation framework.
struct Curve {
    enum class Kind { none, cubicBezier, spring };
    Kind kind = Kind::none;
    double duration = 0;          // cubic Bézier
    double x1 = 0, y1 = 0, x2 = 1, y2 = 1;
    double response = 0.5;        // spring: period of the undamped oscillation, seconds
    double dampingFraction = 1;   // spring
    double initialVelocity = 0;   // spring: in fractions of the change per second

    static Curve bezier(double duration, double x1, double y1, double x2, double y2);
    static Curve spring(double response, double dampingFraction, double initialVelocity = 0);

    // Fraction of the change reached after t seconds (may overshoot with a bouncy spring).
    double value(double t) const;
    // True once the movement is (logically) over at t seconds.
    bool isComplete(double t) const;
};
}  // namespace pageturn

// Draws one page's face into `rect` (the page's frame, at its own size).
using PagePainter = std::function<void(QPainter& painter, const QRectF& rect, int index)>;

// The page-turn view: a painter-drawn object that the book viewer hosts. The host gives it the page
// size (`setBookSize`), paints it at the page's top-left corner, and forwards the mouse. The parked page
// is drawn one page width to the left of that corner and a lifted sheet grows up to 0.3 page heights
// above and below the page: the host must leave room there (nothing here clips).
class BookPageTurn final : public QObject {
    Q_OBJECT
public:
    struct SheetFaces {
        QImage front;  // null: drawn live from the page painter
        QImage back;
    };

    // `scheduler` drives the frame timer (only while animating) and the deferred steps; `clock`
    // (its monotonic time) times the animations.
    explicit BookPageTurn(PageTurnController& controller, Scheduler* scheduler = nullptr,
                          Clock* clock = nullptr, QObject* parent = nullptr);
    ~BookPageTurn() override;

    // --- host settings
    void setPagePainters(PagePainter front, PagePainter back);
    // Adapter for hosts that hold their pages as images.
    static PagePainter imagePainter(std::function<QImage(int index)> images);
    // A host that keeps its pages drawn at the page size and ratio hands them over: the view shares
    // those images for its faces instead of drawing copies. A null image falls back to the painters.
    void setPageImages(std::function<QImage(int index, bool back)> images) { pageImages_ = std::move(images); }
    void setPageCount(int count);
    int pageCount() const { return pageCount_; }
    void setCornerRadius(double r) {
        cornerRadius_ = r;
        parkedFrame_ = QImage();
        parked_.clear();
    }
    void setShadowColor(const QColor& c) {
        shadowColor_ = c;
        parkedFrame_ = QImage();
        parked_.clear();
    }
    void setOnTurn(std::function<void()> f) { onTurn_ = std::move(f); }
    void setOnCommittedTurn(std::function<void()> f) { onCommittedTurn_ = std::move(f); }
    void setReduceMotion(bool on) { reduceMotion_ = on; }
    bool reduceMotion() const { return reduceMotion_; }
    // Faces are rendered at this ratio; a change renders them again.
    void setDevicePixelRatio(double dpr);

    // The host's page index (binding): the view writes it when a turn ends and emits the signal.
    int currentPageIndex() const { return currentPageIndex_; }
    void setCurrentPageIndex(int index);

    // Size tracking: the page's size in points.
    void setBookSize(const QSizeF& size);
    QSizeF bookSize() const { return bookSize_; }
    // Call when the view comes on screen.
    void appear();

    // --- drawing: `origin` is the page's top-left corner in the painter's coordinates.
    void paint(QPainter& painter, const QPointF& origin);
    bool isAnimating() const;

    // --- input, in page coordinates (0,0 = the page's top-left corner)
    bool hitTest(const QPointF& local) const;
    void mousePressed(const QPointF& local);
    void mouseMoved(const QPointF& local);
    void mouseReleased(const QPointF& local);
    void dragCancelled();
    // Right/Left arrows (and Page Down/Up) request the next/previous page. True when handled.
    bool keyPressed(int qtKey);
    void accessibilityNextPage();
    void accessibilityPreviousPage();

    // --- turn logic (public for hosts that drive it directly and for tests)
    void requestPage(int index);
    void dragChanged(double translationX, double width);
    void dragEnded(double translationX, double predictedEndX, double currentX, double width);
    void isDraggingChanged(bool dragging);
    // Advances running animations to the clock's time (the frame timer calls it).
    void step();

    // --- state
    PageTurnController& controller() { return controller_; }
    BookPageMotion& motion() { return motion_; }
    std::optional<pageturn::Turn> activeTurn() const { return activeTurn_; }
    std::optional<int> restingIndex() const { return restingIndex_; }
    int restingPageIndex() const;
    int visiblePageIndex() const;
    std::optional<int> parkedPageIndex() const;
    const std::map<int, SheetFaces>& faces() const { return faces_; }
    bool isDragging() const { return dragging_; }

    static constexpr double dragGain = 1.15;
    static constexpr double dragMinimumDistance = 14;

signals:
    void currentPageIndexChanged(int index);
    // Something visible changed: the host repaints.
    void needsRepaint();
    // Only the turning sheet moved: the host repaints `dirty` (page coordinates), where the sheet
    // was drawn last and where it is now.
    void sheetMoved(const QRectF& dirty);

private:
    struct Track {
        bool active = false;
        double from = 0, to = 0, start = 0;
        pageturn::Curve curve;
        std::function<void()> completion;
    };

    SheetFaces& sheetFaces(int index);
    SheetFaces renderFaces(int index);
    QImage snapshot(const PagePainter& painter, int index, bool clipToShape);
    QImage face(int index, bool back);
    void pruneFaces();
    void warmFaces();
    void turnTo(const pageturn::Turn& turn);
    void animateTurn(const pageturn::Turn& turn, bool committing, const pageturn::Curve& curve);
    void finishTurn(const pageturn::Turn& turn, bool committed);
    void animate(Track& track, double from, double to, const pageturn::Curve& curve,
                 std::function<void()> completion = {});
    void ensureTimer();
    double now() const;
    void drawTurningSheet(QPainter& painter, const QPointF& origin);
    QRectF sheetBounds() const;
    void motionChanged();
    void writeCurrentPageIndex(int index);
    void paintStack(QPainter& painter, const QPointF& origin);
    const QImage& parkedFrame();
    const QImage* parkedImage(int index);
    void stopTracks();
    const QImage* frontImage(int index);

    PageTurnController& controller_;
    Scheduler* scheduler_;
    Clock* clock_;
    BookPageMotion motion_;

    PagePainter page_, pageBack_;
    std::function<QImage(int, bool)> pageImages_;
    int pageCount_ = 0;
    int currentPageIndex_ = 0;
    double cornerRadius_ = 22;
    QColor shadowColor_{0, 0, 0, 41};
    std::function<void()> onTurn_, onCommittedTurn_;
    bool reduceMotion_ = false;
    double dpr_ = 1;

    std::optional<int> restingIndex_;
    std::optional<pageturn::Turn> activeTurn_;
    bool dragging_ = false;
    bool pressed_ = false;
    QPointF pressPoint_;
    double dragOrigin_ = 0;
    QSizeF bookSize_;
    std::map<int, SheetFaces> faces_;
    int lastGeneration_ = 0;

    // Pointer history for the release velocity.
    struct Sample { double t; double x; };
    Sample samples_[8]{};
    int sampleCount_ = 0;

    Track angleTrack_, bendTrack_, leanTrack_;
    std::uint64_t timer_ = 0;
    bool pruneQueued_ = false;
    QImage underImage_;  // the uncovered page of a forward turn, drawn flat
    int underImageIndex_ = -1;
    std::optional<pageturn::Turn> drawnTurn_;  // the turn whose still pages the host has drawn whole
    QRectF sheetDrawn_;  // page coordinates of the sheet as last drawn over the still pages
    QImage parkedFrame_;  // the parked page's soft shadow and corners, kFrameMargin points around it
    // Parked pages drawn whole (shadow, corners and back) by page index, with the key of the back
    // they show: pages with the same back share one image.
    std::map<int, std::pair<qint64, QImage>> parked_;
};

}  // namespace kp
