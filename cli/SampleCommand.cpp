// helixor-cli sample: the Draw command's drawing pass as a table. One CSV
// line per sample drawn, t, x, y and z each as the shortest decimal text
// that reads back to the same 80-bit value; the report lines go to
// standard error.

#include <charconv>
#include <clocale>
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/DrawRun.h"
#include "cli/Report.h"

namespace {

const char* const Command = "sample";

// Writes the rows as they come: to standard output at once, so a command
// that stops part-way has written the rows before the stop; for a file
// they are kept and saved in one piece at the end.
class TTableWriter : public TSampleObserver {
 public:
  explicit TTableWriter(bool toStandardOutput) : toStandardOutput_(toStandardOutput) { Append("t,x,y,z\n"); }

  void SampleDrawn(int, Extended t, Extended x, Extended y, Extended z, Extended, Extended) override {
    char line[4 * 32];
    char* p = line;
    for (Extended value : {t, x, y, z}) {
      if (p != line) *p++ = ',';
      p = std::to_chars(p, line + sizeof line, value).ptr;
    }
    *p++ = '\n';
    Append(std::string_view(line, static_cast<std::size_t>(p - line)));
  }

  // Writes what is left; false when standard output failed.
  bool Finish() {
    if (!toStandardOutput_) return true;
    Flush();
    return !failed_ && FlushStandardOutput();
  }
  const std::string& Kept() const { return kept_; }

 private:
  void Append(std::string_view text) {
    kept_.append(text);
    if (toStandardOutput_ && kept_.size() >= 1 << 16) Flush();
  }
  void Flush() {
    if (!failed_ && !WriteStandardOutput(kept_.data(), kept_.size())) failed_ = true;
    kept_.clear();
  }

  bool toStandardOutput_;
  bool failed_ = false;
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
  TTableWriter table(toStandardOutput);
  int status = LoadAndDraw(request, window, picture, &table);
  if (status == 2) return 2;
  // The report stays one block; the problem with the table follows it.
  std::string problem;
  if (!table.Finish()) {
    status = 2;  // reported with the end of standard output
  } else if (!toStandardOutput) {
    problem = SaveOutput(window, output, table.Kept().data(), table.Kept().size());
  }
  window.PrintState();
  if (!problem.empty()) {
    ReportProblem("cannot write", output, problem);
    status = 2;
  }
  return status;
}
