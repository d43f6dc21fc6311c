#include "controls/PlatformFacts.h"

#include <QApplication>
#include <QCursor>
#include <QPalette>
#include <QWidget>

namespace PlatformFacts {
namespace {

Pins& CurrentPins() {
  static Pins pins;
  return pins;
}

// System colour indices and the palette roles that stand for them.
struct SystemRole {
  int Index;
  QPalette::ColorGroup Group;
  QPalette::ColorRole Role;
};
constexpr SystemRole SystemRoles[] = {
    {4, QPalette::Active, QPalette::Window},            // menu
    {5, QPalette::Active, QPalette::Base},              // window background
    {7, QPalette::Active, QPalette::WindowText},        // menu text
    {8, QPalette::Active, QPalette::WindowText},        // window text
    {13, QPalette::Active, QPalette::Highlight},        // selection
    {14, QPalette::Active, QPalette::HighlightedText},  // selected text
    {15, QPalette::Active, QPalette::Button},           // button face
    {16, QPalette::Active, QPalette::Dark},             // button shadow
    {17, QPalette::Disabled, QPalette::Text},           // grey text
    {18, QPalette::Active, QPalette::ButtonText},       // button text
    {20, QPalette::Active, QPalette::Light},            // button highlight
    {21, QPalette::Active, QPalette::Shadow},           // 3-D dark shadow
    {22, QPalette::Active, QPalette::Midlight},         // 3-D light
};

}  // namespace

QWidget* ControlAtScreenPoint(const QPoint& globalPos) {
  if (CurrentPins().ControlAt) return CurrentPins().ControlAt(globalPos);
  return QApplication::widgetAt(globalPos);
}

QPoint CursorPos() {
  if (CurrentPins().Cursor) return CurrentPins().Cursor();
  return QCursor::pos();
}

QWidget* ControlUnderCursor() { return ControlAtScreenPoint(CursorPos()); }

bool ApplicationActive() {
  if (CurrentPins().Active) return CurrentPins().Active();
  return QApplication::activeWindow() != nullptr;
}

QColor SystemColor(int index) {
  if (CurrentPins().SystemColor) return CurrentPins().SystemColor(index);
  const QPalette palette = QApplication::palette();
  for (const SystemRole& entry : SystemRoles)
    if (entry.Index == index) return palette.color(entry.Group, entry.Role);
  return QColor(0, 0, 0);
}

void SetPins(Pins pins) { CurrentPins() = std::move(pins); }
void ClearPins() { CurrentPins() = Pins{}; }

}  // namespace PlatformFacts
