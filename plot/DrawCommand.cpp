#include "plot/DrawCommand.h"

#include <cmath>
#include <limits>

#include "evaluator/Constants.h"
#include "evaluator/Faults.h"
#include "evaluator/Parser.h"
#include "plot/NumberText.h"

namespace {

// 80-bit arithmetic with the faults of a processor that traps invalid
// operations, division by zero and overflow (underflow stays silent).
[[noreturn, gnu::noinline, gnu::cold]] void FailArithmetic(Extended r) {
  if (std::isnan(r)) throw InvalidOperationFault();
  throw OverflowFault();
}
inline Extended Checked(Extended r) {
  if (!(std::fabs(r) <= std::numeric_limits<Extended>::max())) [[unlikely]]
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
  static const Extended value = std::sin(IsoAngle());
  return value;
}
Extended CosIso() {
  static const Extended value = std::cos(IsoAngle());
  return value;
}

// The sample of index i of n over [a, b]: ((b - a) x i) / n + a, in this order.
Extended SampleT(Extended a, Extended b, Extended i, Extended n) {
  return Add(Div(Mul(Sub(b, a), i), n), a);
}

std::int64_t Saturated(__int128 v) {
  if (v > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
  if (v < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(v);
}

}  // namespace

Extended IsoAngle() {
  static const Extended value = ExtendedFromBits(0x3FFE, 0x860A91C16B9B2C23);
  return value;
}

Extended Distance(Extended x1, Extended y1, Extended z1, Extended x2, Extended y2, Extended z2) {
  const Extended dx = Sub(x1, x2), dy = Sub(y1, y2), dz = Sub(z1, z2);
  return std::sqrt(Add(Add(Mul(dx, dx), Mul(dy, dy)), Mul(dz, dz)));
}

TDrawCommand::TDrawCommand(TDrawInputs& inputs, TDrawOutputs& outputs, TPicture& picture)
    : inputs_(inputs), outputs_(outputs), picture_(picture), parser_(std::make_unique<TMathParser>()) {
  parser_->OnGetVar = [this](TMathParser& sender, std::string_view name, Extended& value, bool& found) {
    ParserGetVar(sender, name, value, found);
  };
}

TDrawCommand::~TDrawCommand() = default;

void TDrawCommand::ParserGetVar(TMathParser&, std::string_view VarName, Extended& Value, bool& Found) {
  Found = LookUpCurveName(VarName, currentT_, Value);
}

bool TDrawCommand::Evaluate(TField field, Extended& value) {
  // Every evaluation parses its text afresh; nothing is parsed ahead or kept
  // from one sample to the next.
  parser_->ParseString = texts_[static_cast<int>(field)];
  parser_->Parse();
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
    if (std::fabs(u) > M) M = std::fabs(u);
    if (std::fabs(v) > M) M = std::fabs(v);
    if (std::fabs(z) > M) M = std::fabs(z);
  }
  return M;
}

void TDrawCommand::Draw(int i, Extended H, Extended V) {
  const std::int64_t h = RoundToInt64(H);
  const std::int64_t v = RoundToInt64(V);
  // A point within 300 pixels of the 64-bit limits is moved onto them; the
  // line's direction changes by less than 10^-16.
  const std::int64_t x = Saturated(static_cast<__int128>(298) + h);
  const std::int64_t y = Saturated(static_cast<__int128>(241) - v);
  if (i == 0)
    picture_.MoveTo(x, y);
  else
    picture_.LineTo(x, y);
}

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

  // 9-10: the drawing pass, n + 1 samples.
  if (n >= 0) {
    Extended px = 0, py = 0, pz = 0;
    for (std::int64_t i = 0; i <= n; ++i) {
      currentT_ = SampleT(a, b, static_cast<Extended>(i), n);
      Extended x, y, z;
      if (!EvaluateFunctions(x, y, z)) return;
      if (i > 0) L = Add(Distance(x, y, z, px, py, pz), L);
      px = x;
      py = y;
      pz = z;
      Extended H = 0, V = 0;
      switch (view) {
        case TView::Isometric:
          H = Mul(Sub(x, Mul(SinIso(), z)), zoom);
          V = Mul(Sub(y, Mul(CosIso(), z)), zoom);
          break;
        case TView::Front:
          H = Mul(zoom, x);
          V = Mul(zoom, y);
          break;
        case TView::Left:
          H = Mul(zoom, z);
          V = Mul(zoom, y);
          break;
        case TView::Bottom:
          H = Mul(zoom, x);
          V = Mul(zoom, z);
          break;
      }
      Draw(static_cast<int>(i), H, V);
      if (observer_) observer_->SampleDrawn(static_cast<int>(i), currentT_, x, y, z, H, V);
    }
  }
  // 11-12.
  outputs_.SetLengthLabel(LengthText(L, DecimalSeparator()));
  outputs_.SetGraphDrawn(true);
}
