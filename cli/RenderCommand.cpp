// helixor-cli render: runs the Draw command once on the main window's
// initial texts, a function file and --set lines, and prints what a user
// would see: error dialogs, error boxes, the two labels and GraphDrawn.
// The picture goes to a BMP, PNG or SVG file, or to standard output.

#include <clocale>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/DrawRun.h"
#include "cli/Report.h"
#include "evaluator/Faults.h"
#include "paint/LabelledPicture.h"
#include "plot/PictureFiles.h"
#include "plot/SvgPicture.h"

namespace {

const char* const Command = "render";

// Writes the SVG picture's points as they are drawn, into the file's save
// or to standard output, so that memory stays the same however many
// samples there are.
class TSvgStream : public TSampleObserver {
 public:
  TSvgStream(TView view, bool labels, TFileSave* save)
      : save_(save),
        writer_(view == TView::Isometric ? TBackground::Coord3D : TBackground::Coord2D, labels,
                [this](std::string_view bytes) { Pass(bytes); }) {}
  void SampleDrawn(int, Extended, Extended, Extended, Extended, Extended H, Extended V) override {
    writer_.Point({298 + H, 241 - V});
  }
  // Writes the labels and the end; false when writing failed.
  bool Finish(const TGraphLabelTexts* labels) {
    std::vector<TPlacedLabel> placed;
    if (labels) placed = PlaceGraphLabels(*labels);
    writer_.Finish(labels ? &placed : nullptr);
    return !failed_;
  }
  const std::optional<TSaveError>& SaveError() const { return saveError_; }

 private:
  void Pass(std::string_view bytes) {
    if (failed_) return;
    if (save_) {
      saveError_ = save_->Write(bytes.data(), bytes.size());
      failed_ = saveError_.has_value();
    } else {
      failed_ = !WriteStandardOutput(bytes.data(), bytes.size());
    }
  }
  TFileSave* save_;
  TSvgWriter writer_;
  bool failed_ = false;
  std::optional<TSaveError> saveError_;
};

std::vector<std::uint8_t> PictureBytes(TPictureFormat format, const TPicture& picture,
                                       const TGraphLabelTexts* labels) {
  switch (format) {
    case TPictureFormat::Bmp:
      return picture.BmpBytes();
    case TPictureFormat::Png:
      return labels ? PngBytes(GraphWindowImage(picture, *labels)) : PngBytes(picture);
    case TPictureFormat::Svg:
      break;  // streamed while drawing
  }
  return {};
}

}  // namespace

const char* const RenderHelp =
    "usage: helixor-cli render [FILE.fnc] [--set NAME=TEXT]... [--view VIEW]\n"
    "                          [-o PICTURE] [--format FORMAT] [--labels]\n"
    "\n"
    "Runs the Draw command once, as the window's \"Draw !\" does, on the fields of\n"
    "FILE.fnc (or the window's initial texts) and prints the messages it shows and\n"
    "the graph window's labels: error-dialog:, error-box:, zoom:, length:, drawn:.\n"
    "\n"
    "  FILE.fnc            the function file to draw\n"
    "  --set NAME=TEXT     sets a field after the file is read (AEdit, BEdit, xt,\n"
    "                      yt, zt, Precission); may be repeated\n"
    "  --view VIEW         isometric (the default), front, left or bottom\n"
    "  -o, --output PICTURE\n"
    "                      writes the 600 x 451 picture; .bmp, .png or .svg by its\n"
    "                      extension (BMP for a name without one); - writes it\n"
    "                      to standard output (BMP unless --format says\n"
    "                      otherwise) and moves the report lines to standard error\n"
    "  --format FORMAT     bmp, png or svg, whatever the extension\n"
    "  --labels            the picture as the graph window shows it: 601 x 457,\n"
    "                      with the axis letters and the zoom and length texts\n"
    "                      (PNG and SVG only)\n"
    "  -h, --help          shows this help\n"
    "\n"
    "Exit status: 0 drawn, 1 the drawing stopped on a message, 2 a usage error or a\n"
    "file that could not be read or written.\n"
    "\n"
    "Example:\n"
    "  helixor-cli render /usr/share/doc/helixor/examples/helix.fnc --view front -o helix.png\n";

int RunRender(const std::vector<std::string>& argv) {
  std::setlocale(LC_NUMERIC, "");
  TDrawRequest request;
  std::string output, formatName;
  bool haveOutput = false, haveFormat = false, labels = false;

  TArguments args(argv);
  while (args.Next()) {
    if (const int taken = TakeDrawArgument(Command, args, request)) {
      if (taken == 2) return 2;
      continue;
    }
    const std::string option = args.Current();
    if (args.Is("--help", 'h')) {
      std::fputs(RenderHelp, stdout);
      return 0;
    } else if (args.Is("--output", 'o')) {
      if (!args.Value(output) || output.empty())
        return UsageError(Command, "missing value for", "--output", "give a picture file name, or - for standard output");
      haveOutput = true;
    } else if (args.Is("--format")) {
      if (!args.Value(formatName)) return UsageError(Command, "missing value for", "--format", "give bmp, png or svg");
      haveFormat = true;
    } else if (args.Is("--labels") && !args.HasAttachedValue()) {
      labels = true;
    } else {
      return UsageError(Command, "unknown option", option, "not an option of render");
    }
  }

  // Everything about the picture is checked before anything is drawn, so a
  // usage error writes nothing.
  std::optional<TPictureFormat> format;
  if (haveFormat) {
    format = PictureFormatByName(formatName);
    if (!format) return UsageError(Command, "unknown picture format", formatName, "use bmp, png or svg");
    if (!haveOutput) return UsageError(Command, "no picture for", "--format", "give -o PICTURE as well");
  }
  const bool toStandardOutput = haveOutput && output == "-";
  // The picture written through standard output by a name: the report
  // moves to standard error as for "-", so that the two do not mix.
  const bool reportAside = toStandardOutput || (haveOutput && NamesStandardOutput(output));
  if (haveOutput && !format) {
    format = toStandardOutput ? std::optional(TPictureFormat::Bmp) : PictureFormatOfFileName(output);
    if (!format)
      return UsageError(Command, "unknown picture format", output,
                        "name the file .bmp, .png or .svg, or give --format");
  }
  if (labels && !haveOutput) return UsageError(Command, "no picture for", "--labels", "give -o PICTURE as well");
  if (labels && format == TPictureFormat::Bmp)
    return UsageError(Command, "no labels in", output, "the BMP file holds the picture only; write .png or .svg");
  if (format == TPictureFormat::Png && !PngAvailable())
    return UsageError(Command, "cannot write", output, "this build writes no PNG files");
  // Not the user's mistake: the program cannot draw them here.
  if (labels && !GraphLabelsAvailable()) {
    ReportProblem("cannot draw", "--labels", GraphLabelsUnavailableReason());
    return 2;
  }

  // With the picture on standard output the report moves to standard error.
  TRenderWindow window(reportAside ? stderr : stdout);
  TPicture picture;
  // An SVG file's save starts before the drawing, so that the points go
  // into it as they come.
  const bool svg = format == TPictureFormat::Svg;
  TFileSave save;
  std::optional<TSaveError> saveError;
  if (svg && !toStandardOutput) saveError = save.Begin(output);
  std::optional<TSvgStream> stream;
  if (svg && !saveError) stream.emplace(request.View, labels, toStandardOutput ? nullptr : &save);
  int status = LoadAndDraw(request, window, picture, stream ? &*stream : nullptr);
  if (status == 2) return 2;

  if (haveOutput) {
    TGraphLabelTexts texts;
    SetLettersOfView(texts, request.View);
    texts.ZoomLabel = window.ZoomLabel();
    texts.LengthLabel = window.LengthLabel();
    try {
      if (svg) {
        if (stream && !stream->Finish(labels ? &texts : nullptr)) {
          if (toStandardOutput) status = 2;  // reported with the end of standard output
          else saveError = stream->SaveError();
        }
        if (!toStandardOutput && !saveError) saveError = save.Commit();
        if (saveError) {
          ReportProblem("cannot write", output, ReportSaveError(window, output, *saveError));
          status = 2;
        }
      } else {
        const std::vector<std::uint8_t> bytes = PictureBytes(*format, picture, labels ? &texts : nullptr);
        if (toStandardOutput) {
          // Reported with the end of standard output, after the report.
          if (!WriteStandardOutput(bytes.data(), bytes.size()) || !FlushStandardOutput())
            status = 2;
        } else {
          const std::string problem = SaveOutput(window, output, bytes.data(), bytes.size());
          if (!problem.empty()) {
            ReportProblem("cannot write", output, problem);
            status = 2;
          }
        }
      }
    } catch (const std::exception& e) {
      window.ShowErrorBox(UserTextOf(e));
      status = 2;
    }
  }
  window.PrintState();
  (void)FlushStandardOutput();
  return status;
}
