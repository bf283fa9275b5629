#include <gtest/gtest.h>

#include "platform/Color.h"

using kp::colorFromHex;

TEST(ColorFromHex, ReadsHashAndSixDigitsAndOddInputsAsOneNumber) {
    EXPECT_EQ(colorFromHex("#F7F4F0"), QColor(0xF7, 0xF4, 0xF0));
    EXPECT_EQ(colorFromHex("#2c2622"), QColor(0x2C, 0x26, 0x22));
    EXPECT_EQ(colorFromHex("F4505E"), QColor(0xF4, 0x50, 0x5E));
    EXPECT_EQ(colorFromHex("#F4505E#"), QColor(0xF4, 0x50, 0x5E));
    EXPECT_EQ(colorFromHex("#FFFFFF").alphaF(), 1.0);
    // Odd inputs follow the one-number rule; anything unreadable is black.
    EXPECT_EQ(colorFromHex(""), QColor(0, 0, 0));
    EXPECT_EQ(colorFromHex("#"), QColor(0, 0, 0));
    EXPECT_EQ(colorFromHex("#zzzzzz"), QColor(0, 0, 0));
    EXPECT_EQ(colorFromHex("#FFF"), QColor(0x00, 0x0F, 0xFF));          // short: one small number
    EXPECT_EQ(colorFromHex("#12345678"), QColor(0x34, 0x56, 0x78));     // long: lowest three bytes
    EXPECT_EQ(colorFromHex("#FFFFFFFFFF123456"), QColor(0x12, 0x34, 0x56));  // 64 bits still read
    EXPECT_EQ(colorFromHex("#0000000000000000123456"), QColor(0x12, 0x34, 0x56));  // leading zeros add nothing
    EXPECT_EQ(colorFromHex("#10000000000123456"), QColor(0, 0, 0));     // past 64 bits: unreadable, no wrap
    EXPECT_EQ(colorFromHex("-10000000000123456"), QColor(0, 0, 0));
    EXPECT_EQ(colorFromHex("#00FF00zz"), QColor(0, 0, 0));              // any non-digit: unreadable
    EXPECT_EQ(colorFromHex("#12GG34"), QColor(0, 0, 0));
    EXPECT_EQ(colorFromHex("0x00FF00"), QColor(0, 0, 0));
    EXPECT_EQ(colorFromHex("# 00FF00"), QColor(0, 0, 0));
    EXPECT_EQ(colorFromHex("+0000FF"), QColor(0, 0, 0xFF));
    EXPECT_EQ(colorFromHex("-000001"), QColor(0xFF, 0xFF, 0xFF));       // two's complement
}
