#pragma once

#include <string>
// Facts about the machine and the running program, each read in one place
// so that tests can pin them.

#include <QMargins>
#include <QSize>
#include <QString>

class QWidget;

class TPlatform {
 public:
  virtual ~TPlatform() = default;
  // Width of the primary screen in pixels.
  virtual int ScreenWidth() const;
  // Height of the primary screen in pixels.
  virtual int ScreenHeight() const;
  // The frame the window manager gives (or, before the window is first
  // shown, will give) a top-level window; zero without a window manager.
  virtual QMargins FrameMargins(QWidget& window) const;
  // The window's outer size: its own size with that frame.
  QSize OuterSize(QWidget& window) const;
  // Puts the window's outer frame at (left, top).
  void MoveOuterTo(QWidget& window, int left, int top) const;
  // Full path of the running program's own file.
  virtual QString ProgramPath() const;
  // The folder of ProgramPath, with its trailing separator.
  QString ProgramFolder() const;
};

// A file name as the file layer takes it: UTF-8 on Windows (the layer opens
// files by their UTF-16 names, whatever the code page), the system's bytes
// elsewhere.
std::string FileLayerName(const QString& name);
