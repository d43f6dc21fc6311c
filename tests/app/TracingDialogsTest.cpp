#include "app/TracingDialogs.h"

#include <gtest/gtest.h>

#include "app/RecordingDialogs.h"

namespace {

QStringList TracedLines(const std::function<void(TDialogs&)>& use, TRecordingDialogs& inner) {
  TTracingDialogs tracing(inner);
  testing::internal::CaptureStderr();
  use(tracing);
  const QString out = QString::fromStdString(testing::internal::GetCapturedStderr());
  return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

TEST(TracingDialogs, EachBoxIsPassedOnAndWrittenAsOneLine) {
  TRecordingDialogs inner;
  inner.YesNoAnswers = {false};
  const QStringList lines = TracedLines(
      [](TDialogs& d) {
        d.ErrorDialog(QStringLiteral("a"));
        d.ShowError("Invalid integer value");
        EXPECT_FALSE(d.AskYesNo(QStringLiteral("Confirm"),
                                QStringLiteral("first line.\n\rsecond one \\ here?")));
      },
      inner);
  EXPECT_EQ(lines, QStringList({
                       QStringLiteral("dialog: error: Error: a"),
                       QStringLiteral("dialog: error box: Helixor: Invalid integer value."),
                       QStringLiteral("dialog: question: Confirm: first line.\\n\\rsecond one \\\\ here?"),
                       QStringLiteral("dialog: answer: no"),
                   }));
  ASSERT_EQ(inner.Records.size(), 3u);
  EXPECT_EQ(inner.Records[1].Text, QStringLiteral("Invalid integer value."));
  EXPECT_EQ(inner.Records[2].Caption, QStringLiteral("Confirm"));
}

TEST(TracingDialogs, FileDialogsReportTheChosenNameOrTheCancel) {
  TRecordingDialogs inner;
  inner.FileAnswers = {QStringLiteral("C:/work/out.fnc"), std::nullopt};
  TFileDialogOptions options;
  options.Filter = QStringLiteral("Function (*.fnc)");
  options.InitialPath = QStringLiteral("helix.fnc");
  std::optional<QString> saved, opened;
  const QStringList lines = TracedLines(
      [&](TDialogs& d) {
        saved = d.SaveFileName(options);
        opened = d.OpenFileName(options);
      },
      inner);
  EXPECT_EQ(saved, QStringLiteral("C:/work/out.fnc"));
  EXPECT_EQ(opened, std::nullopt);
  EXPECT_EQ(lines, QStringList({
                       QStringLiteral("dialog: save: Function (*.fnc): helix.fnc"),
                       QStringLiteral("dialog: answer: C:/work/out.fnc"),
                       QStringLiteral("dialog: open: Function (*.fnc): helix.fnc"),
                       QStringLiteral("dialog: answer: cancel"),
                   }));
}
