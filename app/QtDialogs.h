#pragma once
// The dialogs as the user sees them: message boxes and file dialogs.

#include <QFileDialog>

#include "app/Dialogs.h"

class QLabel;

// The open and save dialogs. Both refuse a name in a folder that does not
// exist: they say so and stay open. With PicturePreview the dialog shows
// the selected picture file beside the list, the proposed one at once.
class TFileDialog : public QFileDialog {
 public:
  TFileDialog(const TFileDialogOptions& options, bool saving, QWidget* parent = nullptr);

  // The preview, or null without PicturePreview.
  QLabel* Preview() const { return preview_; }
  void accept() override;

 private:
  void ShowPreview(const QString& path);

  QLabel* preview_ = nullptr;
};

class TQtDialogs : public TDialogs {
 public:
  void ErrorDialog(const QString& text) override;
  void ErrorBox(const QString& text) override;
  bool AskYesNo(const QString& caption, const QString& text) override;
  std::optional<QString> OpenFileName(const TFileDialogOptions& options) override;
  std::optional<QString> SaveFileName(const TFileDialogOptions& options) override;
};
