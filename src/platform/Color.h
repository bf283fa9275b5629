#pragma once
#include <QColor>
#include <string_view>

namespace kp {

// An opaque sRGB colour from "#RRGGBB": number signs are trimmed from both ends and the rest is
// read as one base-16 number (an optional leading + or - is accepted); its lowest three bytes give
// red, green and blue. An empty string, one with any other character (a "0x" prefix too), or a
// number too large for 64 bits gives black.
QColor colorFromHex(std::string_view hex);

}  // namespace kp
