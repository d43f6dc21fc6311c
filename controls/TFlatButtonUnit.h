#pragma once
// TFlatButton: a button that paints itself completely (bevel frame, face,
// optional glyph strip, one-line caption) into an off-screen image and copies
// it once. Four drawing states, a hover look tracked by one timer shared by
// all flat buttons, radio-like groups among buttons of the same parent, an
// embossed disabled look, accelerators from '&' in the caption, and a modal
// result for dialogs.
//
// Accelerator: Alt with the character after '&' in the caption, anywhere in
// the button's window, clicks an enabled button without changing Down.
//
// Modal result: Click() stores ModalResult() in the containing window's
// dynamic property "ModalResult"; when that window is a QDialog and the
// result is not 0, the dialog is also closed with QDialog::done(result).

#include "controls/FlatUtilitys.h"

#include <QImage>
#include <QWidget>

class QTimer;

enum TFlatButtonState { fbsUp = 0, fbsDisabled = 1, fbsDown = 2, fbsExclusive = 3 };

class TFlatButton : public QWidget {
  Q_OBJECT
 public:
  explicit TFlatButton(QWidget* parent = nullptr);
  ~TFlatButton() override;

  QString Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  // The face colour: the parent's colour while ParentColor is true.
  TColor Color() const;
  void SetColor(TColor value);  // also turns ParentColor off
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);

  TColor ColorFocused() const { return FColorFocused; }
  void SetColorFocused(TColor value);
  TColor ColorDown() const { return FColorDown; }
  void SetColorDown(TColor value);
  TColor ColorBorder() const { return FColorBorder; }
  void SetColorBorder(TColor value);
  TColor ColorHighLight() const { return FColorHighLight; }
  void SetColorHighLight(TColor value);
  TColor ColorShadow() const { return FColorShadow; }
  void SetColorShadow(TColor value);

  bool UseAdvColors() const { return FUseAdvColors; }
  void SetUseAdvColors(bool value);
  TAdvColors AdvColorFocused() const { return FAdvColorFocused; }
  void SetAdvColorFocused(TAdvColors value);
  TAdvColors AdvColorDown() const { return FAdvColorDown; }
  void SetAdvColorDown(TAdvColors value);
  TAdvColors AdvColorBorder() const { return FAdvColorBorder; }
  void SetAdvColorBorder(TAdvColors value);
  void ApplyAdvColors();

  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value);
  bool Down() const { return FDown; }
  void SetDown(bool value);
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool value);
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int value) { FModalResult = value; }

  QImage Glyph() const { return FGlyph; }
  void SetGlyph(const QImage& value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);
  int Margin() const { return FMargin; }
  void SetMargin(int value);  // values below -1 are ignored

  // Tab stop: Qt::StrongFocus; otherwise Qt::ClickFocus. Either way a press
  // takes the focus.
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);

  TFlatButtonState DrawState() const { return FDrawState; }
  bool MouseOver() const { return FMouseOver; }
  bool Pressing() const { return FPressing; }
  TRect CaptionRect() const { return FCaptionRect; }
  QPoint GlyphOrigin() const { return FGlyphOrigin; }

  // Gives the containing window the modal result, then fires OnClick.
  void Click();

  // Hover tracking, shared by all flat buttons.
  void MouseEnterButton();
  void MouseLeaveButton();
  void StopHoverTracking();
  void UpdateHoverTracking();
  static TFlatButton* HoverButton();
  static int ButtonCount();
  static QTimer* HoverTimer();

 signals:
  void OnClick();
  void OnDblClick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void NotifyGroup();
  void GroupPressed(int groupIndex, TFlatButton* sender);
  void HoverTimerTick();
  void HoverStart(const QPoint& globalPos);
  bool Inside(const QPoint& pos) const;
  void UpdateAccelerator();
  void ColoursChanged(bool systemColours);
  void PaintFace(QImage& image);

  int FModalResult = 0;
  bool FUseAdvColors = false;
  TAdvColors FAdvColorFocused = 10;
  TAdvColors FAdvColorDown = 10;
  TAdvColors FAdvColorBorder = 50;
  TRect FCaptionRect;
  QPoint FGlyphOrigin;
  int FNumGlyphs = 1;
  TColor FColorDown = 12965593;
  TColor FColorBorder = 8623776;
  TColor FColorHighLight = 16777215;
  TColor FColorShadow = 0;
  TColor FColorFocused = 14805739;
  int FGroupIndex = 0;
  QImage FGlyph;
  bool FDown = false;
  bool FPressing = false;
  bool FAllowAllUp = false;
  TButtonLayout FLayout = blGlyphTop;
  int FSpacing = 4;
  int FMargin = -1;
  bool FMouseOver = false;
  TFlatButtonState FDrawState = fbsUp;

  QString FCaption;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  bool FTabStop = false;
  int FShortcutId = 0;
};
