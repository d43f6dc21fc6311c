// helixor-cli render: runs the Draw command once on the main window's
// initial texts, a function file and --set lines, and prints what a user
// would see: error dialogs, error boxes, the two labels and GraphDrawn.

#include <array>
#include <clocale>
#include <cstdio>
#include <exception>
#include <string>

#include "cli/Commands.h"
#include "evaluator/Faults.h"
#include "files/FunctionFile.h"
#include "plot/DrawCommand.h"

namespace {

class TRenderWindow : public TDrawInputs, public TDrawOutputs, public TFunctionFields {
 public:
  TRenderWindow() {
    for (TField field : AllFields) texts_[Index(field)] = std::string(InitialText(field));
  }

  std::string FieldText(TField field) const override { return texts_[Index(field)]; }
  void SetFieldText(TField field, const std::string& text) override { texts_[Index(field)] = text; }
  TView View() const override { return view_; }
  void SetView(TView view) { view_ = view; }

  void SetZoomLabel(const std::string& text) override { zoomLabel_ = text; }
  void SetLengthLabel(const std::string& text) override { lengthLabel_ = text; }
  void ShowErrorDialog(const std::string& text) override { Say("error-dialog: " + text); }
  void SetGraphDrawn(bool drawn) override { graphDrawn_ = drawn; }
  bool GraphDrawn() const { return graphDrawn_; }
  void ShowErrorBox(const std::string& text) { Say("error-box: " + WithFullStop(text)); }

  void PrintState() const {
    Say("zoom: " + zoomLabel_);
    Say("length: " + lengthLabel_);
    Say(std::string("drawn: ") + (graphDrawn_ ? "true" : "false"));
  }

 private:
  static std::size_t Index(TField field) { return static_cast<std::size_t>(field); }
  static void Say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  }

  std::array<std::string, AllFields.size()> texts_;
  TView view_ = TView::Isometric;
  // The graph window's labels as it starts: "Zoom  :" has two spaces.
  std::string zoomLabel_ = "Zoom  :";
  std::string lengthLabel_ = "Length :";
  bool graphDrawn_ = false;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "helixor-cli render: %s\n", message.c_str());
  std::fputs(CliUsage, stderr);
  return 2;
}

bool ParseView(std::string name, TView& view) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (name == "isometric") view = TView::Isometric;
  else if (name == "front") view = TView::Front;
  else if (name == "left") view = TView::Left;
  else if (name == "bottom") view = TView::Bottom;
  else return false;
  return true;
}

}  // namespace

int RunRender(const std::vector<std::string>& args) {
  std::setlocale(LC_NUMERIC, "");
  std::string file, output;
  bool haveFile = false;
  TView view = TView::Isometric;
  std::vector<std::string> sets;

  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    // "--option VALUE" or "--option=VALUE".
    auto value = [&](const std::string& option, std::string& out) {
      if (arg == option) {
        if (k + 1 >= args.size()) return false;
        out = args[++k];
        return true;
      }
      out = arg.substr(option.size() + 1);
      return true;
    };
    auto is = [&](const std::string& option) { return arg == option || arg.rfind(option + "=", 0) == 0; };
    std::string text;
    if (arg == "--help" || arg == "-h") {
      std::fputs(CliUsage, stdout);
      return 0;
    } else if (is("--set")) {
      if (!value("--set", text)) return UsageError("--set needs NAME=TEXT");
      const std::size_t equals = text.find('=');
      if (equals == std::string::npos || !FieldByName(std::string_view(text).substr(0, equals)))
        return UsageError("--set needs NAME=TEXT with NAME one of AEdit, BEdit, xt, yt, zt, Precission");
      sets.push_back(text);
    } else if (is("--view")) {
      if (!value("--view", text) || !ParseView(text, view))
        return UsageError("--view takes isometric, front, left or bottom");
    } else if (is("--output")) {
      if (!value("--output", output) || output.empty()) return UsageError("--output needs a file name");
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "'");
    } else if (haveFile) {
      return UsageError("more than one function file");
    } else {
      file = arg;
      haveFile = true;
    }
  }

  TRenderWindow window;
  window.SetView(view);
  try {
    if (haveFile) Load(file, window);
    for (const std::string& line : sets) {
      // Applied as if it were the function file line NAME=TEXT.
      const std::size_t equals = line.find('=');
      window.SetFieldText(*FieldByName(std::string_view(line).substr(0, equals)), line.substr(equals + 1));
    }
  } catch (const std::exception& e) {
    window.ShowErrorBox(e.what());
    std::fflush(stdout);
    return 2;
  }

  TPicture picture;
  picture.ResetPicture(TBackground::Coord3D);
  TDrawCommand command(window, window, picture);
  int status = 1;
  try {
    command.DrawButtonClick();
    // GraphDrawn starts false here, so it tells whether the command ran to
    // its end or stopped on an error dialog.
    if (window.GraphDrawn()) status = 0;
  } catch (const std::exception& e) {
    window.ShowErrorBox(e.what());
  }

  if (!output.empty()) {
    try {
      picture.SaveToFile(output);
    } catch (const std::exception& e) {
      window.ShowErrorBox(e.what());
      status = 2;
    }
  }
  window.PrintState();
  std::fflush(stdout);
  return status;
}
