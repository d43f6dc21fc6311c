#include "cli/DrawRun.h"

#include <exception>
#include <optional>

#include "cli/Report.h"
#include "evaluator/Faults.h"
#include "plot/PictureFiles.h"

TRenderWindow::TRenderWindow(std::FILE* report) : report_(report) {
  for (TField field : AllFields) texts_[Index(field)] = std::string(InitialText(field));
}

void TRenderWindow::ShowErrorBox(const std::string& text) { Say("error-box: " + WithFullStop(text)); }

void TRenderWindow::PrintState() const {
  Say("zoom: " + zoomLabel_);
  Say("length: " + lengthLabel_);
  Say(std::string("drawn: ") + (graphDrawn_ ? "true" : "false"));
  if (report_ == stdout) (void)FlushStandardOutput();
  else std::fflush(report_);
}

void TRenderWindow::Say(const std::string& line) const {
  std::fwrite(line.data(), 1, line.size(), report_);
  std::fputc('\n', report_);
}

int TakeDrawArgument(const std::string& command, TArguments& args, TDrawRequest& request) {
  std::string text;
  if (args.IsOperand()) {
    if (request.HaveFile)
      return UsageError(command, "second function file", args.Current(),
                        "give one FILE.fnc, and --set for single fields");
    request.File = args.Current();
    request.HaveFile = true;
    return 1;
  }
  if (args.Is("--set")) {
    if (!args.Value(text)) return UsageError(command, "missing value for", "--set", "give NAME=TEXT");
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || !FieldByName(std::string_view(text).substr(0, equals)))
      return UsageError(command, "invalid field setting", text,
                        "give NAME=TEXT, NAME one of AEdit, BEdit, xt, yt, zt, Precission");
    request.Sets.push_back(text);
    return 1;
  }
  if (args.Is("--view")) {
    if (!args.Value(text))
      return UsageError(command, "missing value for", "--view", "give isometric, front, left or bottom");
    const std::optional<TView> view = ViewByName(text);
    if (!view)
      return UsageError(command, "unknown view", text, "use isometric, front, left or bottom");
    request.View = *view;
    return 1;
  }
  return 0;
}

int LoadAndDraw(const TDrawRequest& request, TRenderWindow& window, TPicture& picture,
                TSampleObserver* observer) {
  window.SetView(request.View);
  try {
    if (request.HaveFile) Load(request.File, window);
    for (const std::string& line : request.Sets) {
      // Applied as if it were the function file line NAME=TEXT.
      const std::size_t equals = line.find('=');
      window.SetFieldText(*FieldByName(std::string_view(line).substr(0, equals)), line.substr(equals + 1));
    }
  } catch (const std::exception& e) {
    window.ShowErrorBox(UserTextOf(e));
    ReportProblem("cannot load", request.File, ReasonOfFault(UserTextOf(e)));
    return 2;
  }

  picture.ResetPicture(TBackground::Coord3D);
  TDrawCommand command(window, window, picture);
  command.SetSampleObserver(observer);
  try {
    command.DrawButtonClick();
    // GraphDrawn starts false here, so it tells whether the command ran to
    // its end or stopped on an error dialog.
    return window.GraphDrawn() ? 0 : 1;
  } catch (const std::exception& e) {
    window.ShowErrorBox(UserTextOf(e));
  }
  return 1;
}

std::string SaveOutput(TRenderWindow& window, const std::string& path, const void* data, std::size_t size) {
  // The picture goes after any report line already written, should the
  // file be standard output itself.
  (void)FlushStandardOutput();
  if (auto error = ReplaceFileContents(path, data, size)) return ReportSaveError(window, path, *error);
  return "";
}

std::string ReportSaveError(TRenderWindow& window, const std::string& path, const TSaveError& error) {
  try {
    ThrowSaveError(path, error);
  } catch (const std::exception& e) {
    window.ShowErrorBox(UserTextOf(e));
  }
  return WithSaveNote(ReasonOfErrno(error.Errno), error);
}
