#pragma once
// A TDialogs that shows nothing: it keeps every text it was given and
// answers from scripted queues, so windows can be driven headless.

#include <QStringList>
#include <deque>
#include <vector>

#include "app/Dialogs.h"

struct TDialogRecord {
  enum Kind { Error, ErrorBox, Question, Open, Save };
  Kind What;
  QString Caption;
  QString Text;
  TFileDialogOptions Options;
};

class TRecordingDialogs : public TDialogs {
 public:
  void ErrorDialog(const QString& text) override;
  void ErrorBox(const QString& text) override;
  bool AskYesNo(const QString& caption, const QString& text) override;
  std::optional<QString> OpenFileName(const TFileDialogOptions& options) override;
  std::optional<QString> SaveFileName(const TFileDialogOptions& options) override;

  // The texts of the error dialogs and error boxes, in order.
  QStringList Messages() const;
  // The records of one kind.
  std::vector<TDialogRecord> Of(TDialogRecord::Kind kind) const;
  void Clear() { Records.clear(); }

  std::vector<TDialogRecord> Records;
  // Answers, consumed front first; when a queue is empty the question is
  // answered No and a file dialog is cancelled.
  std::deque<bool> YesNoAnswers;
  std::deque<std::optional<QString>> FileAnswers;

 private:
  std::optional<QString> NextFileAnswer();
};
