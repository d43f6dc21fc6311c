#pragma once
// The dialogs as the user sees them: message boxes and file dialogs.

#include "app/Dialogs.h"

class TQtDialogs : public TDialogs {
 public:
  void ErrorDialog(const QString& text) override;
  void ErrorBox(const QString& text) override;
  bool AskYesNo(const QString& caption, const QString& text) override;
  std::optional<QString> OpenFileName(const TFileDialogOptions& options) override;
  std::optional<QString> SaveFileName(const TFileDialogOptions& options) override;
};
