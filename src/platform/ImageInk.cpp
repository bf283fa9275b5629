#include "platform/ImageInk.h"

#include <QRgb>

#include <algorithm>

namespace kp {

QRect inkBox(const QImage& image) {
    const int w = image.width();
    int top = image.height(), bottom = -1, left = w, right = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb any = 0;
        for (int x = 0; x < w; ++x) any |= line[x];
        if (any == 0) continue;
        int x = 0;
        while (line[x] == 0) ++x;
        int end = w - 1;
        while (line[end] == 0) --end;
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, x);
        right = std::max(right, end);
    }
    return bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace kp
