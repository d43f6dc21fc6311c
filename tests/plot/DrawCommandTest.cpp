#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "TestLocale.h"
#include "evaluator/Faults.h"
#include "evaluator/Parser.h"
#include "plot/DrawCommand.h"
#include "support/ExtendedTesting.h"

namespace {

// The main and graph windows as the command sees them, recording every
// output in order.
class TFakeWindow : public TDrawInputs, public TDrawOutputs {
 public:
  TFakeWindow() {
    for (TField f : AllFields) texts[static_cast<int>(f)] = std::string(InitialText(f));
  }
  std::string FieldText(TField f) const override { return texts[static_cast<int>(f)]; }
  TView View() const override { return view; }
  void SetZoomLabel(const std::string& t) override { events.push_back("zoom " + t); }
  void SetLengthLabel(const std::string& t) override { events.push_back("length " + t); }
  void ShowErrorDialog(const std::string& t) override { events.push_back("dialog " + t); }
  void SetGraphDrawn(bool d) override { events.push_back(d ? "drawn" : "not drawn"); }

  void Set(const char* a, const char* b, const char* x, const char* y, const char* z, const char* n) {
    texts = {a, b, x, y, z, n};
  }

  std::array<std::string, 6> texts;
  TView view = TView::Isometric;
  std::vector<std::string> events;
};

class DrawCommandTest : public testing::Test {
 protected:
  // Runs the command; returns the fault text, or "" when none left it.
  std::string Run() {
    window.events.clear();
    try {
      command.DrawButtonClick();
    } catch (const Fault& f) {
      window.events.push_back(std::string("fault ") + f.what());
      return f.what();
    }
    return "";
  }
  int RedPixels() const {
    int n = 0;
    for (int i = 0; i < TPicture::PixelCount; ++i) n += picture.Pixels()[i] == PureRedEntry;
    return n;
  }
  bool IsClean(TBackground b) const { return picture == Background(b); }

  TFakeWindow window;
  TPicture picture;
  TDrawCommand command{window, window, picture};
};

using Events = std::vector<std::string>;

TEST_F(DrawCommandTest, HorizontalLineInTheFrontView) {
  window.Set("0", "1", "t", "0", "0", "100");
  window.view = TView::Front;
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events, (Events{"zoom Zoom : 200.00x", "length Length : 1.00 approx.", "drawn"}));
  TPicture expected;
  expected.ResetPicture(TBackground::Coord2D);
  for (int x = 298; x <= 497; ++x) expected.SetPixel(x, 241, PureRedEntry);
  EXPECT_TRUE(picture == expected);
}

TEST_F(DrawCommandTest, DepthRunsDownAndLeftInTheIsometricView) {
  window.Set("0", "1", "0", "0", "t", "100");
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events, (Events{"zoom Zoom : 200.00x", "length Length : 1.00 approx.", "drawn"}));
  EXPECT_EQ(picture.Pixel(298, 241), PureRedEntry);
  EXPECT_EQ(picture.Pixel(248, 328), PureRedEntry);  // halfway
  EXPECT_NE(picture.Pixel(198, 414), PureRedEntry);  // the end pixel
  EXPECT_EQ(RedPixels(), 173);
  EXPECT_EQ(picture.PenX(), 198);
  EXPECT_EQ(picture.PenY(), 414);
  // In the front view every sample lands on the origin: nothing visible,
  // while the length is still measured in space.
  window.view = TView::Front;
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events, (Events{"zoom Zoom : 200.00x", "length Length : 1.00 approx.", "drawn"}));
  EXPECT_TRUE(IsClean(TBackground::Coord2D));
}

TEST_F(DrawCommandTest, ExtentIsMeasuredOnIsometricCoordinatesWhateverTheView) {
  window.Set("0", "1", "t", "0", "-t", "100");
  window.view = TView::Front;
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events[0], "zoom Zoom : 133.33x");
  EXPECT_EQ(picture.PenX(), 431);
  EXPECT_EQ(picture.Pixel(430, 241), PureRedEntry);
  EXPECT_NE(picture.Pixel(431, 241), PureRedEntry);
}

TEST_F(DrawCommandTest, ProjectionsOfTheFourViews) {
  // One segment from the origin to (x, y, z) = (0.25, 0.125, -1): extent 1
  // (|z|; u = 0.75, v = 0.991), zoom 200.
  window.Set("0", "1", "t/4", "t/8", "-t", "1");
  struct Case { TView view; int x, y; } cases[] = {
      {TView::Isometric, 298 + 150, 241 - 198},  // H = 0.75 x 200, V = (0.125 + 0.866) x 200
      {TView::Front, 298 + 50, 241 - 25},
      {TView::Left, 298 - 200, 241 - 25},
      {TView::Bottom, 298 + 50, 241 + 200},
  };
  for (const Case& c : cases) {
    window.view = c.view;
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(picture.PenX(), c.x);
    EXPECT_EQ(picture.PenY(), c.y);
  }
}

TEST_F(DrawCommandTest, PlaceholdersStopAtValueA) {
  picture.ResetPicture(TBackground::Coord2D);
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events, (Events{"dialog Error in value a!"}));
  EXPECT_TRUE(IsClean(TBackground::Coord3D));
  window.Set("0", "b", "t", "t", "t", "10");
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events, (Events{"dialog Error in value b!"}));
}

// One row per outcome: what the command says and leaves, in order.
TEST_F(DrawCommandTest, OutcomesTable) {
  struct Case {
    std::array<const char*, 6> texts;
    Events events;
    int red;  // red pixels left, -1 for "some"
  } cases[] = {
      {{"0", "1", "t", "0", "0", "-5"}, {"zoom Zoom : 200.00x", "length Length : 0.00 approx.", "drawn"}, 0},
      {{"0", "1", "t", "0", "0", "abc"}, {"fault 'abc' is not a valid integer value"}, 0},
      {{"0", "1", "t", "0", "0", "1 "}, {"fault '1 ' is not a valid integer value"}, 0},
      {{"0", "1", "t", "q", "0", "10"},
       {"dialog Error in function y(t)!", "fault Floating point division by zero"}, 0},
      {{"0", "1", "0", "0", "0", "10"}, {"fault Floating point division by zero"}, 0},
      {{"0", "1", "t", "0", "0", "0"}, {"zoom Zoom : 200.00x", "fault Invalid floating point operation"}, 0},
      // 1/(t - 0.505) fails at sample 101 of 200 only; the extent pass never
      // samples 0.505. Samples 0 to 100 stay drawn.
      {{"0", "1", "1/(t-0.505)", "0", "0", "200"}, {"zoom Zoom : 1.00x", "dialog Error in function x(t)!"}, -1},
      // A sample between those of the extent pass lands beyond 64 bits.
      {{"0", "1", "1/(t-0.505+1E-30)", "0", "0", "200"},
       {"zoom Zoom : 1.00x", "fault Invalid floating point operation"}, -1},
      // The length leaves the 80-bit range at sample 1.
      {{"0", "1", "t*1E4900", "0", "0", "10"},
       {"zoom Zoom : 0.00x", "fault Floating point overflow"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.texts[2] + std::string(" n=") + c.texts[5]);
    window.Set(c.texts[0], c.texts[1], c.texts[2], c.texts[3], c.texts[4], c.texts[5]);
    window.view = TView::Front;
    picture.ResetPicture(TBackground::Coord3D);
    Run();
    EXPECT_EQ(window.events, c.events);
    if (c.red >= 0) {
      EXPECT_EQ(RedPixels(), c.red);
      EXPECT_TRUE(c.red > 0 || IsClean(TBackground::Coord2D));
    } else {
      EXPECT_GT(RedPixels(), 0);
    }
  }
}

// An overflow in the drawing pass ends it at the sample where the first
// failing step lies, with that step's fault, whichever step it is: the
// curve up to the sample before stays.
TEST_F(DrawCommandTest, FaultsInTheDrawingPassStopAtTheirSample) {
  // Samples 0.005 apart; only the drawing pass meets t = 0.005, where x
  // is 1e940 against an extent of about 4e-3996.
  const char* spike = "1e-4000/(sqr(t-0.005)+1e-4940)";
  struct Case {
    const char *x, *y, *z;
    TView view;
    const char* fault;
  } cases[] = {
      {spike, "0", "0", TView::Front, "Floating point overflow"},      // zoom * x
      {"0", spike, "0", TView::Left, "Floating point overflow"},       // zoom * y
      {"0", "0", spike, TView::Bottom, "Floating point overflow"},     // zoom * z
      {spike, "0", "0", TView::Isometric, "Floating point overflow"},  // (x - sin * z) * zoom
      {"t*1e3000", "0", "0", TView::Front, "Floating point overflow"},  // the length, at sample 1
      {"1e-4000/(sqr(t-0.005)+1e-4000)", "0", "0", TView::Front, "Invalid floating point operation"},  // rounding
  };
  for (const Case& c : cases) {
    window.Set("0", "1", c.x, c.y, c.z, "200");
    window.view = c.view;
    EXPECT_EQ(Run(), c.fault) << c.x << " " << c.y << " " << c.z;
    EXPECT_EQ(window.events.back(), std::string("fault ") + c.fault);
    EXPECT_EQ(window.events.size(), 2u);  // the zoom, then the fault
  }
  // The sum of the length overflows, not a step of the distance.
  window.Set("0", "1", "t*1e2466", "0", "0", "3");
  window.view = TView::Front;
  EXPECT_EQ(Run(), "");
  window.Set("0", "3", "(t MOD 2)*1e4932", "0", "0", "3");
  EXPECT_EQ(Run(), "Floating point overflow");
  // Beyond the 80-bit range, b - a and (b - a) x i.
  window.Set("-1e4932", "1e4932", "1", "1", "1", "10");
  EXPECT_EQ(Run(), "Floating point overflow");
  window.Set("0", "1e4932", "1", "1", "1", "3");
  EXPECT_EQ(Run(), "Floating point overflow");
  EXPECT_EQ(RedPixels(), 0);
}

TEST_F(DrawCommandTest, CurrentTCarriesOverToTheNextCommand) {
  EXPECT_EQ(command.CurrentT(), 0);
  window.Set("t", "t+2", "t", "0", "0", "4");  // a = 0 in the first command
  window.view = TView::Front;
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events[0], "zoom Zoom : 100.00x");  // extent 2
  EXPECT_EQ(command.CurrentT(), 2);
  // Now a = 2 and b = 4: extent 4.
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events[0], "zoom Zoom : 50.00x");
  EXPECT_EQ(command.CurrentT(), 4);
  // A failed command keeps the t of its last evaluated sample.
  window.Set("0", "1", "t", "0", "0", "0");
  Run();
  EXPECT_EQ(command.CurrentT(), 1);  // the extent pass's last sample; then 0 / 0
}

TEST_F(DrawCommandTest, SegmentMayRunBackwardsOrBeAPoint) {
  window.view = TView::Front;
  window.Set("1", "0", "t", "0", "0", "1");
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(command.CurrentT(), 0);
  EXPECT_EQ(picture.PenX(), 298);
  window.Set("1", "1", "t", "t", "0", "3");
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events, (Events{"zoom Zoom : 200.00x", "length Length : 0.00 approx.", "drawn"}));
}

TEST_F(DrawCommandTest, HexadecimalSampleCount) {
  window.view = TView::Front;
  window.Set("0", "1", "t", "0", "0", "$10");
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(window.events.back(), "drawn");
}

TEST_F(DrawCommandTest, NameLookup) {
  command.SetCurrentT(7);
  struct Case { const char* name; bool found; Extended value; } cases[] = {
      {"t", true, 7}, {"T", true, 7}, {"pi", true, ExtendedFromBits(0x4000, 0xC90FDAA22168C235)},
      {"Pi", true, ExtendedFromBits(0x4000, 0xC90FDAA22168C235)},
      {"e", true, ExtendedFromBits(0x4000, 0xADF85458248CDACD)},
      {"E", true, ExtendedFromBits(0x4000, 0xADF85458248CDACD) /* 2.718281828 */},
      {"tt", false, -1}, {"x", false, -1}, {"", false, -1},
  };
  for (const Case& c : cases) {
    Extended value = -1;
    bool found = !c.found;
    command.ParserGetVar(command.Parser(), c.name, value, found);
    EXPECT_EQ(found, c.found) << c.name;
    EXPECT_EQ(value, c.value) << c.name;
  }
}

TEST(DrawCommandMathTest, IsoAngleAndRounding) {
  EXPECT_EQ(BitsOfExtended(IsoAngle()), (ExtendedBits{0x3FFE, 0x860A91C16B9B2C23}));
#ifdef HELIXOR_TEST_X87
  EXPECT_NEAR(static_cast<double>(std::sin(helixor_test::ToLongDouble(IsoAngle()))), 0.5, 1e-18);
#endif
  const std::pair<Extended, std::int64_t> rounding[] = {
      {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {ExtendedFromBits(0x3FFD, 0xFFFEB074A771C971) /* 0.49999 */, 0},
      {-0.5, 0}, {1.5, 2}, {-9223372036854775808.0, INT64_MIN}, {INT64_MAX, INT64_MAX}};
  for (auto [value, expected] : rounding) EXPECT_EQ(RoundToInt64(value), expected) << helixor_test::Shown(value);
  for (Extended beyond : {Extended(9223372036854775808.0), ExtendedFromBits(0xC03E, 0x8000000000000001) /* -2^63 - 1 */,
                          ExtendedFromBits(0x4062, 0xC9F2C9CD04674EDF) /* 1e30 */})
    EXPECT_THROW(RoundToInt64(beyond), InvalidOperationFault);
  EXPECT_EQ(Distance(3, 4, 12, 0, 0, 0), 13);
  const Extended huge = ExtendedFromBits(0x73E6, 0xD1BA8323FE558C61);  // 1e4000
  EXPECT_THROW(Distance(huge, 0, 0, -huge, 0, 0), OverflowFault);
}

TEST_F(DrawCommandTest, HalfwayPixelsRoundToEven) {
  picture.SetPenColor(0x0000FF);
  command.Draw(0, 2.5, -1.5);
  EXPECT_EQ(picture.PenX(), 300);
  EXPECT_EQ(picture.PenY(), 243);
  command.Draw(1, 1e18, -1.5);  // far to the right: the row is drawn to the edge
  for (int x = 0; x < TPicture::Width; ++x) EXPECT_EQ(picture.Pixel(x, 243) == PureRedEntry, x >= 300) << x;
  EXPECT_THROW(command.Draw(2, 1e19, 0), InvalidOperationFault);
}

TEST_F(DrawCommandTest, LabelsUseTheLocalesDecimalSeparator) {
  if (!UseDecimalCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma";
  window.Set("0", "1", "t", "0", "-t", "100");
  window.view = TView::Front;
  Run();
  UseCLocale();
  EXPECT_EQ(window.events, (Events{"zoom Zoom : 133,33x", "length Length : 1,41 approx.", "drawn"}));
}

}  // namespace
