// render_floor: the drawing of helixor-cli render written by hand, with no
// parsing at all, as the floor the Draw command is measured against.
//
// The same work in the same 80-bit arithmetic: the extent pass over 101
// samples, the zoom, n + 1 samples with the length and the isometric
// projection, rint to pixels, one-pixel lines into a 600 x 451 buffer, and
// the BMP file. EXP, LN, ATAN, COS and SIN are the evaluator's own
// functions, power is e^(ln(b) * x), MOD the remainder of the rounded
// integers. No background, no labels, no messages.
//
// Built a second time as render_floor_library with
// HELIXOR_FLOOR_LIBRARY_FUNCTIONS: the same drawing with the C library's
// long double functions in place of the evaluator's own, the floor against
// which the cost of the own functions shows.
//
// Usage: render_floor helix|heavy SAMPLES OUTPUT.bmp   (SAMPLES is n + 1)

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "evaluator/Constants.h"
#include "evaluator/Elementary.h"
#include "evaluator/Trig.h"

#ifdef HELIXOR_FLOOR_LIBRARY_FUNCTIONS
#define Exp expl
#define Ln logl
#define ArcTan atanl
#define Cosine cosl
#define Sine sinl
#endif

namespace {

constexpr int Width = 600, Height = 451;

inline long double Power(long double b, long double x) {
  if (!(b > 0)) return x;
  return Exp(Ln(b) * x);
}

struct Point {
  long double X, Y, Z;
};

// x = cos(t), y = sin(t), z = t/10.
inline Point Helix(long double t) { return {Cosine(t), Sine(t), t / 10}; }

// x = cos(2^t)*ln(sqr(atan(t)))+sin(3*t)
// y = (t MOD 3)*exp(-t/10)+sqrt(abs(sin(t)))
// z = 2*cos(t)+abs(sin(3*t))^2
inline Point Heavy(long double t, long double two) {
  const long double a = ArcTan(t);
  const long double x = Cosine(Power(two, t)) * Ln(a * a) + Sine(3 * t);
  const long double m = static_cast<long double>(std::llrint(t) % 3);
  const long double y = m * Exp(-t / 10) + sqrtl(fabsl(Sine(t)));
  const long double z = 2 * Cosine(t) + Power(fabsl(Sine(3 * t)), 2);
  return {x, y, z};
}

struct Pen {
  std::vector<std::uint8_t>& pixels;
  long x = 0, y = 0;

  void LineTo(long x1, long y1) {
    const long dx = x1 - x, dy = y1 - y;
    const long ax = std::labs(dx), ay = std::labs(dy), steps = ax > ay ? ax : ay;
    for (long k = 0; k < steps; ++k) {
      const long px = x + (ax >= ay ? (dx > 0 ? k : -k) : (dx * k + (dx > 0 ? steps / 2 : -steps / 2)) / steps);
      const long py = y + (ay > ax ? (dy > 0 ? k : -k) : (dy * k + (dy > 0 ? steps / 2 : -steps / 2)) / steps);
      if (px >= 0 && px < Width && py >= 0 && py < Height) pixels[py * Width + px] = 64;
    }
    x = x1;
    y = y1;
  }
};

void WriteBmp(const char* path, const std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> out(14 + 40 + 1024 + pixels.size());
  auto put32 = [&out](std::size_t at, std::uint32_t v) { std::memcpy(&out[at], &v, 4); };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<std::uint32_t>(out.size()));
  put32(10, 14 + 40 + 1024);
  put32(14, 40);
  put32(18, Width);
  put32(22, Height);
  out[26] = 1;
  out[28] = 8;
  put32(34, static_cast<std::uint32_t>(pixels.size()));
  put32(46, 256);
  for (int k = 0; k < 64; ++k) {
    const auto rb = static_cast<std::uint8_t>(4 + (248 * k + 31) / 63);
    out[54 + 4 * k] = rb;
    out[55 + 4 * k] = static_cast<std::uint8_t>(2 + 4 * k);
    out[56 + 4 * k] = rb;
  }
  out[54 + 4 * 64 + 2] = 255;
  for (int y = Height - 1; y >= 0; --y)
    std::memcpy(&out[14 + 40 + 1024 + (Height - 1 - y) * Width], &pixels[y * Width], Width);
  FILE* f = std::fopen(path, "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) std::exit(1);
}

template <typename Curve>
int Render(Curve curve, long double a, long double b, long n, const char* output) {
  const long double sinIso = Sine(0.52359877559829887307L), cosIso = Cosine(0.52359877559829887307L);
  long double extent = 0;
  for (int i = 0; i <= 100; ++i) {
    const Point p = curve(((b - a) * i) / 100 + a);
    const long double u = fabsl(p.X - sinIso * p.Z), v = fabsl(p.Y - cosIso * p.Z), w = fabsl(p.Z);
    if (u > extent) extent = u;
    if (v > extent) extent = v;
    if (w > extent) extent = w;
  }
  const long double zoom = 200 / extent;
  std::vector<std::uint8_t> pixels(Width * Height, 0);
  Pen pen{pixels};
  long double length = 0;
  Point previous{};
  for (long i = 0; i <= n; ++i) {
    const Point p = curve(((b - a) * i) / n + a);
    if (i > 0) {
      const long double dx = p.X - previous.X, dy = p.Y - previous.Y, dz = p.Z - previous.Z;
      length += sqrtl(dx * dx + dy * dy + dz * dz);
    }
    previous = p;
    const long x = 298 + std::llrint((p.X - sinIso * p.Z) * zoom);
    const long y = 241 - std::llrint((p.Y - cosIso * p.Z) * zoom);
    if (i == 0) {
      pen.x = x;
      pen.y = y;
    } else {
      pen.LineTo(x, y);
    }
  }
  WriteBmp(output, pixels);
  std::printf("zoom %.2Lf length %.2Lf\n", zoom, length);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: render_floor helix|heavy SAMPLES OUTPUT.bmp\n", stderr);
    return 2;
  }
  const long n = std::strtol(argv[2], nullptr, 10) - 1;
  if (std::strcmp(argv[1], "helix") == 0) return Render(Helix, 0.0L, 20 * PiConstant, n, argv[3]);
  // The evaluator takes ln(2) at run time; so does the floor.
  volatile long double two = 2;
  const long double base = two;
  return Render([base](long double t) { return Heavy(t, base); }, 0.5L, 1.5L, n, argv[3]);
}
