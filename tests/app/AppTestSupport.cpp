#include "app/AppTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include "app/MainUnit.h"

TStartedProgram::TStartedProgram(const QString& firstArgument, bool show)
    : TStartedProgram(QFile::encodeName(firstArgument), show) {}

TStartedProgram::TStartedProgram(const QByteArray& firstArgument, bool show) {
  Platform.Path = Folder.filePath(QStringLiteral("helixor"));
  THelixorStart start;
  start.FirstArgument = firstArgument;
  start.OfferAssociation = [this] { ++AssociationOffers; };
  Program = std::make_unique<THelixor>(Dialogs, Platform, start);
  if (show) {
    Program->Show();
    QApplication::setActiveWindow(&Program->MainForm());
    (void)QTest::qWaitForWindowActive(&Program->MainForm());
  }
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}
