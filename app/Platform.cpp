#include "app/Platform.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "app/FrameExtents.h"

int TPlatform::ScreenWidth() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 0;
}

int TPlatform::ScreenHeight() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() : 0;
}

QMargins TPlatform::FrameMargins(QWidget& window) const { return WindowFrameMargins(window); }

QSize TPlatform::OuterSize(QWidget& window) const {
  const QMargins frame = FrameMargins(window);
  return window.size().grownBy(frame);
}

void TPlatform::MoveOuterTo(QWidget& window, int left, int top) const {
  ::MoveOuterTo(window, QPoint(left, top), FrameMargins(window));
}

QString TPlatform::ProgramPath() const { return QCoreApplication::applicationFilePath(); }

QString TPlatform::ProgramFolder() const {
  const QString path = ProgramPath();
  return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

std::string FileLayerName(const QString& name) {
#ifdef _WIN32
  return name.toUtf8().toStdString();
#else
  return QFile::encodeName(name).toStdString();
#endif
}
