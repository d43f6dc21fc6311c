// The page's module: Helixor's evaluator, Draw command, picture and function
// files compiled to WebAssembly, behind one small interface for JavaScript.
// A session is the program's state that the page's worker keeps: the six
// field texts, the view, the graph picture, the two labels, GraphDrawn and
// the Draw command with its CurrentT. The page owns what is shown; it hands
// the texts in before each command and takes the results out.

#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "evaluator/Constants.h"
#include "evaluator/DecimalText.h"
#include "evaluator/Faults.h"
#include "evaluator/Numeral.h"
#include "evaluator/Parser.h"
#include "files/FunctionFile.h"
#include "plot/DrawCommand.h"
#include "plot/NumberText.h"
#include "plot/Picture.h"
#include "plot/SvgPicture.h"

using emscripten::val;

namespace {

// A copy of the bytes as a Uint8Array of JavaScript's own, which stays valid
// when the module's memory grows.
val BytesToJs(const void* data, std::size_t size) {
  return val::global("Uint8Array").new_(emscripten::typed_memory_view(size, static_cast<const std::uint8_t*>(data)));
}

std::string BitsText(Extended value) {
  const ExtendedBits bits = BitsOfExtended(value);
  char text[24];
  std::snprintf(text, sizeof text, "%04X:%016llX", static_cast<unsigned>(bits.SignExponent),
                static_cast<unsigned long long>(bits.Significand));
  return text;
}

// The SVG of a drawing, point by point as it is drawn.
class TSvgCollector : public TSampleObserver {
 public:
  explicit TSvgCollector(TView view)
      : writer_(view == TView::Isometric ? TBackground::Coord3D : TBackground::Coord2D, false,
                [this](std::string_view block) { text_.append(block); }) {}
  void SampleDrawn(int, Extended, Extended, Extended, Extended, Extended H, Extended V) override {
    writer_.Point({298 + H, 241 - V});
  }
  std::string Finish() {
    writer_.Finish(nullptr);
    return std::move(text_);
  }

 private:
  std::string text_;
  TSvgWriter writer_;
};

// Tells the page how far a drawing has come, a few times a second.
class TProgress : public TSampleObserver {
 public:
  TProgress(val callback, int total) : callback_(std::move(callback)), total_(total) {}
  void SampleDrawn(int i, Extended t, Extended, Extended, Extended, Extended, Extended) override {
    if ((i & 4095) != 4095) return;
    const double now = emscripten_get_now();
    if (now - last_ < 150) return;
    last_ = now;
    callback_(i + 1, total_, BitsText(t));
  }

 private:
  val callback_;
  int total_;
  double last_ = emscripten_get_now();
};

// Passes each sample to two observers.
class TBoth : public TSampleObserver {
 public:
  TBoth(TSampleObserver* a, TSampleObserver* b) : a_(a), b_(b) {}
  void SampleDrawn(int i, Extended t, Extended x, Extended y, Extended z, Extended H, Extended V) override {
    if (a_) a_->SampleDrawn(i, t, x, y, z, H, V);
    if (b_) b_->SampleDrawn(i, t, x, y, z, H, V);
  }

 private:
  TSampleObserver* a_;
  TSampleObserver* b_;
};

}  // namespace

class TWebSession : public TDrawInputs, public TDrawOutputs, public TFunctionFields {
 public:
  TWebSession() : command_(*this, *this, picture_) {
    for (TField field : AllFields) texts_[Index(field)] = std::string(InitialText(field));
    picture_.ResetPicture(TBackground::Coord3D);
  }

  // TDrawInputs, TFunctionFields
  std::string FieldText(TField field) const override { return texts_[Index(field)]; }
  void SetFieldText(TField field, const std::string& text) override { texts_[Index(field)] = text; }
  TView View() const override { return view_; }
  // TDrawOutputs
  void SetZoomLabel(const std::string& text) override { zoom_ = text; }
  void SetLengthLabel(const std::string& text) override { length_ = text; }
  void ShowErrorDialog(const std::string& text) override { Tell("dialog", text); }
  void SetGraphDrawn(bool drawn) override {
    graphDrawn_ = drawn;
    drawnNow_ = drawnNow_ || drawn;
  }

  // The page's interface. Field names are the controls' names ("AEdit",
  // "Precission", ...); unknown ones are ignored and read as "".
  void SetField(const std::string& name, const std::string& text) {
    if (auto field = FieldByName(name)) SetFieldText(*field, text);
  }
  std::string Field(const std::string& name) const {
    auto field = FieldByName(name);
    return field ? FieldText(*field) : std::string();
  }
  bool SetView(const std::string& name) {
    const std::optional<TView> view = ViewByName(name);
    if (view) view_ = *view;
    return view.has_value();
  }
  bool GraphDrawn() const { return graphDrawn_; }
  void SetGraphDrawnFlag(bool drawn) { graphDrawn_ = drawn; }
  std::string ZoomLabel() const { return zoom_; }
  std::string LengthLabel() const { return length_; }
  std::string CurrentT() const { return BitsText(command_.CurrentT()); }
  // A CurrentT the page kept, "SSSS:MMMMMMMMMMMMMMMM"; false when malformed.
  bool SetCurrentT(const std::string& text) {
    unsigned se = 0;
    unsigned long long m = 0;
    char end = 0;
    if (text.size() != 21 || std::sscanf(text.c_str(), "%4X:%16llX%c", &se, &m, &end) != 2) return false;
    command_.SetCurrentT(ExtendedFromBits(static_cast<std::uint16_t>(se), m));
    return true;
  }

  // "Draw !": the whole command, as the main window runs it. progress (a
  // function, or undefined) is called with the samples drawn, their number
  // and the t reached. The result: completed (ran to its end), the
  // messages in the order a user would see them ({kind: "dialog" | "box",
  // text}), and the state after it.
  val Draw(val progress) {
    messages_ = val::array();
    const int total = SampleCount();
    TProgress reporter(progress, total);
    const bool report = !progress.isUndefined() && !progress.isNull();
    const std::string before = BitsText(command_.CurrentT());
    lastTexts_ = texts_;
    lastView_ = view_;
    lastStartT_ = command_.CurrentT();
    haveLast_ = true;
    command_.SetSampleObserver(report ? &reporter : nullptr);
    // GraphDrawn stays as it was unless the command runs to its end, as
    // in the main window; completed tells this command's own end.
    drawnNow_ = false;
    bool completed = false;
    try {
      command_.DrawButtonClick();
      completed = drawnNow_;
    } catch (const std::exception& e) {
      Tell("box", WithFullStop(UserTextOf(e)));
    }
    command_.SetSampleObserver(nullptr);
    val result = val::object();
    result.set("completed", completed);
    result.set("messages", messages_);
    result.set("zoom", zoom_);
    result.set("length", length_);
    result.set("drawn", graphDrawn_);
    result.set("currentT", BitsText(command_.CurrentT()));
    result.set("startT", before);
    return result;
  }

  // The sample count the Draw command will take from the field, or -1.
  int SampleCount() const {
    try {
      return StrToInt(texts_[Index(TField::Precission)]);
    } catch (const std::exception&) {
      return -1;
    }
  }

  // The picture: 600 x 451 colour-table indices, top row first (a view into
  // the module's memory: copy it before the next call), and the colour
  // table as 256 RGB triples.
  val Pixels() const { return val(emscripten::typed_memory_view(TPicture::PixelCount, picture_.Pixels())); }
  static val Palette() {
    std::array<std::uint8_t, 768> rgb{};
    const TPalette& palette = GraphPalette();
    for (std::size_t i = 0; i < palette.size(); ++i) {
      rgb[3 * i] = palette[i].Red;
      rgb[3 * i + 1] = palette[i].Green;
      rgb[3 * i + 2] = palette[i].Blue;
    }
    return BytesToJs(rgb.data(), rgb.size());
  }

  // Puts back a picture and labels the page kept (after a cancelled drawing,
  // in a new session): 600 x 451 indices as Pixels gives them. False when
  // the size is wrong.
  bool SetPixels(val indices) {
    const std::vector<std::uint8_t> data = emscripten::convertJSArrayToNumberVector<std::uint8_t>(indices);
    if (data.size() != static_cast<std::size_t>(TPicture::PixelCount)) return false;
    std::copy(data.begin(), data.end(), picture_.Pixels());
    return true;
  }
  void SetLabels(const std::string& zoom, const std::string& length) {
    zoom_ = zoom;
    length_ = length;
  }

  // "Save BMP": the program's BMP file.
  val Bmp() const {
    const std::vector<std::uint8_t> bytes = picture_.BmpBytes();
    return BytesToJs(bytes.data(), bytes.size());
  }
  // The last drawing as an SVG (the picture in vectors, as helixor-cli
  // writes it), made by drawing it once more from the same inputs and the
  // same CurrentT; "" before any drawing.
  std::string Svg() const {
    if (!haveLast_) return "";
    TReplay replay(lastTexts_, lastView_);
    TPicture scratch;
    TDrawCommand again(replay, replay, scratch);
    again.SetCurrentT(lastStartT_);
    TSvgCollector svg(lastView_);
    again.SetSampleObserver(&svg);
    try {
      again.DrawButtonClick();
    } catch (const std::exception&) {
      // The picture ends where the drawing stopped, as the BMP does.
    }
    return svg.Finish();
  }

  // "Save FNC": the function file's bytes.
  val FunctionFile() const {
    const std::string bytes = FunctionFileBytes(*this);
    return BytesToJs(bytes.data(), bytes.size());
  }
  // "Load FNC" of the file's bytes: the fields take its lines; returns the
  // standard error box's text, or "" when it loaded. Lines before a faulty
  // one stay applied, as in the program.
  std::string LoadFunctionFile(val bytes) {
    const std::vector<std::uint8_t> data = emscripten::convertJSArrayToNumberVector<std::uint8_t>(bytes);
    try {
      LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), *this);
    } catch (const std::exception& e) {
      return WithFullStop(UserTextOf(e));
    }
    return "";
  }

  // helixor-cli eval's line for one expression at t (a decimal numeral).
  static std::string Evaluate(const std::string& text, const std::string& t) {
    Extended currentT = 0;
    if (!DecimalToExtended(t, currentT)) return "fault Invalid value for t";
    TMathParser parser;
    parser.OnGetVar = [&currentT](TMathParser&, std::string_view name, Extended& value, bool& found) {
      found = LookUpCurveName(name, currentT, value);
    };
    parser.ParseString = text;
    try {
      parser.Parse();
    } catch (const Fault& fault) {
      return std::string("fault ") + fault.what();
    } catch (const std::bad_alloc&) {
      return std::string("fault ") + OutOfMemoryText;
    }
    if (parser.ParseFailed())
      return "fail code=" + std::to_string(parser.ErrorCode()) + " position=" + std::to_string(parser.Position()) +
             " math=" + (parser.MathError() ? "1" : "0");
    const Extended value = parser.ParseValue();
    return "ok " + FormatScientific(BitsOfExtended(value), 20) + " " + BitsText(value);
  }

 private:
  // The inputs of an earlier drawing, its outputs thrown away.
  class TReplay : public TDrawInputs, public TDrawOutputs {
   public:
    TReplay(const std::array<std::string, AllFields.size()>& texts, TView view) : texts_(texts), view_(view) {}
    std::string FieldText(TField field) const override { return texts_[static_cast<std::size_t>(field)]; }
    TView View() const override { return view_; }
    void SetZoomLabel(const std::string&) override {}
    void SetLengthLabel(const std::string&) override {}
    void ShowErrorDialog(const std::string&) override {}
    void SetGraphDrawn(bool) override {}

   private:
    const std::array<std::string, AllFields.size()>& texts_;
    TView view_;
  };

  static std::size_t Index(TField field) { return static_cast<std::size_t>(field); }
  void Tell(const char* kind, const std::string& text) {
    val message = val::object();
    message.set("kind", std::string(kind));
    message.set("text", text);
    messages_.call<void>("push", message);
  }

  std::array<std::string, AllFields.size()> texts_;
  TView view_ = TView::Isometric;
  TPicture picture_;
  // The graph window's labels as it starts: "Zoom  :" has two spaces.
  std::string zoom_ = "Zoom  :";
  std::string length_ = "Length :";
  bool graphDrawn_ = false;
  bool drawnNow_ = false;
  TDrawCommand command_;
  val messages_ = val::array();
  std::array<std::string, AllFields.size()> lastTexts_;
  TView lastView_ = TView::Isometric;
  Extended lastStartT_ = 0;
  bool haveLast_ = false;
};

EMSCRIPTEN_BINDINGS(helixor) {
  emscripten::class_<TWebSession>("Session")
      .constructor<>()
      .function("setField", &TWebSession::SetField)
      .function("field", &TWebSession::Field)
      .function("setView", &TWebSession::SetView)
      .function("graphDrawn", &TWebSession::GraphDrawn)
      .function("setGraphDrawn", &TWebSession::SetGraphDrawnFlag)
      .function("zoomLabel", &TWebSession::ZoomLabel)
      .function("lengthLabel", &TWebSession::LengthLabel)
      .function("currentT", &TWebSession::CurrentT)
      .function("setCurrentT", &TWebSession::SetCurrentT)
      .function("sampleCount", &TWebSession::SampleCount)
      .function("draw", &TWebSession::Draw)
      .function("pixels", &TWebSession::Pixels)
      .function("setPixels", &TWebSession::SetPixels)
      .function("setLabels", &TWebSession::SetLabels)
      .function("bmp", &TWebSession::Bmp)
      .function("svg", &TWebSession::Svg)
      .function("functionFile", &TWebSession::FunctionFile)
      .function("loadFunctionFile", &TWebSession::LoadFunctionFile)
      .class_function("palette", &TWebSession::Palette)
      .class_function("evaluate", &TWebSession::Evaluate);
}
