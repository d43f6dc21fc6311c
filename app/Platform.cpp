#include "app/Platform.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

int TPlatform::ScreenWidth() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 0;
}

int TPlatform::ScreenHeight() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() : 0;
}

QString TPlatform::ProgramPath() const { return QCoreApplication::applicationFilePath(); }

QString TPlatform::ProgramFolder() const {
  const QString path = ProgramPath();
  return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}
