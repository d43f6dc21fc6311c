// The picture's PNG and SVG files, and the Draw command's sample observer
// they are made from.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "PngDecode.h"
#include "evaluator/Extended.h"
#include "plot/DrawCommand.h"
#include "plot/BackgroundShapes.h"
#include "plot/PictureFiles.h"
#include "plot/SvgPicture.h"
#include "support/ExtendedTesting.h"

namespace {

class TWindow : public TDrawInputs, public TDrawOutputs {
 public:
  std::string FieldText(TField f) const override { return texts[static_cast<int>(f)]; }
  TView View() const override { return view; }
  void SetZoomLabel(const std::string&) override {}
  void SetLengthLabel(const std::string&) override {}
  void ShowErrorDialog(const std::string& t) override { dialogs.push_back(t); }
  void SetGraphDrawn(bool) override {}

  std::array<std::string, 6> texts{"0", "6*pi", "COS(t)", "SIN(t)", "t/3", "300"};
  TView view = TView::Isometric;
  std::vector<std::string> dialogs;
};

struct TSample {
  int I;
  Extended T, X, Y, Z, H, V;
};

class TRecorder : public TSampleObserver {
 public:
  void SampleDrawn(int i, Extended t, Extended x, Extended y, Extended z, Extended H, Extended V) override {
    Samples.push_back({i, t, x, y, z, H, V});
  }
  std::vector<TSample> Samples;
};

// The numbers of an attribute such as points="1,2 3,4".
std::vector<Extended> NumbersOf(const std::string& svg, const std::string& element, std::size_t from = 0) {
  std::vector<Extended> numbers;
  const std::size_t start = svg.find("<" + element, from);
  if (start == std::string::npos) return numbers;
  const std::size_t points = svg.find("points=\"", start) + 8;
  const std::size_t end = svg.find('"', points);
  const std::string list = svg.substr(points, end - points);
  const char* p = list.c_str();
  while (*p) {
    char* next;
    numbers.push_back(helixor_test::ReadDecimal(p, &next));
    if (next == p) break;
    p = next;
    while (*p == ',' || *p == ' ') ++p;
  }
  return numbers;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(PictureFormatTest, ComesFromTheExtensionInAnyCase) {
  EXPECT_EQ(PictureFormatOfFileName("graph.png"), TPictureFormat::Png);
  EXPECT_EQ(PictureFormatOfFileName("GRAPH.PNG"), TPictureFormat::Png);
  EXPECT_EQ(PictureFormatOfFileName("dir.svg/graph.Bmp"), TPictureFormat::Bmp);
  EXPECT_EQ(PictureFormatOfFileName("a.b/graph.SvG"), TPictureFormat::Svg);
  // No extension: a BMP, as the picture always was; a leading dot is a name.
  EXPECT_EQ(PictureFormatOfFileName("graph"), TPictureFormat::Bmp);
  EXPECT_EQ(PictureFormatOfFileName("pictures.d/graph"), TPictureFormat::Bmp);
  EXPECT_EQ(PictureFormatOfFileName(".png"), TPictureFormat::Bmp);
  for (const char* name : {"graph.gif", "graph.png.gz", "graph.", "graph.pngx", "graph.jpeg"})
    EXPECT_EQ(PictureFormatOfFileName(name), std::nullopt) << name;
  EXPECT_EQ(PictureFormatByName("PnG"), TPictureFormat::Png);
  EXPECT_EQ(PictureFormatByName("jpg"), std::nullopt);
}

TEST(PngPictureTest, WritesRgbImagesAsGiven) {
  TRgbImage image;
  image.Width = 3;
  image.Height = 2;
  image.Rgb = {1, 2, 3, 255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 8, 7, 128, 128, 128};
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  ASSERT_TRUE(DecodePng(PngBytes(image), rgb, width, height));
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(rgb, image.Rgb);

  // More than 256 colours: RGB, still exact.
  image.Width = 300;
  image.Height = 1;
  image.Rgb.clear();
  for (int x = 0; x < 300; ++x) image.Rgb.insert(image.Rgb.end(), {std::uint8_t(x), std::uint8_t(x / 2), 7});
  ASSERT_TRUE(DecodePng(PngBytes(image), rgb, width, height));
  EXPECT_EQ(rgb, image.Rgb);
}

TEST(SvgPictureTest, PolylineRunsThroughTheUnroundedProjectedPoints) {
  for (TView view : {TView::Isometric, TView::Left}) {
    TWindow window;
    window.view = view;
    TPicture picture;
    TDrawCommand command(window, window, picture);
    TRecorder recorder;
    command.SetSampleObserver(&recorder);
    command.DrawButtonClick();
    ASSERT_EQ(recorder.Samples.size(), 301u);
    std::vector<TCurvePoint> curve;
    for (const TSample& s : recorder.Samples) curve.push_back({298 + s.H, 241 - s.V});
    const TBackground background = view == TView::Isometric ? TBackground::Coord3D : TBackground::Coord2D;
    const std::string svg = SvgPicture(background, curve);

    const std::vector<Extended> numbers = NumbersOf(svg, "polyline");
    ASSERT_EQ(numbers.size(), 2 * curve.size());
    for (std::size_t k = 0; k < curve.size(); ++k) {
      ASSERT_EQ(BitsOfExtended(numbers[2 * k]), BitsOfExtended(curve[k].X)) << k;
      ASSERT_EQ(BitsOfExtended(numbers[2 * k + 1]), BitsOfExtended(curve[k].Y)) << k;
    }
    // Unrounded: the points are not all on whole pixels.
    int fractional = 0;
    for (Extended v : numbers) fractional += v != RoundToWhole(v);
    EXPECT_GT(fractional, 100);
    EXPECT_NE(svg.find("viewBox=\"0 0 600 451\""), std::string::npos);
    EXPECT_NE(svg.find("stroke=\"#ff0000\" stroke-width=\"1\""), std::string::npos);
    EXPECT_EQ(Count(svg, "<polygon"), static_cast<int>(BackgroundShapes(background).size()));
  }
}

TEST(SvgPictureTest, AxesAreTheBackgroundsShapesAtTheirPositions) {
  const std::string svg = SvgPicture(TBackground::Coord2D, {});
  const std::vector<TShape> shapes = BackgroundShapes(TBackground::Coord2D);
  // The first shape is the positive x axis, up to the arrowhead.
  const std::vector<Extended> first = NumbersOf(svg, "polygon");
  ASSERT_EQ(first.size(), 2 * shapes[0].size());
  for (std::size_t k = 0; k < shapes[0].size(); ++k) {
    EXPECT_EQ(first[2 * k], shapes[0][k].X);
    EXPECT_EQ(first[2 * k + 1], shapes[0][k].Y);
  }
  // 2 solid axes, 2 arrowheads, 19 + 14 dashes; the 3-D one adds the z axis.
  EXPECT_EQ(shapes.size(), 37u);
  EXPECT_EQ(BackgroundShapes(TBackground::Coord3D).size(), 37u + 2 + 18);
  EXPECT_EQ(svg.find("<polyline"), std::string::npos);  // no samples, no curve
  EXPECT_NE(svg.find("fill=\"#040204\""), std::string::npos);
  EXPECT_NE(svg.find("fill=\"#fcfefc\""), std::string::npos);
}

TEST(SvgPictureTest, LabelsAreTextElementsOverTheWindowsBlack) {
  std::vector<TPlacedLabel> labels(2);
  labels[0] = {TGraphLabel::XLabel, {584, 250, 11, 19}, "X", 584, 265.5};
  labels[1] = {TGraphLabel::ZoomLabel, {480, 436, 113, 13}, "Zoom  : <1&2>", 593, 447};
  const std::string svg = SvgPicture(TBackground::Coord3D, {}, &labels);
  EXPECT_NE(svg.find("viewBox=\"0 0 601 457\""), std::string::npos);
  EXPECT_NE(svg.find("<rect x=\"584\" y=\"250\" width=\"11\" height=\"19\" fill=\"#000000\"/>"), std::string::npos);
  EXPECT_NE(svg.find("<text xml:space=\"preserve\" x=\"584\" y=\"265.5\" font-size=\"16px\">X</text>"),
            std::string::npos);
  // The zoom text keeps its two spaces, is escaped, not boxed, but cut at its box.
  EXPECT_NE(svg.find("<clipPath id=\"zoom\"><rect x=\"480\" y=\"436\" width=\"113\" height=\"13\"/></clipPath>\n"
                     "<text xml:space=\"preserve\" x=\"593\" y=\"447\" font-size=\"11px\" text-anchor=\"end\" "
                     "clip-path=\"url(#zoom)\">Zoom  : &lt;1&amp;2&gt;</text>"),
            std::string::npos);
  EXPECT_EQ(svg.find("<rect x=\"480\" y=\"436\" width=\"113\" height=\"13\" fill="), std::string::npos);
}

TEST(SampleObserverTest, HearsEverySampleDrawnInOrder) {
  TWindow window;
  window.texts = {"0", "1", "t", "t*t", "-t", "4"};
  TPicture picture;
  TDrawCommand command(window, window, picture);
  TRecorder recorder;
  command.SetSampleObserver(&recorder);
  command.DrawButtonClick();
  ASSERT_EQ(recorder.Samples.size(), 5u);
  for (int i = 0; i <= 4; ++i) {
    const TSample& s = recorder.Samples[i];
    EXPECT_EQ(s.I, i);
    EXPECT_EQ(s.T, static_cast<Extended>(i) / 4);
    EXPECT_EQ(s.Y, s.T * s.T);
  }

}

}  // namespace
