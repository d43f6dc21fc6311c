#pragma once
// The Draw command ("Draw !"): evaluates the segment, measures the extent of
// the curve, samples it, projects it in the chosen view and draws it as a red
// polyline in the graph picture; shows the zoom and the length.
//
// Toolkit-free: the main window (and helixor-cli) hands it the six field
// texts and the view through TDrawInputs, and receives the label texts, the
// error dialog's messages and GraphDrawn through TDrawOutputs. Faults
// (ConversionFault for a sample count that is no integer, DivisionByZeroFault,
// InvalidOperationFault, OverflowFault) leave DrawButtonClick as exceptions;
// the caller shows them in the standard error box, with WithFullStop.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "evaluator/Extended.h"
#include "evaluator/Rounding.h"
#include "plot/Fields.h"
#include "plot/Picture.h"

class TMathParser;

enum class TView { Isometric, Front, Left, Bottom };

// The view of a name: "isometric", "front", "left" or "bottom", in any ASCII
// letter case.
std::optional<TView> ViewByName(std::string_view name);

// What the command reads from the main window.
class TDrawInputs {
 public:
  virtual ~TDrawInputs() = default;
  // The current text of the field, UTF-8.
  virtual std::string FieldText(TField field) const = 0;
  // The view button that is down (the four form one radio group).
  virtual TView View() const = 0;
};

// What the command writes to the graph window and the main window.
class TDrawOutputs {
 public:
  virtual ~TDrawOutputs() = default;
  virtual void SetZoomLabel(const std::string& text) = 0;
  virtual void SetLengthLabel(const std::string& text) = 0;
  // The modal error dialog (caption "Error", error icon, OK); returns when closed.
  virtual void ShowErrorDialog(const std::string& text) = 0;
  // The main window's flag; the command only ever sets it to true.
  virtual void SetGraphDrawn(bool drawn) = 0;
};

// Told of every sample of the drawing pass once its step is drawn, in
// order: so a command that stops at sample i has told samples 0 to i - 1.
class TSampleObserver {
 public:
  virtual ~TSampleObserver() = default;
  // t, the unprojected point and the projected H and V (unrounded).
  virtual void SampleDrawn(int i, Extended t, Extended x, Extended y, Extended z, Extended H, Extended V) = 0;
};

// The isometric angle pi/6, from its 80-bit pattern.
Extended IsoAngle();

// sqrt(((x1 - x2)^2 + (y1 - y2)^2) + (z1 - z2)^2), summed in that order.
// Throws OverflowFault when a step leaves the 80-bit range.
Extended Distance(Extended x1, Extended y1, Extended z1, Extended x2, Extended y2, Extended z2);

// One per program: it owns the evaluator instance and CurrentT, which keeps
// the t of the last sample evaluated from one command to the next.
class TDrawCommand {
 public:
  TDrawCommand(TDrawInputs& inputs, TDrawOutputs& outputs, TPicture& picture);
  ~TDrawCommand();
  TDrawCommand(const TDrawCommand&) = delete;
  TDrawCommand& operator=(const TDrawCommand&) = delete;

  // The whole command. Throws a Fault for the standard error box; what was
  // drawn and set before the fault stays.
  void DrawButtonClick();

  // The extent pass over the segment [A, B]: the largest of |u|, |v| (the
  // isometric coordinates) and |z| over 101 samples; 0 after a function
  // failed (its message already shown).
  Extended GetMax(Extended A, Extended B);
  // One pixel step of the polyline: sample 0 moves the pen, later ones draw.
  // Throws InvalidOperationFault when a rounded coordinate leaves 64 bits.
  void Draw(int i, Extended H, Extended V);
  // The evaluator's name lookup: t (CurrentT), pi, e; anything else not found.
  void ParserGetVar(TMathParser& Sender, std::string_view VarName, Extended& Value, bool& Found);

  Extended CurrentT() const { return currentT_; }
  void SetCurrentT(Extended t) { currentT_ = t; }
  TMathParser& Parser() { return *parser_; }
  // Not owned; null for none.
  void SetSampleObserver(TSampleObserver* observer) { observer_ = observer; }

 private:
  // Evaluates the field's current text; false when the evaluation failed.
  bool Evaluate(TField field, Extended& value);
  // Evaluates x, y and z; on a failure shows its message and returns false.
  bool EvaluateFunctions(Extended& x, Extended& y, Extended& z);

  TDrawInputs& inputs_;
  TDrawOutputs& outputs_;
  TPicture& picture_;
  std::unique_ptr<TMathParser> parser_;
  Extended currentT_ = 0;
  TSampleObserver* observer_ = nullptr;
  // The six texts as the command found them when it started.
  std::string texts_[AllFields.size()];
};

