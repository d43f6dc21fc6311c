#pragma once
// Helpers shared by the flat control tests: the main window's font (Tahoma
// Bold, 11-pixel characters) from the bundled font files, fixed system
// colours, and pixel access to grabbed widgets.

#include "controls/HSLUtils.h"
#include "controls/PlatformFacts.h"

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QWidget>

namespace ControlsTest {

inline bool TahomaAvailable() {
  static const bool available = [] {
    const int regular = QFontDatabase::addApplicationFont("/usr/share/wine/fonts/tahoma.ttf");
    const int bold = QFontDatabase::addApplicationFont("/usr/share/wine/fonts/tahomabd.ttf");
    return regular >= 0 && bold >= 0;
  }();
  return available;
}

inline QFont MainWindowFont() {
  TahomaAvailable();
  QFont font("Tahoma");
  font.setBold(true);
  font.setPixelSize(11);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

// The system colours the tests paint with.
inline constexpr TColor FaceRGB = RGBToColor(212, 208, 200);
inline constexpr TColor ShadowRGB = RGBToColor(128, 128, 128);
inline constexpr TColor HighlightRGB = RGBToColor(255, 255, 255);
inline constexpr TColor WindowRGB = RGBToColor(255, 255, 254);

inline QColor FixedSystemColor(int index) {
  switch (index) {
    case 5: return ColorToRGB(WindowRGB);
    case 15: return ColorToRGB(FaceRGB);
    case 16: return ColorToRGB(ShadowRGB);
    case 20: return ColorToRGB(HighlightRGB);
    default: return QColor(0, 0, 0);
  }
}

inline PlatformFacts::Pins FixedSystemColourPins() {
  PlatformFacts::Pins pins;
  pins.SystemColor = FixedSystemColor;
  return pins;
}

inline TColor PixelAt(const QImage& image, int x, int y) {
  return QColorToColor(image.pixelColor(x, y));
}

inline QImage Grab(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace ControlsTest
