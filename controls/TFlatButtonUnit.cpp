#include "controls/TFlatButtonUnit.h"

#include "controls/PlatformFacts.h"

#include <QDialog>
#include <QFontMetrics>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcutEvent>
#include <QTimer>
#include <QtMath>

namespace {
QTimer* gHoverTimer = nullptr;
TFlatButton* gHoverButton = nullptr;
int gButtonCount = 0;

QPoint PixelOf(const QPointF& pos) { return QPoint(qFloor(pos.x()), qFloor(pos.y())); }
}  // namespace

TFlatButton::TFlatButton(QWidget* parent) : QWidget(parent) {
  if (gHoverTimer == nullptr) {
    gHoverTimer = new QTimer;
    gHoverTimer->setInterval(100);
    QObject::connect(gHoverTimer, &QTimer::timeout, [] {
      if (gHoverButton != nullptr) gHoverButton->HoverTimerTick();
    });
  }
  ++gButtonCount;
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
  setGeometry(0, 0, 25, 25);
}

TFlatButton::~TFlatButton() {
  StopHoverTracking();
  if (--gButtonCount == 0) {
    delete gHoverTimer;
    gHoverTimer = nullptr;
  }
}

TFlatButton* TFlatButton::HoverButton() { return gHoverButton; }
int TFlatButton::ButtonCount() { return gButtonCount; }
QTimer* TFlatButton::HoverTimer() { return gHoverTimer; }

// --- properties -----------------------------------------------------------

void TFlatButton::SetCaption(const QString& value) {
  if (value == FCaption) return;
  FCaption = value;
  UpdateAccelerator();
  update();
}

TColor TFlatButton::Color() const {
  if (FParentColor && parentWidget() != nullptr)
    return QColorToColor(parentWidget()->palette().color(QPalette::Window));
  return FColor;
}

void TFlatButton::SetColor(TColor value) {
  FColor = value;
  FParentColor = false;
  update();
}

void TFlatButton::SetParentColor(bool value) {
  if (value == FParentColor) return;
  if (!value) FColor = Color();  // keep the colour last taken from the parent
  FParentColor = value;
  update();
}

void TFlatButton::SetColorFocused(TColor value) { FColorFocused = value; update(); }
void TFlatButton::SetColorDown(TColor value) { FColorDown = value; update(); }
void TFlatButton::SetColorBorder(TColor value) { FColorBorder = value; update(); }
void TFlatButton::SetColorHighLight(TColor value) { FColorHighLight = value; update(); }
void TFlatButton::SetColorShadow(TColor value) { FColorShadow = value; update(); }

void TFlatButton::SetUseAdvColors(bool value) {
  if (value == FUseAdvColors) return;
  FUseAdvColors = value;
  SetParentColor(value);
  ApplyAdvColors();
  update();
}

void TFlatButton::SetAdvColorFocused(TAdvColors value) {
  FAdvColorFocused = value > 100 ? 100 : value;
  ApplyAdvColors();
  update();
}

void TFlatButton::SetAdvColorDown(TAdvColors value) {
  FAdvColorDown = value > 100 ? 100 : value;
  ApplyAdvColors();
  update();
}

void TFlatButton::SetAdvColorBorder(TAdvColors value) {
  FAdvColorBorder = value > 100 ? 100 : value;
  ApplyAdvColors();
  update();
}

void TFlatButton::ApplyAdvColors() {
  if (!FUseAdvColors) return;
  const TColor face = Color();
  FColorFocused = DeriveAdvColor(face, FColorFocused, FAdvColorFocused, false);
  FColorDown = DeriveAdvColor(face, FColorDown, FAdvColorDown, true);
  FColorBorder = DeriveAdvColor(face, FColorBorder, FAdvColorBorder, true);
}

void TFlatButton::SetGroupIndex(int value) {
  if (value == FGroupIndex) return;
  FGroupIndex = value;
  NotifyGroup();
}

void TFlatButton::SetAllowAllUp(bool value) {
  if (value == FAllowAllUp) return;
  FAllowAllUp = value;
  NotifyGroup();
}

void TFlatButton::SetDown(bool value) {
  if (FGroupIndex == 0) value = false;
  if (value == FDown) return;
  if (FDown && !FAllowAllUp) return;
  FDown = value;
  if (value) {
    if (FDrawState == fbsUp) update();
    FDrawState = fbsExclusive;
    NotifyGroup();
  } else {
    FDrawState = fbsUp;
    repaint();
  }
}

void TFlatButton::SetGlyph(const QImage& value) {
  FGlyph = value;
  if (!FGlyph.isNull() && FGlyph.height() > 0 && FGlyph.width() % FGlyph.height() == 0) {
    const int count = FGlyph.width() / FGlyph.height();
    FNumGlyphs = count > 4 ? 1 : count;
  }
  update();
}

void TFlatButton::SetNumGlyphs(int value) {
  value = qBound(1, value, 4);
  if (value == FNumGlyphs) return;
  FNumGlyphs = value;
  update();
}

void TFlatButton::SetLayout(TButtonLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  update();
}

void TFlatButton::SetSpacing(int value) {
  if (value == FSpacing) return;
  FSpacing = value;
  update();
}

void TFlatButton::SetMargin(int value) {
  if (value == FMargin || value < -1) return;
  FMargin = value;
  update();
}

void TFlatButton::SetTabStop(bool value) {
  FTabStop = value;
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

// --- groups ---------------------------------------------------------------

void TFlatButton::NotifyGroup() {
  if (FGroupIndex == 0 || parentWidget() == nullptr) return;
  const QObjectList siblings = parentWidget()->children();
  for (QObject* sibling : siblings)
    if (auto* button = qobject_cast<TFlatButton*>(sibling)) button->GroupPressed(FGroupIndex, this);
}

void TFlatButton::GroupPressed(int groupIndex, TFlatButton* sender) {
  if (groupIndex != FGroupIndex || sender == this) return;
  if (sender->FDown && FDown) {
    FDown = false;
    FDrawState = fbsUp;
    update();
  }
  FAllowAllUp = sender->FAllowAllUp;
}

// --- clicking -------------------------------------------------------------

void TFlatButton::Click() {
  if (parentWidget() != nullptr) {
    QWidget* form = window();
    form->setProperty("ModalResult", FModalResult);
    if (auto* dialog = qobject_cast<QDialog*>(form); dialog != nullptr && FModalResult != 0)
      dialog->done(FModalResult);
  }
  emit OnClick();
}

bool TFlatButton::Inside(const QPoint& pos) const {
  return pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
}

void TFlatButton::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !isEnabled()) return;
  if (!FDown) {
    FDrawState = fbsDown;
    update();
  }
  FPressing = true;
  // The field that had the focus loses it (and reports its exit) before
  // the release clicks.
  setFocus(Qt::MouseFocusReason);
}

void TFlatButton::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  HoverStart(event->globalPosition().toPoint());
  if (!FPressing) return;
  const TFlatButtonState state =
      FDown ? fbsExclusive : (Inside(PixelOf(event->position())) ? fbsDown : fbsUp);
  if (state != FDrawState) {
    FDrawState = state;
    update();
  }
}

void TFlatButton::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (!FPressing) return;
  FPressing = false;
  const bool inside = Inside(PixelOf(event->position()));
  if (FGroupIndex == 0) {
    FDrawState = fbsUp;
    FMouseOver = false;
    if (inside) update();
  } else if (inside) {
    SetDown(!FDown);
    if (FDown) repaint();
  } else {
    if (FDown) FDrawState = fbsExclusive;
    repaint();
  }
  QPointer<TFlatButton> self(this);
  if (inside)
    Click();
  else
    MouseLeaveButton();
  if (self) UpdateHoverTracking();
}

void TFlatButton::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is a press as well.
  mousePressEvent(event);
  if (event->button() == Qt::LeftButton && FDown) emit OnDblClick();
}

// --- hover tracking ---------------------------------------------------------

// The timer tracks only a hover that began while the application was active;
// a release after a modal box (with no window manager, no window is active
// then) gives the hover look without it. Leaving the button ends the look in
// every case.
void TFlatButton::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  MouseLeaveButton();
}

void TFlatButton::HoverStart(const QPoint& globalPos) {
  if (this == gHoverButton || PlatformFacts::ControlAtScreenPoint(globalPos) != this) return;
  if (gHoverButton != nullptr) gHoverButton->MouseLeaveButton();
  if (!PlatformFacts::ApplicationActive()) return;
  if (gHoverTimer->isActive()) gHoverTimer->stop();
  gHoverButton = this;
  gHoverTimer->start();
  MouseEnterButton();
}

void TFlatButton::HoverTimerTick() {
  if (PlatformFacts::ControlUnderCursor() != this) MouseLeaveButton();
}

void TFlatButton::MouseEnterButton() {
  if (isEnabled() && !FMouseOver) {
    FMouseOver = true;
    repaint();
  }
}

void TFlatButton::MouseLeaveButton() {
  if (isEnabled() && FMouseOver && !FPressing) {
    FMouseOver = false;
    StopHoverTracking();
    update();
  }
}

void TFlatButton::StopHoverTracking() {
  if (gHoverButton != this) return;
  if (gHoverTimer != nullptr) gHoverTimer->stop();
  gHoverButton = nullptr;
}

void TFlatButton::UpdateHoverTracking() {
  if (!isEnabled()) return;
  // Inverted on purpose: the enter and leave routines act only on a change.
  FMouseOver = PlatformFacts::ControlUnderCursor() != this;
  if (FMouseOver)
    MouseLeaveButton();
  else
    MouseEnterButton();
}

// --- notifications ----------------------------------------------------------

void TFlatButton::UpdateAccelerator() {
  if (FShortcutId != 0) releaseShortcut(FShortcutId);
  FShortcutId = 0;
  const QKeySequence mnemonic = QKeySequence::mnemonic(FCaption);
  if (!mnemonic.isEmpty()) FShortcutId = grabShortcut(mnemonic);
}

void TFlatButton::ColoursChanged(bool /*systemColours*/) {
  if (FUseAdvColors) {
    FParentColor = true;
    ApplyAdvColors();
  }
  update();
}

void TFlatButton::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  switch (event->type()) {
    case QEvent::EnabledChange:
      if (!isEnabled()) {
        FMouseOver = false;
        FDrawState = fbsDisabled;
        StopHoverTracking();
      }
      UpdateHoverTracking();
      update();
      break;
    case QEvent::FontChange:
      update();
      break;
    case QEvent::PaletteChange:
      ColoursChanged(false);
      break;
    default:
      break;
  }
}

bool TFlatButton::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Shortcut: {
      auto* shortcut = static_cast<QShortcutEvent*>(event);
      if (shortcut->shortcutId() == FShortcutId && isEnabled()) {
        Click();
        return true;
      }
      break;
    }
    case QEvent::ApplicationPaletteChange:
      ColoursChanged(true);
      break;
    case QEvent::ParentChange:
      ColoursChanged(false);
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

// --- painting -----------------------------------------------------------------

void TFlatButton::paintEvent(QPaintEvent* /*event*/) {
  // Composed with the screen's own pixels, so that on a scaled screen the
  // caption is drawn as sharp (and as bold) as the window's other texts.
  const qreal ratio = devicePixelRatioF();
  QImage image(size() * ratio, QImage::Format_RGB32);
  if (image.isNull()) return;
  image.setDevicePixelRatio(ratio);
  PaintFace(image);
  QPainter painter(this);
  painter.drawImage(0, 0, image);
}

void TFlatButton::PaintFace(QImage& image) {
  const QRgb transparent =
      FGlyph.isNull() ? 0 : FGlyph.pixel(0, FGlyph.height() - 1) & 0xFFFFFF;
  TRect face{0, 0, width(), height()};
  const int offset = (FDrawState == fbsDown || FDrawState == fbsExclusive) ? 1 : 0;
  LayoutGlyphAndCaption(font(), face, offset, FLayout, FSpacing, FMargin, FGlyph, FNumGlyphs,
                        FCaption, FCaptionRect, FGlyphOrigin);

  if (!isEnabled()) {
    FDrawState = fbsDisabled;
    FPressing = false;
  } else if (FDrawState == fbsDisabled) {
    FDrawState = (FDown && FGroupIndex != 0) ? fbsExclusive : fbsUp;
  }

  QPainter painter(&image);
  painter.setFont(font());

  TColor top = FColorBorder, bottom = FColorBorder, fill = Color();
  switch (FDrawState) {
    case fbsUp:
      if (FMouseOver) {
        top = FColorHighLight;
        bottom = FColorShadow;
        fill = FColorFocused;
      }
      break;
    case fbsDisabled:
      break;
    case fbsDown:
      top = FColorShadow;
      bottom = FColorHighLight;
      fill = FColorDown;
      break;
    case fbsExclusive:
      top = FColorShadow;
      bottom = FColorHighLight;
      fill = FMouseOver ? FColorFocused : FColorDown;
      break;
  }
  DrawBevelFrame(painter, face, top, bottom, 1);
  if (face.Width() > 0 && face.Height() > 0)
    painter.fillRect(face.Left, face.Top, face.Width(), face.Height(), ColorToRGB(fill));

  if (!FGlyph.isNull() && FNumGlyphs > 0 && FGlyph.width() / FNumGlyphs > 0) {
    const int W = FGlyph.width(), H = FGlyph.height(), w = W / FNumGlyphs;
    // Which slice shows in which state, for 1..4 images in the strip.
    static constexpr int SliceIndex[4][4] = {
        // fbsUp, fbsDisabled, fbsDown, fbsExclusive
        {0, 0, 0, 0},
        {0, 1, 0, 0},
        {0, 1, 2, 2},
        {0, 1, 2, 3},
    };
    const int index = SliceIndex[FNumGlyphs - 1][FDrawState];
    const int from = index * w;
    const int to = index == FNumGlyphs - 1 ? W : from + w;
    QImage slice = FGlyph.copy(from, 0, to - from, H);
    if (to - from != w) slice = slice.scaled(w, H, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QRgb key = transparent;
    if (FNumGlyphs == 1 && FDrawState == fbsDisabled) {
      slice = MakeDisabledGlyph(slice, clBlack, clBtnFace, clBtnHighlight, clBtnShadow, true);
      key = slice.pixel(0, slice.height() - 1) & 0xFFFFFF;
    }
    QImage layer(slice.size(), QImage::Format_ARGB32);
    layer.fill(Qt::transparent);
    DrawTransparent(layer, QPoint(0, 0), slice, key);
    painter.drawImage(FGlyphOrigin, layer);
  }

  if (!FCaption.isEmpty()) {
    // The caption cell is laid out with the font's ascent and descent as the
    // platform reports them; place the baseline where that cell puts it.
    int ascent, descent;
    TextAscentDescent(font(), ascent, descent);
    const QFontMetrics metrics(font());
    const QRect cell(FCaptionRect.Left, FCaptionRect.Top, FCaptionRect.Width(),
                     FCaptionRect.Height());
    const int textTop = cell.top() + (cell.height() - (ascent + descent)) / 2 + ascent -
                        metrics.ascent();
    const QRect textRect(cell.left(), textTop, cell.width(), metrics.height());
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
    if (FDrawState == fbsDisabled) {
      painter.setPen(ColorToRGB(clBtnHighlight));
      painter.drawText(textRect.translated(1, 1), flags, FCaption);
      painter.setPen(ColorToRGB(clBtnShadow));
      painter.drawText(textRect, flags, FCaption);
    } else {
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawText(textRect, flags, FCaption);
    }
  }
}
