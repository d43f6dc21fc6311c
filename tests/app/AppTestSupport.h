#pragma once
// Helpers of the window tests: a platform with pinned facts, a temporary
// folder, and the whole program started as at start-up but with recording
// dialogs.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "app/Application.h"
#include "app/Platform.h"
#include "app/RecordingDialogs.h"

class TPinnedPlatform : public TPlatform {
 public:
  int ScreenWidth() const override { return Width; }
  int ScreenHeight() const override { return Height; }
  QString ProgramPath() const override { return Path; }

  int Width = 1280;
  int Height = 1024;
  QString Path;
};

struct TStartedProgram {
  // The argument as the system's bytes, or as a text in the file name encoding.
  explicit TStartedProgram(const QByteArray& firstArgument, bool show = true);
  explicit TStartedProgram(const QString& firstArgument = {}, bool show = true);

  QString File(const QString& name) const { return Folder.filePath(name); }

  QTemporaryDir Folder;
  TRecordingDialogs Dialogs;
  TPinnedPlatform Platform;
  int AssociationOffers = 0;
  std::unique_ptr<THelixor> Program;
};

QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);
