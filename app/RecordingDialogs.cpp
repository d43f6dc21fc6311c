#include "app/RecordingDialogs.h"

void TRecordingDialogs::ErrorDialog(const QString& text) {
  Records.push_back({TDialogRecord::Error, QStringLiteral("Error"), text, {}});
}

void TRecordingDialogs::ErrorBox(const QString& text) {
  Records.push_back({TDialogRecord::ErrorBox, ApplicationTitle, text, {}});
}

bool TRecordingDialogs::AskYesNo(const QString& caption, const QString& text) {
  Records.push_back({TDialogRecord::Question, caption, text, {}});
  if (YesNoAnswers.empty()) return false;
  const bool answer = YesNoAnswers.front();
  YesNoAnswers.pop_front();
  return answer;
}

std::optional<QString> TRecordingDialogs::OpenFileName(const TFileDialogOptions& options) {
  Records.push_back({TDialogRecord::Open, {}, {}, options});
  return NextFileAnswer();
}

std::optional<QString> TRecordingDialogs::SaveFileName(const TFileDialogOptions& options) {
  Records.push_back({TDialogRecord::Save, {}, {}, options});
  return NextFileAnswer();
}

std::optional<QString> TRecordingDialogs::NextFileAnswer() {
  if (FileAnswers.empty()) return std::nullopt;
  const bool given = FileAnswers.front().has_value();
  const QString name = FileAnswers.front().value_or(QString());
  FileAnswers.pop_front();
  if (!given) return std::nullopt;
  return name;
}

QStringList TRecordingDialogs::Messages() const {
  QStringList texts;
  for (const auto& r : Records)
    if (r.What == TDialogRecord::Error || r.What == TDialogRecord::ErrorBox) texts << r.Text;
  return texts;
}

std::vector<TDialogRecord> TRecordingDialogs::Of(TDialogRecord::Kind kind) const {
  std::vector<TDialogRecord> out;
  for (const auto& r : Records)
    if (r.What == kind) out.push_back(r);
  return out;
}
