// helixor-cli sample: the Draw command's drawing pass as a table. One CSV
// line per sample drawn, t, x, y and z each as the shortest decimal text
// that reads back to the same 80-bit value; the report lines go to
// standard error.

#include <clocale>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "evaluator/DecimalText.h"
#include "cli/DrawRun.h"
#include "cli/Report.h"

namespace {

const char* const Command = "sample";

// Writes the rows as they come, to standard output or into the file's
// save, in blocks of 64 KiB: memory stays the same however many rows there
// are, and a command that stops part-way has written the rows before the
// stop.
class TTableWriter : public TSampleObserver {
 public:
  // Save is null for standard output.
  explicit TTableWriter(TFileSave* save) : save_(save) { Append("t,x,y,z\n"); }

  void SampleDrawn(int, Extended t, Extended x, Extended y, Extended z, Extended, Extended) override {
    char line[4 * 64];  // FormatShortest needs 64 characters of room
    char* p = line;
    for (Extended value : {t, x, y, z}) {
      if (p != line) *p++ = ',';
      p = FormatShortest(p, BitsOfExtended(value));
    }
    *p++ = '\n';
    Append(std::string_view(line, static_cast<std::size_t>(p - line)));
  }

  // Writes what is left; false when writing failed.
  bool Finish() {
    Flush();
    if (failed_) return false;
    return save_ || FlushStandardOutput();
  }
  // The failed save's error, if writing into it failed.
  const std::optional<TSaveError>& SaveError() const { return saveError_; }

 private:
  void Append(std::string_view text) {
    kept_.append(text);
    if (kept_.size() >= 1 << 16) Flush();
  }
  void Flush() {
    if (!failed_ && !kept_.empty()) {
      if (save_) {
        saveError_ = save_->Write(kept_.data(), kept_.size());
        failed_ = saveError_.has_value();
      } else if (!WriteStandardOutput(kept_.data(), kept_.size())) {
        failed_ = true;
      }
    }
    kept_.clear();
  }

  TFileSave* save_;
  bool failed_ = false;
  std::optional<TSaveError> saveError_;
  std::string kept_;
};

}  // namespace

const char* const SampleHelp =
    "usage: helixor-cli sample [FILE.fnc] [--set NAME=TEXT]... [--view VIEW] [-o TABLE]\n"
    "\n"
    "Runs the Draw command's drawing pass as render does and writes the samples as\n"
    "CSV: the header t,x,y,z, then one line per sample drawn, each number the\n"
    "shortest decimal text that reads back to the same 80-bit value. A drawing\n"
    "that stops at a sample has written the lines before it. The report lines\n"
    "(error-dialog:, error-box:, zoom:, length:, drawn:) go to standard error.\n"
    "\n"
    "  FILE.fnc            the function file to sample\n"
    "  --set NAME=TEXT     sets a field after the file is read (AEdit, BEdit, xt,\n"
    "                      yt, zt, Precission); may be repeated\n"
    "  --view VIEW         isometric (the default), front, left or bottom\n"
    "  -o, --output TABLE  writes the table to a file (- or none: standard output)\n"
    "  -h, --help          shows this help\n"
    "\n"
    "Exit status as for render.\n"
    "\n"
    "Example:\n"
    "  helixor-cli sample /usr/share/doc/helixor/examples/helix.fnc --set Precission=10\n";

int RunSample(const std::vector<std::string>& argv) {
  std::setlocale(LC_NUMERIC, "");
  TDrawRequest request;
  std::string output = "-";

  TArguments args(argv);
  while (args.Next()) {
    if (const int taken = TakeDrawArgument(Command, args, request)) {
      if (taken == 2) return 2;
      continue;
    }
    const std::string option = args.Current();
    if (args.Is("--help", 'h')) {
      std::fputs(SampleHelp, stdout);
      return 0;
    } else if (args.Is("--output", 'o')) {
      if (!args.Value(output) || output.empty())
        return UsageError(Command, "missing value for", "--output", "give a table file name, or - for standard output");
    } else {
      return UsageError(Command, "unknown option", option, "not an option of sample");
    }
  }

  const bool toStandardOutput = output == "-";
  TRenderWindow window(stderr);
  TPicture picture;
  // The file's save starts before the drawing, so that the rows go into it
  // as they come; when it cannot start, the drawing still runs and reports.
  TFileSave save;
  std::optional<TSaveError> saveError;
  if (!toStandardOutput) saveError = save.Begin(output);
  TTableWriter table(toStandardOutput || saveError ? nullptr : &save);
  TSampleObserver* observer = saveError ? nullptr : &table;
  int status = LoadAndDraw(request, window, picture, observer);
  if (status == 2) return 2;
  // The report stays one block; the problem with the table follows it.
  std::string problem;
  if (!saveError && !table.Finish()) {
    if (toStandardOutput) status = 2;  // reported with the end of standard output
    else saveError = table.SaveError();
  }
  if (!toStandardOutput && !saveError) saveError = save.Commit();
  if (saveError) problem = ReportSaveError(window, output, *saveError);
  window.PrintState();
  if (!problem.empty()) {
    ReportProblem("cannot write", output, problem);
    status = 2;
  }
  return status;
}
