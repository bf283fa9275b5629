#pragma once
// Curl of a turning sheet, drawn on the CPU: the sheet's cross-section is sampled from the spine to
// its free edge (with perspective), and each face image is warped along it, one pixel column at a time.
#include <QPointF>
#include <QSizeF>
#include <QTransform>

#include <array>

class QImage;
class QPainter;
class QRect;

namespace kp::pagecurl {

constexpr int sampleCount = 38;
constexpr int floatsPerSample = 5;  // projected x, z, scale, local angle, flat x

struct CurlArguments {
    std::array<float, sampleCount * floatsPerSample> curve{};
    double minX = 0;  // smallest projected x (never above 0)
    double maxX = 0;  // largest projected x (never below 0)
    double lift = 0;  // 0 ... 1, how far the sheet stands off the book

    float projectedX(int i) const { return curve[i * floatsPerSample]; }
    float z(int i) const { return curve[i * floatsPerSample + 1]; }
    float scale(int i) const { return curve[i * floatsPerSample + 2]; }
    float localAngle(int i) const { return curve[i * floatsPerSample + 3]; }
    float flatX(int i) const { return curve[i * floatsPerSample + 4]; }
};

// Cross-section of a sheet at `angle` degrees (0 flat on the right, -180 on the left) with `bend`,
// for a page of width x height points. Fills `out` without allocating.
void curlArguments(double angle, double bend, double width, double height, CurlArguments& out);
CurlArguments curlArguments(double angle, double bend, double width, double height);

// Where the sheet lies: the page's frame (its left edge is the spine).
struct SheetGeometry {
    QPointF pageTopLeft;
    QSizeF pageSize;
    bool hasParkedPage = false;  // a page lies left of the spine (the cast shadow may fall on it)
    double cornerRadius = 0;     // of the page shape: shading keeps off the transparent corners
};

// Draws the sheet and the soft shadow it casts on the pages under it. Along the cross-section each
// stretch shows whichever face looks at the viewer there (front where it runs left to right, back
// where it runs right to left); stretches nearer the free edge stand higher and cover the rest.
// Faces darken as they tilt away from the viewer. `front` and `back` are the faces'
// images at the page's size (any pixel ratio); `back` is its page as seen from behind, not mirrored.
// Either image may be null (that face is then left out). Nothing is drawn outside the sheet and its
// shadow, and the shadow stays on the pages.
void drawSheet(QPainter& painter, const QImage& front, const QImage& back, const CurlArguments& args,
               const SheetGeometry& geometry);

// Readies the drawing of sheets of `pageSize` points at `dpr` (the thread that shares a large
// sheet's rows, the per-column table), so that the first frame of a turn does no more than the others.
void prepare(const QSizeF& pageSize, double dpr);

// Draws `source` of `image` with its top-left corner on `devicePoint` (in the painter's device
// pixels, rounded to whole ones), pixel for pixel: a plain copy, whatever the painter's transform
// and the image's pixel ratio.
void blitAtDevicePixels(QPainter& painter, const QPointF& devicePoint, const QImage& image, const QRect& source);

// Tilt of a page at rest by `leanDegrees` about its leading edge, with perspective.
QTransform leanTransform(double leanDegrees, const QPointF& pageTopLeft, const QSizeF& pageSize);

}  // namespace kp::pagecurl
