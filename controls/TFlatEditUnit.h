#pragma once
// TFlatEdit: a single-line text field without the platform frame. It paints
// a 3-pixel frame itself: one pixel ColorBorder outside, two pixels of the
// inner colour, and the text area in the inner colour. The inner colour is
// ColorFocused while the field has the focus, or while the mouse is over it
// and no other flat edit has the focus; otherwise ColorFlat.

#include "controls/FlatUtilitys.h"

#include <QLineEdit>

class TFlatEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TFlatEdit(QWidget* parent = nullptr);

  TColor ColorFocused() const { return FColorFocused; }
  void SetColorFocused(TColor value);
  TColor ColorBorder() const { return FColorBorder; }
  void SetColorBorder(TColor value);
  TColor ColorFlat() const { return FColorFlat; }
  void SetColorFlat(TColor value);  // also turns ParentColor off
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  bool UseAdvColors() const { return FUseAdvColors; }
  void SetUseAdvColors(bool value);
  TAdvColors AdvColorFocused() const { return FAdvColorFocused; }
  void SetAdvColorFocused(TAdvColors value);
  TAdvColors AdvColorBorder() const { return FAdvColorBorder; }
  void SetAdvColorBorder(TAdvColors value);
  QString HelpKeyword() const { return FHelpKeyword; }
  void SetHelpKeyword(const QString& value) { FHelpKeyword = value; }

  bool MouseOver() const { return FMouseOver; }
  // True while the frame and text area show ColorFocused.
  bool Highlighted() const;

  // Height = text height of the font (usWinAscent + usWinDescent) + 6.
  void FitHeightToFont();
  void ApplyAdvColors();
  // Chooses the look, sets the text area's background and repaints the frame.
  void PaintFrame();

 signals:
  void OnEnter();
  void OnExit();
  // Only when the text really changes, by typing or by setText.
  void OnChange();
  // Before the base key handling; Key is the Qt key code (Enter arrives as
  // Qt::Key_Return or Qt::Key_Enter). Setting Key to 0 suppresses the base handling.
  void OnKeyDown(int& Key, Qt::KeyboardModifiers Shift);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void ParentColorChanged();
  void TakeParentColor();
  void SetBackground(TColor color);

  bool FUseAdvColors = false;
  TAdvColors FAdvColorFocused = 10;
  TAdvColors FAdvColorBorder = 50;
  bool FParentColor = true;
  TColor FColorFocused = 16777215;
  TColor FColorBorder = 8623776;
  TColor FColorFlat = 14805739;
  bool FMouseOver = false;
  QString FHelpKeyword;
  bool FSettingPalette = false;
};
