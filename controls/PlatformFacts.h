#pragma once
// The few facts the flat controls read from the platform, each in one place
// so that a test can pin it: the control under a screen point, the cursor
// position, whether the application has an active window, and the current
// value of a system colour.

#include <QColor>
#include <QPoint>
#include <functional>

class QWidget;

namespace PlatformFacts {

QWidget* ControlAtScreenPoint(const QPoint& globalPos);
QPoint CursorPos();
QWidget* ControlUnderCursor();  // ControlAtScreenPoint(CursorPos())
bool ApplicationActive();
// The current value of system colour `index` (the low byte of a system TColor).
QColor SystemColor(int index);

// Replacements for tests; an empty function restores the platform's answer.
struct Pins {
  std::function<QWidget*(const QPoint&)> ControlAt;
  std::function<QPoint()> Cursor;
  std::function<bool()> Active;
  std::function<QColor(int)> SystemColor;
};
void SetPins(Pins pins);
void ClearPins();

// Pins for the lifetime of the object.
class ScopedPins {
 public:
  explicit ScopedPins(Pins pins) { SetPins(std::move(pins)); }
  ~ScopedPins() { ClearPins(); }
  ScopedPins(const ScopedPins&) = delete;
  ScopedPins& operator=(const ScopedPins&) = delete;
};

}  // namespace PlatformFacts
