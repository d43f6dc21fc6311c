#pragma once
// TGraphForm: the graph window. It owns the picture the Draw command draws
// into and shows it unscaled, with the axis letters and the zoom and length
// texts lying over it.

#include <QWidget>
#include <functional>

#include "plot/Picture.h"

class QLabel;
class TPlatform;

class TGraphForm : public QWidget {
  Q_OBJECT

 public:
  explicit TGraphForm(QWidget* parent = nullptr);

  // Placement and first picture: centred horizontally on a screen of the
  // given width by its outer width, the outer top edge at the main window's
  // bottom (it stands at top 10 and is mainWindowHeight high, frame included).
  void FormCreate(const TPlatform& platform, int mainWindowHeight);
  // The placement alone.
  void Place(const TPlatform& platform, int mainWindowHeight);

  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }
  // The picture becomes a fresh copy of a background.
  void ResetPicture(TBackground background);
  // Repaints the picture after the Draw command changed it.
  void PictureChanged();

  void SetZoomText(const QString& text);
  void SetLengthText(const QString& text);

  // Called when the user closes the window with its close box (not when it
  // is hidden by the "Show Graph" command); the window then hides.
  std::function<void()> OnCloseBox;
  // Called when the window manager minimises the window or brings it back.
  std::function<void()> OnMinimisedChange;

  // Whether the window can be seen: shown and not minimised.
  bool IsShown() const { return isVisible() && !isMinimized(); }
  // Shows the window, from the minimised state too, and raises it.
  void ShowRestored();

  QWidget* Graph;
  QLabel* ZLabel;
  QLabel* YLabel;
  QLabel* XLabel;
  QLabel* ZoomLabel;
  QLabel* LengthLabel;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  TPicture picture_;
};
