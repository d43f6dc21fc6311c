#include "controls/TFlatEditUnit.h"

#include "controls/PlatformFacts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <limits>

namespace {
constexpr int FrameWidth = 3;
}

TFlatEdit::TFlatEdit(QWidget* parent) : QLineEdit(parent) {
  setFrame(false);
  // A field takes a text of any length; the line edit's default limit would
  // cut loaded texts without a word.
  setMaxLength(std::numeric_limits<int>::max());
  setTextMargins(FrameWidth, FrameWidth, FrameWidth, FrameWidth);
  setGeometry(0, 0, 121, 19);
  connect(this, &QLineEdit::textChanged, this, [this] { emit OnChange(); });
  // A hovered field's look depends on which control has the focus.
  connect(qApp, &QApplication::focusChanged, this, [this] {
    if (FMouseOver) PaintFrame();
  });
  if (FParentColor) TakeParentColor();
  PaintFrame();
}

void TFlatEdit::SetColorFocused(TColor value) {
  FColorFocused = value;
  PaintFrame();
}

void TFlatEdit::SetColorBorder(TColor value) {
  FColorBorder = value;
  PaintFrame();
}

void TFlatEdit::SetColorFlat(TColor value) {
  FColorFlat = value;
  FParentColor = false;
  PaintFrame();
}

void TFlatEdit::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  if (value) {
    TakeParentColor();
    PaintFrame();
  }
}

void TFlatEdit::SetUseAdvColors(bool value) {
  if (value == FUseAdvColors) return;
  FUseAdvColors = value;
  SetParentColor(value);
  ApplyAdvColors();
  PaintFrame();
}

void TFlatEdit::SetAdvColorFocused(TAdvColors value) {
  FAdvColorFocused = value > 100 ? 100 : value;
  if (FUseAdvColors) {
    ApplyAdvColors();
    PaintFrame();
  }
}

void TFlatEdit::SetAdvColorBorder(TAdvColors value) {
  FAdvColorBorder = value > 100 ? 100 : value;
  if (FUseAdvColors) {
    ApplyAdvColors();
    PaintFrame();
  }
}

bool TFlatEdit::Highlighted() const {
  if (hasFocus()) return true;
  if (!FMouseOver) return false;
  return qobject_cast<TFlatEdit*>(QApplication::focusWidget()) == nullptr;
}

void TFlatEdit::FitHeightToFont() { resize(width(), TextHeight(font()) + 2 * FrameWidth); }

void TFlatEdit::ApplyAdvColors() {
  if (!FUseAdvColors) return;
  FColorFocused = DeriveAdvColor(FColorFlat, FColorFocused, FAdvColorFocused, false);
  FColorBorder = DeriveAdvColor(FColorFlat, FColorBorder, FAdvColorBorder, true);
}

void TFlatEdit::PaintFrame() {
  SetBackground(Highlighted() ? FColorFocused : FColorFlat);
  update();
}

void TFlatEdit::SetBackground(TColor color) {
  const QColor rgb = ColorToRGB(color);
  QPalette pal = palette();
  if (pal.color(QPalette::Active, QPalette::Base) == rgb &&
      pal.color(QPalette::Disabled, QPalette::Base) == rgb &&
      pal.color(QPalette::Inactive, QPalette::Base) == rgb)
    return;
  pal.setColor(QPalette::Base, rgb);
  FSettingPalette = true;
  setPalette(pal);
  FSettingPalette = false;
}

void TFlatEdit::TakeParentColor() {
  if (QWidget* parent = parentWidget())
    FColorFlat = QColorToColor(parent->palette().color(QPalette::Window));
}

void TFlatEdit::ParentColorChanged() {
  if (FUseAdvColors) {
    TakeParentColor();
    ApplyAdvColors();
  } else if (FParentColor) {
    TakeParentColor();
  }
  PaintFrame();
}

void TFlatEdit::paintEvent(QPaintEvent* event) {
  const bool highlighted = Highlighted();
  const QColor inner = ColorToRGB(highlighted ? FColorFocused : FColorFlat);
  {
    QPainter painter(this);
    painter.fillRect(rect(), inner);
  }
  QLineEdit::paintEvent(event);
  QPainter painter(this);
  const QColor border = ColorToRGB(FColorBorder);
  QRect r = rect();
  // Outline: one pixel of border, then two of the inner colour.
  const auto outline = [&painter](const QRect& area, const QColor& colour) {
    painter.fillRect(area.left(), area.top(), area.width(), 1, colour);
    painter.fillRect(area.left(), area.bottom(), area.width(), 1, colour);
    painter.fillRect(area.left(), area.top(), 1, area.height(), colour);
    painter.fillRect(area.right(), area.top(), 1, area.height(), colour);
  };
  outline(r, border);
  r.adjust(1, 1, -1, -1);
  outline(r, inner);
  r.adjust(1, 1, -1, -1);
  outline(r, inner);
}

void TFlatEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  PaintFrame();
  emit OnEnter();
}

void TFlatEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  PaintFrame();
  emit OnExit();
}

void TFlatEdit::enterEvent(QEnterEvent* event) {
  QLineEdit::enterEvent(event);
  if (PlatformFacts::ApplicationActive()) {
    FMouseOver = true;
    PaintFrame();
  }
}

void TFlatEdit::leaveEvent(QEvent* event) {
  QLineEdit::leaveEvent(event);
  FMouseOver = false;
  PaintFrame();
}

void TFlatEdit::keyPressEvent(QKeyEvent* event) {
  int key = event->key();
  emit OnKeyDown(key, event->modifiers());
  if (key == 0) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TFlatEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  switch (event->type()) {
    case QEvent::EnabledChange:
      PaintFrame();
      break;
    case QEvent::FontChange:
      FitHeightToFont();
      break;
    case QEvent::PaletteChange:
      if (!FSettingPalette) ParentColorChanged();
      break;
    default:
      break;
  }
}

bool TFlatEdit::event(QEvent* event) {
  const bool result = QLineEdit::event(event);
  if (event->type() == QEvent::ParentChange || event->type() == QEvent::ApplicationPaletteChange)
    ParentColorChanged();
  return result;
}
