#pragma once
// Everything a person answers or reads in a modal box goes through TDialogs:
// the error dialog, the standard error box, the Yes/No question and the
// open and save file dialogs. The program uses TQtDialogs; tests use
// TRecordingDialogs, which scripts the answers and keeps the texts.

#include <QString>
#include <optional>
#include <string>

// The application title: task bar and caption of the standard error box.
inline const QString ApplicationTitle = QStringLiteral("Helixor");

struct TFileDialogOptions {
  QString Filter;          // in Qt's form, e.g. "Function (*.fnc);;All Files (*.*)"
  QString DefaultSuffix;   // without the point, e.g. "fnc"
  QString InitialPath;     // the name or path the dialog starts from
  bool AskOverwrite = false;   // save dialogs: confirm replacing a file
  bool FileMustExist = false;  // open dialogs
  bool PicturePreview = false; // show the selected picture file beside the list
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;

  // Input errors found by a command itself: caption "Error", error icon,
  // one OK button, centred on the screen.
  virtual void ErrorDialog(const QString& text) = 0;
  // The standard error box: caption "Helixor", error icon, OK; the text is
  // shown as given (see ShowError for the full-stop rule).
  virtual void ErrorBox(const QString& text) = 0;
  // A Yes/No confirmation centred on the screen; Yes is the default button
  // and Escape answers No. Returns false only for the answer No.
  virtual bool AskYesNo(const QString& caption, const QString& text) = 0;
  // The chosen file, or nothing when the dialog was cancelled.
  virtual std::optional<QString> OpenFileName(const TFileDialogOptions& options) = 0;
  virtual std::optional<QString> SaveFileName(const TFileDialogOptions& options) = 0;

  // The standard error box for an error's message, with the full stop added
  // by the program's one rule.
  void ShowError(const std::string& message);
};
