#pragma once

#include <cstdint>

// A colour as the pixel read and write operations give and take it: 0x00BBGGRR
// (low byte red). -1 (all bits set) is the invalid colour that a read outside a
// raster answers.
using Color = std::int32_t;

constexpr Color clBlack = 0x000000;
constexpr Color clWhite = 0xFFFFFF;
constexpr Color clBlue = 0xFF0000;
constexpr Color clRed = 0x0000FF;
constexpr Color clGreen = 0x008000;
constexpr Color clGray = 0x808080;
constexpr Color clYellow = 0x00FFFF;
constexpr Color clInvalid = -1;
// The button-face colour of the window background, used by the correction bar.
constexpr Color clBtnFace = 0xF0F0F0;

// Three bytes in the order of a pixel in a row of a 24-bit raster: blue, green, red.
struct ColorTriple {
    std::uint8_t rgbtBlue = 0;
    std::uint8_t rgbtGreen = 0;
    std::uint8_t rgbtRed = 0;
    friend bool operator==(const ColorTriple&, const ColorTriple&) = default;
};
static_assert(sizeof(ColorTriple) == 3);

// Splits 0x00BBGGRR into its bytes; div and mod truncate toward zero and each
// result keeps its low 8 bits, so -1 gives red 255, green 0, blue 0.
constexpr ColorTriple ColorToTriple(Color color)
{
    ColorTriple t;
    t.rgbtRed = static_cast<std::uint8_t>(color % 256);
    t.rgbtGreen = static_cast<std::uint8_t>((color / 256) % 256);
    t.rgbtBlue = static_cast<std::uint8_t>(color / 65536);
    return t;
}

constexpr Color TripleToColor(ColorTriple t)
{
    return Color(t.rgbtRed) | (Color(t.rgbtGreen) << 8) | (Color(t.rgbtBlue) << 16);
}

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
};
