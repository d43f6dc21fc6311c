#pragma once
// Passes every box and file dialog on to other dialogs and writes one line
// about it to standard error first: the kind, the caption and the text, and
// afterwards the answer. The program uses it when HELIXOR_TRACE_DIALOGS is
// set, so that a test driving the real windows from outside (where the
// boxes' texts cannot be read back) learns what was asked.
//
// A line reads "dialog: KIND: CAPTION: TEXT" with newlines and carriage
// returns written as \n and \r; "dialog: answer: ..." follows a question
// or a file dialog.

#include "app/Dialogs.h"

class TTracingDialogs : public TDialogs {
 public:
  explicit TTracingDialogs(TDialogs& inner) : inner_(inner) {}

  void ErrorDialog(const QString& text) override;
  void ErrorBox(const QString& text) override;
  bool AskYesNo(const QString& caption, const QString& text) override;
  std::optional<QString> OpenFileName(const TFileDialogOptions& options) override;
  std::optional<QString> SaveFileName(const TFileDialogOptions& options) override;

  // The line written for a box (without its newline).
  static QByteArray Line(const char* kind, const QString& caption, const QString& text);

 private:
  TDialogs& inner_;
};
