#pragma once
// What render and sample share: the window's state as the Draw command
// leaves it, the options that set up a drawing (function file, --set,
// --view), and the run itself with its report lines.

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "files/FunctionFile.h"
#include "plot/DrawCommand.h"
#include "fileio/FileIo.h"

class TRenderWindow : public TDrawInputs, public TDrawOutputs, public TFunctionFields {
 public:
  // The report lines (error-dialog:, error-box:, zoom:, length:, drawn:)
  // go to the given stream.
  explicit TRenderWindow(std::FILE* report);

  std::string FieldText(TField field) const override { return texts_[Index(field)]; }
  void SetFieldText(TField field, const std::string& text) override { texts_[Index(field)] = text; }
  TView View() const override { return view_; }
  void SetView(TView view) { view_ = view; }

  void SetZoomLabel(const std::string& text) override { zoomLabel_ = text; }
  void SetLengthLabel(const std::string& text) override { lengthLabel_ = text; }
  void ShowErrorDialog(const std::string& text) override { Say("error-dialog: " + text); }
  void SetGraphDrawn(bool drawn) override { graphDrawn_ = drawn; }
  bool GraphDrawn() const { return graphDrawn_; }
  const std::string& ZoomLabel() const { return zoomLabel_; }
  const std::string& LengthLabel() const { return lengthLabel_; }
  void ShowErrorBox(const std::string& text);

  // The zoom:, length: and drawn: lines.
  void PrintState() const;

 private:
  static std::size_t Index(TField field) { return static_cast<std::size_t>(field); }
  void Say(const std::string& line) const;

  std::FILE* report_;
  std::array<std::string, AllFields.size()> texts_;
  TView view_ = TView::Isometric;
  // The graph window's labels as it starts: "Zoom  :" has two spaces.
  std::string zoomLabel_ = "Zoom  :";
  std::string lengthLabel_ = "Length :";
  bool graphDrawn_ = false;
};

struct TDrawRequest {
  std::string File;
  bool HaveFile = false;
  std::vector<std::string> Sets;  // NAME=TEXT, in order
  TView View = TView::Isometric;
};

// Takes the current argument if it is FILE, --set or --view. Returns 1 when
// taken, 0 when it is none of them, 2 after reporting a usage error.
int TakeDrawArgument(const std::string& command, TArguments& args, TDrawRequest& request);

// Loads the file, applies the --set lines and runs the Draw command, with
// the report lines of its messages (not the state lines). Returns 0 when
// the command ran to its end, 1 when it stopped on a message, 2 when the
// function file could not be loaded (reported also on standard error).
int LoadAndDraw(const TDrawRequest& request, TRenderWindow& window, TPicture& picture,
                TSampleObserver* observer = nullptr);

// Writes a picture's or a table's bytes to the file through the safe
// replace. When that fails, shows the error box the window would show and
// returns the reason for standard error; returns "" when the file is saved.
std::string SaveOutput(TRenderWindow& window, const std::string& path, const void* data, std::size_t size);
// The same for a save that failed on its own: the error box, and the reason.
std::string ReportSaveError(TRenderWindow& window, const std::string& path, const TSaveError& error);
