#pragma once
#include <QImage>
#include <QRect>

namespace kp {

// The pixels of a premultiplied `image` with any ink (a pixel without ink is all zero); empty
// when it has none.
QRect inkBox(const QImage& image);

}  // namespace kp
