#include "Color.h"

#include <cstdint>

namespace kp {

namespace {
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

QColor colorFromHex(std::string_view hex) {
    while (!hex.empty() && hex.front() == '#') hex.remove_prefix(1);
    while (!hex.empty() && hex.back() == '#') hex.remove_suffix(1);
    bool negative = false;
    if (!hex.empty() && (hex.front() == '+' || hex.front() == '-')) {
        negative = hex.front() == '-';
        hex.remove_prefix(1);
    }
    if (hex.empty()) return QColor(0, 0, 0);
    std::uint64_t value = 0;
    for (char c : hex) {
        const int d = hexDigit(c);
        if (d < 0) return QColor(0, 0, 0);  // any other character makes the whole string unreadable
        if (value >> 60) return QColor(0, 0, 0);  // more than 64 bits cannot be read as one number
        value = value * 16 + std::uint64_t(d);
    }
    if (negative) value = ~value + 1;
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

}  // namespace kp
