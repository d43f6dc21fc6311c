#pragma once
// Colour values and the conversions between RGB and hue/saturation/luminance.
//
// The real routines keep every intermediate (channel fractions, maximum,
// minimum, difference, M1, M2) as a 64-bit double and compute between two
// stores in 80-bit extended precision; every real-to-integer conversion
// rounds to nearest with exact halves going to the even neighbour.

#include <QColor>
#include <cstdint>

// Bit 31 clear: an RGB colour, red in the low byte, then green, then blue.
// Bit 31 set: a system colour by its index in the low byte, resolved when used.
using TColor = std::uint32_t;

inline constexpr TColor clSystemColor = 0x80000000u;
inline constexpr TColor clBlack = 0;
inline constexpr TColor clWhite = 16777215;
inline constexpr TColor clRed = 255;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;

constexpr TColor RGBToColor(int red, int green, int blue) {
  return TColor(red & 0xFF) | (TColor(green & 0xFF) << 8) | (TColor(blue & 0xFF) << 16);
}
constexpr bool IsSystemColor(TColor color) { return (color & clSystemColor) != 0; }

// The RGB value of a colour; a system colour takes its current value.
TColor ResolveColor(TColor color);
QColor ColorToRGB(TColor color);
// The colour value of an RGB colour (alpha ignored).
TColor QColorToColor(const QColor& color);

inline constexpr int HslScale = 240;

TColor HslToColor(double H, double S, double L);
void ColorToHsl(TColor Color, double& H, double& S, double& L);
TColor ScaledHslToColor(int H, int S, int L);
void ColorToScaledHsl(TColor Color, int& H, int& S, int& L);
