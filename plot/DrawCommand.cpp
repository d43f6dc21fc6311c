#include "plot/DrawCommand.h"

#include <limits>
#include <utility>

#include "evaluator/Constants.h"
#include "evaluator/Faults.h"
#include "evaluator/Parser.h"
#include "evaluator/Trig.h"
#include "plot/NumberText.h"

namespace {

// 80-bit arithmetic with the faults of a processor that traps invalid
// operations, division by zero and overflow (underflow stays silent).
[[noreturn, gnu::noinline, gnu::cold]] void FailArithmetic(Extended r) {
  if (IsNan(r)) throw InvalidOperationFault();
  throw OverflowFault();
}
inline Extended Checked(Extended r) {
  if (!(Abs(r) <= ExtendedMax)) [[unlikely]]
    FailArithmetic(r);
  return r;
}
Extended Add(Extended a, Extended b) { return Checked(a + b); }
Extended Sub(Extended a, Extended b) { return Checked(a - b); }
Extended Mul(Extended a, Extended b) { return Checked(a * b); }
Extended Div(Extended a, Extended b) {
  if (b == 0) {
    if (a == 0) throw InvalidOperationFault();
    throw DivisionByZeroFault();
  }
  return Checked(a / b);
}

Extended SinIso() {
  static const Extended value = Sine(IsoAngle());
  return value;
}
Extended CosIso() {
  static const Extended value = Cosine(IsoAngle());
  return value;
}

// The sample of index i of n over [a, b]: ((b - a) x i) / n + a, in this order.
Extended SampleT(Extended a, Extended b, Extended i, Extended n) {
  return Add(Div(Mul(Sub(b, a), i), n), a);
}

inline bool Finite(Extended r) { return Abs(r) <= ExtendedMax; }

// Distance without the fault tests of every step: the drawing pass tests
// the results of a whole sample at once and redoes the sample step by step
// only when one of them is not finite.
inline Extended UncheckedDistance(Extended x1, Extended y1, Extended z1, Extended x2, Extended y2, Extended z2) {
  const Extended dx = x1 - x2, dy = y1 - y2, dz = z1 - z2;
  return Sqrt((dx * dx + dy * dy) + dz * dz);
}

std::int64_t Saturated(__int128 v) {
  if (v > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
  if (v < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(v);
}

// One pixel step, inlined into the drawing pass.
inline void PixelStep(TPicture& picture, int i, Extended H, Extended V) {
  const std::int64_t h = RoundToInt64(H);
  const std::int64_t v = RoundToInt64(V);
  // A point within 300 pixels of the 64-bit limits is moved onto them; the
  // line's direction changes by less than 10^-16.
  const std::int64_t x = Saturated(static_cast<__int128>(298) + h);
  const std::int64_t y = Saturated(static_cast<__int128>(241) - v);
  if (i == 0)
    picture.MoveTo(x, y);
  else
    picture.LineTo(x, y);
}

}  // namespace

std::optional<TView> ViewByName(std::string_view name) {
  for (const auto& [view, text] : {std::pair{TView::Isometric, "isometric"}, std::pair{TView::Front, "front"},
                                   std::pair{TView::Left, "left"}, std::pair{TView::Bottom, "bottom"}})
    if (SameNameIgnoringCase(name, text)) return view;
  return std::nullopt;
}

Extended IsoAngle() {
  static const Extended value = ExtendedFromBits(0x3FFE, 0x860A91C16B9B2C23);
  return value;
}

Extended Distance(Extended x1, Extended y1, Extended z1, Extended x2, Extended y2, Extended z2) {
  const Extended dx = Sub(x1, x2), dy = Sub(y1, y2), dz = Sub(z1, z2);
  return Sqrt(Add(Add(Mul(dx, dx), Mul(dy, dy)), Mul(dz, dz)));
}

TDrawCommand::TDrawCommand(TDrawInputs& inputs, TDrawOutputs& outputs, TPicture& picture)
    : inputs_(inputs), outputs_(outputs), picture_(picture), parser_(std::make_unique<TMathParser>()) {
  // A plain function rather than OnGetVar: it runs for every name of every
  // sample.
  parser_->SetGetVarFunction(
      [](void* self, TMathParser& sender, std::string_view name, Extended& value, bool& found) {
        static_cast<TDrawCommand*>(self)->ParserGetVar(sender, name, value, found);
      },
      this);
}

TDrawCommand::~TDrawCommand() = default;

void TDrawCommand::ParserGetVar(TMathParser&, std::string_view VarName, Extended& Value, bool& Found) {
  Found = LookUpCurveName(VarName, currentT_, Value);
}

bool TDrawCommand::Evaluate(TField field, Extended& value) {
  // Every evaluation parses its text afresh; nothing is parsed ahead or kept
  // from one sample to the next. The text is the command's own copy, which
  // nothing changes while the command runs, so the parser reads it in place.
  parser_->Parse(texts_[static_cast<int>(field)]);
  if (parser_->ParseFailed()) return false;
  value = parser_->ParseValue();
  return true;
}

bool TDrawCommand::EvaluateFunctions(Extended& x, Extended& y, Extended& z) {
  if (!Evaluate(TField::xt, x)) {
    outputs_.ShowErrorDialog("Error in function x(t)!");
    return false;
  }
  if (!Evaluate(TField::yt, y)) {
    outputs_.ShowErrorDialog("Error in function y(t)!");
    return false;
  }
  if (!Evaluate(TField::zt, z)) {
    outputs_.ShowErrorDialog("Error in function z(t)!");
    return false;
  }
  return true;
}

Extended TDrawCommand::GetMax(Extended A, Extended B) {
  Extended M = 0;
  for (int i = 0; i <= 100; ++i) {
    currentT_ = SampleT(A, B, i, 100);
    Extended x, y, z;
    if (!EvaluateFunctions(x, y, z)) return 0;
    const Extended u = Sub(x, Mul(SinIso(), z));
    const Extended v = Sub(y, Mul(CosIso(), z));
    if (Abs(u) > M) M = Abs(u);
    if (Abs(v) > M) M = Abs(v);
    if (Abs(z) > M) M = Abs(z);
  }
  return M;
}

void TDrawCommand::Draw(int i, Extended H, Extended V) { PixelStep(picture_, i, H, V); }

void TDrawCommand::DrawButtonClick() {
  const TView view = inputs_.View();
  // 1-2: a fresh background, the red pen.
  picture_.ResetPicture(view == TView::Isometric ? TBackground::Coord3D : TBackground::Coord2D);
  picture_.SetPenColor(0x0000FF);
  picture_.SetPenWidth(1);
  // The command runs to its end without user input, so the texts cannot
  // change under it: they are read once.
  for (TField field : AllFields) texts_[static_cast<int>(field)] = inputs_.FieldText(field);

  // 3: the sample count.
  const int n = StrToInt(texts_[static_cast<int>(TField::Precission)]);
  // 4-5: the segment.
  Extended a, b;
  if (!Evaluate(TField::AEdit, a)) {
    outputs_.ShowErrorDialog("Error in value a!");
    return;
  }
  if (!Evaluate(TField::BEdit, b)) {
    outputs_.ShowErrorDialog("Error in value b!");
    return;
  }
  // 6-8: the extent and the zoom; an extent of 0 is a division by zero.
  Extended L = 0;
  const Extended M = GetMax(a, b);
  const Extended zoom = Div(200, M);
  outputs_.SetZoomLabel(ZoomText(zoom, DecimalSeparator()));

  // 9-10: the drawing pass, n + 1 samples. Every operation is the same as
  // with a fault test after each step, but the tests come once per value:
  // an overflow anywhere in a computation leaves its result infinite or NaN
  // (nothing here divides by a result), and only then is the computation
  // redone step by step to raise the fault the first failing step raises.
  if (n >= 0) {
    const Extended sinIso = SinIso(), cosIso = CosIso();
    const Extended span = b - a;
    Extended px = 0, py = 0, pz = 0;
    for (std::int64_t i = 0; i <= n; ++i) {
      const Extended index = static_cast<Extended>(i);
      Extended t = (span * index) / n + a;
      if (!Finite(t)) [[unlikely]]
        t = SampleT(a, b, index, n);
      currentT_ = t;
      Extended x, y, z;
      if (!EvaluateFunctions(x, y, z)) return;
      Extended length = L;
      if (i > 0) length = UncheckedDistance(x, y, z, px, py, pz) + L;
      Extended H = 0, V = 0;
      switch (view) {
        case TView::Isometric:
          H = (x - sinIso * z) * zoom;
          V = (y - cosIso * z) * zoom;
          break;
        case TView::Front:
          H = zoom * x;
          V = zoom * y;
          break;
        case TView::Left:
          H = zoom * z;
          V = zoom * y;
          break;
        case TView::Bottom:
          H = zoom * x;
          V = zoom * z;
          break;
      }
      if (!(Finite(length) && Finite(H) && Finite(V))) [[unlikely]] {
        // The same steps in the same order, each tested.
        if (i > 0) Add(Distance(x, y, z, px, py, pz), L);
        switch (view) {
          case TView::Isometric:
            Mul(Sub(x, Mul(sinIso, z)), zoom);
            Mul(Sub(y, Mul(cosIso, z)), zoom);
            break;
          case TView::Front:
            Mul(zoom, x);
            Mul(zoom, y);
            break;
          case TView::Left:
            Mul(zoom, z);
            Mul(zoom, y);
            break;
          case TView::Bottom:
            Mul(zoom, x);
            Mul(zoom, z);
            break;
        }
      }
      L = length;
      px = x;
      py = y;
      pz = z;
      PixelStep(picture_, static_cast<int>(i), H, V);
      if (observer_) [[unlikely]] observer_->SampleDrawn(static_cast<int>(i), t, x, y, z, H, V);
    }
  }
  // 11-12.
  outputs_.SetLengthLabel(LengthText(L, DecimalSeparator()));
  outputs_.SetGraphDrawn(true);
}
