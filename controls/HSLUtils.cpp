#include "controls/HSLUtils.h"

#include "controls/PlatformFacts.h"
#include "evaluator/Extended.h"

namespace {

// Round to nearest, ties to even (the default rounding mode is never changed).
long long Nearest(Extended x) { return RoundedToInt64(x); }

double MaxOf(double a, double b) { return a > b ? a : b; }
double MinOf(double a, double b) { return a < b ? a : b; }

const Extended OneThird = Extended(1) / 3;
const Extended TwoThirds = Extended(2) / 3;

int HueToChannel(double M1, double M2, double h) {
  if (h < 0)
    h = static_cast<double>(Extended(h) + 1);
  else if (h > 1)
    h = static_cast<double>(Extended(h) - 1);
  Extended v;
  if (6 * Extended(h) < 1)
    v = Extended(M1) + (Extended(M2) - Extended(M1)) * Extended(h) * 6;
  else if (2 * Extended(h) < 1)
    v = M2;
  else if (3 * Extended(h) < 2)
    v = Extended(M1) + (Extended(M2) - Extended(M1)) * (TwoThirds - Extended(h)) * 6;
  else
    v = M1;
  return static_cast<int>(Nearest(255 * v) & 0xFF);
}

}  // namespace

TColor ResolveColor(TColor color) {
  if (!IsSystemColor(color)) return color & 0xFFFFFF;
  return QColorToColor(PlatformFacts::SystemColor(int(color & 0xFF)));
}

QColor ColorToRGB(TColor color) {
  const TColor rgb = ResolveColor(color);
  return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

TColor QColorToColor(const QColor& color) {
  return RGBToColor(color.red(), color.green(), color.blue());
}

TColor HslToColor(double H, double S, double L) {
  if (S == 0) {
    const int grey = static_cast<int>(Nearest(255 * Extended(L)) & 0xFF);
    return RGBToColor(grey, grey, grey);
  }
  double M2;
  if (L <= 0.5)
    M2 = static_cast<double>(Extended(L) * (1 + Extended(S)));
  else
    M2 = static_cast<double>(Extended(L) + Extended(S) - Extended(L) * Extended(S));
  const double M1 = static_cast<double>(2 * Extended(L) - Extended(M2));
  const int red = HueToChannel(M1, M2, static_cast<double>(Extended(H) + OneThird));
  const int green = HueToChannel(M1, M2, H);
  const int blue = HueToChannel(M1, M2, static_cast<double>(Extended(H) - OneThird));
  return TColor(red) + 256u * TColor(green) + 65536u * TColor(blue);
}

void ColorToHsl(TColor Color, double& H, double& S, double& L) {
  const double R = static_cast<double>(Extended(Color & 0xFF) / 255);
  const double G = static_cast<double>(Extended((Color >> 8) & 0xFF) / 255);
  const double B = static_cast<double>(Extended((Color >> 16) & 0xFF) / 255);
  const double Max = MaxOf(R, MaxOf(G, B));
  const double Min = MinOf(R, MinOf(G, B));
  L = static_cast<double>((Extended(Max) + Extended(Min)) / 2);
  if (Max == Min) {
    H = 0;
    S = 0;
    return;
  }
  const double D = static_cast<double>(Extended(Max) - Extended(Min));
  if (L < 0.5)
    S = static_cast<double>(Extended(D) / (Extended(Max) + Extended(Min)));
  else
    S = static_cast<double>(Extended(D) / (2 - Extended(Max) - Extended(Min)));
  if (R == Max)
    H = static_cast<double>((Extended(G) - Extended(B)) / Extended(D));
  else if (G == Max)
    H = static_cast<double>(2 + (Extended(B) - Extended(R)) / Extended(D));
  else
    H = static_cast<double>(4 + (Extended(R) - Extended(G)) / Extended(D));
  H = static_cast<double>(Extended(H) / 6);
  if (H < 0) H = static_cast<double>(Extended(H) + 1);
}

TColor ScaledHslToColor(int H, int S, int L) {
  return HslToColor(static_cast<double>(Extended(H) / (HslScale - 1)),
                    static_cast<double>(Extended(S) / HslScale),
                    static_cast<double>(Extended(L) / HslScale));
}

void ColorToScaledHsl(TColor Color, int& H, int& S, int& L) {
  double h, s, l;
  ColorToHsl(Color, h, s, l);
  H = static_cast<int>(Nearest((HslScale - 1) * Extended(h)));
  S = static_cast<int>(Nearest(HslScale * Extended(s)));
  L = static_cast<int>(Nearest(HslScale * Extended(l)));
}
