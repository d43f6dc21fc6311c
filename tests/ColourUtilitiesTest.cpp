#include "ControlsTestSupport.h"
#include "controls/FlatUtilitys.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <string>

using namespace ControlsTest;

namespace {

class ColourTest : public ::testing::Test {
 protected:
  PlatformFacts::ScopedPins pins{FixedSystemColourPins()};
};

}  // namespace

TEST(HslToColor, HalfLuminanceGreyRoundsHalfToEven) {
  // 255 * 0.5 = 127.5 goes to the even 128.
  EXPECT_EQ(HslToColor(0, 0, 0.5), RGBToColor(128, 128, 128));
}

TEST(HslToColor, PrimaryAndMixedHues) {
  EXPECT_EQ(HslToColor(0, 1, 0.5), RGBToColor(255, 0, 0));
  EXPECT_EQ(HslToColor(1.0 / 3, 1, 0.5), RGBToColor(0, 255, 0));
  EXPECT_EQ(HslToColor(2.0 / 3, 1, 0.5), RGBToColor(0, 0, 255));
  EXPECT_EQ(HslToColor(0, 0, 1), clWhite);
  EXPECT_EQ(HslToColor(0, 1, 0.75), RGBToColor(255, 128, 128));  // 127.5 -> 128
}

TEST(ColorToHsl, GreysHaveNoHueOrSaturation) {
  for (int grey : {0, 1, 127, 128, 254, 255}) {
    double H = -1, S = -1, L = -1;
    ColorToHsl(RGBToColor(grey, grey, grey), H, S, L);
    EXPECT_EQ(H, 0) << grey;
    EXPECT_EQ(S, 0) << grey;
    EXPECT_DOUBLE_EQ(L, grey / 255.0) << grey;
  }
}

TEST(ColorToHsl, PureRedAndBlue) {
  double H, S, L;
  ColorToHsl(clRed, H, S, L);
  EXPECT_EQ(H, 0);
  EXPECT_EQ(S, 1);
  EXPECT_EQ(L, 0.5);
  ColorToHsl(RGBToColor(0, 0, 255), H, S, L);
  EXPECT_DOUBLE_EQ(H, 2.0 / 3.0);
}

TEST(ColorToHsl, TiedMaximumPrefersRedThenGreen) {
  double H, S, L;
  ColorToHsl(RGBToColor(255, 255, 0), H, S, L);  // red wins: (G - B) / D / 6
  EXPECT_DOUBLE_EQ(H, 1.0 / 6.0);
  ColorToHsl(RGBToColor(0, 255, 255), H, S, L);  // green wins: 2 + (B - R) / D
  EXPECT_DOUBLE_EQ(H, 0.5);
}

TEST(ColorToHsl, RoundTripsThroughHslToColor) {
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 51) {
        double H, S, L;
        const TColor colour = RGBToColor(r, g, b);
        ColorToHsl(colour, H, S, L);
        EXPECT_EQ(HslToColor(H, S, L), colour) << r << "," << g << "," << b;
      }
}

TEST(ColorToScaledHsl, WhiteAndPureGreen) {
  int H, S, L;
  ColorToScaledHsl(clWhite, H, S, L);
  EXPECT_EQ((std::array{H, S, L}), (std::array{0, 0, 240}));
  ColorToScaledHsl(RGBToColor(0, 255, 0), H, S, L);
  EXPECT_EQ((std::array{H, S, L}), (std::array{80, 240, 120}));
}

TEST(ScaledHslToColor, UsesTheIntegerScales) {
  EXPECT_EQ(ScaledHslToColor(0, 0, 240), clWhite);
  // 80 / 239 lies a little above 1/3, so some blue comes in.
  EXPECT_EQ(ScaledHslToColor(80, 240, 120), RGBToColor(0, 255, 2));
  EXPECT_EQ(ScaledHslToColor(0, 0, 100), RGBToColor(106, 106, 106));
}

TEST_F(ColourTest, DeriveAdvColorAmountZeroKeepsCurrentColour) {
  EXPECT_EQ(DeriveAdvColor(clWhite, RGBToColor(1, 2, 3), 0, false), RGBToColor(1, 2, 3));
  EXPECT_EQ(DeriveAdvColor(clBlack, clBtnShadow, 0, true), clBtnShadow);
}

TEST_F(ColourTest, DeriveAdvColorLighterStopsAtLuminance100) {
  // White: 240 + 10 + 10 is above the limit, so the result is luminance 100.
  EXPECT_EQ(DeriveAdvColor(clWhite, clRed, 10, false), RGBToColor(106, 106, 106));
  // Black: 0 + 10 + 10 = 20 -> nearest(255 * 20 / 240) = 21.
  EXPECT_EQ(DeriveAdvColor(clBlack, clRed, 10, false), RGBToColor(21, 21, 21));
}

TEST_F(ColourTest, DeriveAdvColorDarker) {
  EXPECT_EQ(DeriveAdvColor(clBlack, clRed, 50, true), clBlack);  // 10 - 50 clamps to 0
  // White: 240 + 10 - 50 = 200; 200 / 240 stored as a double lies just above
  // 5/6, so 255 times it is just above 212.5 and rounds up.
  EXPECT_EQ(DeriveAdvColor(clWhite, clRed, 50, true), RGBToColor(213, 213, 213));
  // 240 + 10 - 5 lies above the scale; it stays white instead of wrapping round.
  EXPECT_EQ(DeriveAdvColor(clWhite, clRed, 5, true), clWhite);
}

TEST_F(ColourTest, DeriveAdvColorResolvesSystemBase) {
  EXPECT_EQ(DeriveAdvColor(clBtnHighlight, clRed, 10, false), RGBToColor(106, 106, 106));
}

TEST_F(ColourTest, MakeDisabledGlyphEmbossesMaskPixels) {
  QImage source(4, 4, QImage::Format_RGB32);
  source.fill(QColor(255, 0, 0));
  source.setPixelColor(1, 1, Qt::black);
  source.setPixelColor(2, 2, Qt::black);
  source.setPixelColor(3, 3, Qt::black);  // its highlight falls outside
  source.setPixelColor(0, 3, QColor(0, 0, 1));  // almost black is not black
  const QImage result = MakeDisabledGlyph(source, clBlack, clBtnFace, clBtnHighlight, clBtnShadow, true);
  ASSERT_EQ(result.size(), source.size());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      TColor expected = FaceRGB;
      if (x == y && x >= 1) expected = ShadowRGB;  // shadow over the highlight at (2, 2)
      EXPECT_EQ(PixelAt(result, x, y), expected) << x << "," << y;
    }

  const QImage plain = MakeDisabledGlyph(source, clBlack, clBtnFace, clBtnHighlight, clBtnShadow, false);
  EXPECT_EQ(PixelAt(plain, 2, 2), ShadowRGB);
  source.setPixelColor(2, 2, QColor(255, 0, 0));
  const QImage highlighted = MakeDisabledGlyph(source, clBlack, clBtnFace, clBtnHighlight, clBtnShadow, true);
  EXPECT_EQ(PixelAt(highlighted, 2, 2), HighlightRGB);
}

TEST_F(ColourTest, MakeDisabledGlyphWithoutMaskPixelsIsPlainFace) {
  QImage source(3, 2, QImage::Format_RGB32);
  source.fill(QColor(10, 200, 30));
  const QImage result = MakeDisabledGlyph(source, clBlack, clBtnFace, clBtnHighlight, clBtnShadow, true);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(result, x, y), FaceRGB);
}

TEST_F(ColourTest, MakeDisabledGlyphOfTwoColourImageUsesDarkPixels) {
  QImage source(2, 2, QImage::Format_Mono);
  source.setColor(0, qRgb(255, 255, 255));
  source.setColor(1, qRgb(0, 0, 0));
  source.fill(0);
  source.setPixel(0, 0, 1);
  const QImage result = MakeDisabledGlyph(source, clRed, clBtnFace, clBtnHighlight, clBtnShadow, true);
  EXPECT_EQ(PixelAt(result, 0, 0), ShadowRGB);
  EXPECT_EQ(PixelAt(result, 1, 1), HighlightRGB);
  EXPECT_EQ(PixelAt(result, 1, 0), FaceRGB);
}

TEST(DrawBevelFrame, CornersBelongToTheBottomColour) {
  QImage image(5, 4, QImage::Format_RGB32);
  image.fill(Qt::white);
  TRect rect{0, 0, 5, 4};
  {
    QPainter painter(&image);
    DrawBevelFrame(painter, rect, clRed, RGBToColor(0, 0, 255), 1);
  }
  const TColor top = clRed, bottom = RGBToColor(0, 0, 255), inside = clWhite;
  const TColor expected[4][5] = {
      {top, top, top, top, bottom},
      {top, inside, inside, inside, bottom},
      {top, inside, inside, inside, bottom},
      {bottom, bottom, bottom, bottom, bottom},
  };
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(image, x, y), expected[y][x]) << x << "," << y;
  EXPECT_EQ(rect, (TRect{1, 1, 4, 3}));
}

TEST(DrawBevelFrame, NestedRingsShrinkTheRectangle) {
  QImage image(6, 6, QImage::Format_RGB32);
  image.fill(Qt::white);
  TRect rect{0, 0, 6, 6};
  {
    QPainter painter(&image);
    DrawBevelFrame(painter, rect, clRed, clBlack, 2);
  }
  EXPECT_EQ(rect, (TRect{2, 2, 4, 4}));
  EXPECT_EQ(PixelAt(image, 1, 1), clRed);     // inner ring, top-left
  EXPECT_EQ(PixelAt(image, 4, 1), clBlack);   // inner ring, top-right
  EXPECT_EQ(PixelAt(image, 1, 4), clBlack);   // inner ring, bottom-left
  EXPECT_EQ(PixelAt(image, 2, 2), clWhite);   // inside
}

namespace {

struct LayoutCase {
  TButtonLayout Layout;
  int Margin, Spacing;
  QPoint Glyph;    // before the move into the client
  QPoint Caption;  // top-left of the caption before the move
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

// GlyphLeft_Margin5_Spacing4; -1 (the default, centred) reads "Auto".
std::string LayoutName(const ::testing::TestParamInfo<LayoutCase>& info) {
  const char* const layouts[] = {"GlyphLeft", "GlyphRight", "GlyphTop", "GlyphBottom"};
  const auto amount = [](int value) { return value < 0 ? std::string("Auto") : std::to_string(value); };
  const LayoutCase& c = info.param;
  return std::string(layouts[static_cast<int>(c.Layout)]) + "_Margin" + amount(c.Margin) + "_Spacing" +
         amount(c.Spacing);
}

}  // namespace

// Client 73 x 27 at (2, 3); a 16 x 16 glyph; the caption "Ab" measures 15 x 13.
TEST_P(LayoutTest, PlacesGlyphAndCaption) {
  if (!TahomaAvailable()) GTEST_SKIP() << "Tahoma not installed";
  const LayoutCase& c = GetParam();
  const QFont font = MainWindowFont();
  ASSERT_EQ(MeasureCaption(font, "Ab"), QSize(15, 13));
  QImage glyph(16, 16, QImage::Format_RGB32);
  for (int offset : {0, 1}) {
    TRect caption;
    QPoint origin;
    LayoutGlyphAndCaption(font, TRect{2, 3, 75, 30}, offset, c.Layout, c.Spacing, c.Margin, glyph, 1,
                          "Ab", caption, origin);
    const QPoint shift(2 + offset, 3 + offset);
    EXPECT_EQ(origin, c.Glyph + shift);
    const QPoint at = c.Caption + shift;
    EXPECT_EQ(caption, (TRect{at.x(), at.y(), at.x() + 15, at.y() + 13}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllLayouts, LayoutTest,
    ::testing::Values(
        LayoutCase{blGlyphLeft, -1, -1, {14, 6}, {44, 7}},
        LayoutCase{blGlyphLeft, -1, 4, {19, 6}, {39, 7}},
        LayoutCase{blGlyphLeft, 5, -1, {5, 6}, {39, 7}},
        LayoutCase{blGlyphLeft, 5, 4, {5, 6}, {25, 7}},
        LayoutCase{blGlyphRight, -1, -1, {43, 6}, {14, 7}},
        LayoutCase{blGlyphRight, -1, 4, {38, 6}, {19, 7}},
        LayoutCase{blGlyphRight, 5, -1, {52, 6}, {19, 7}},
        LayoutCase{blGlyphRight, 5, 4, {52, 6}, {33, 7}},
        // Vertically the block does not fit: the divisions truncate toward zero.
        LayoutCase{blGlyphTop, -1, -1, {29, 0}, {29, 16}},
        LayoutCase{blGlyphTop, -1, 4, {29, -2}, {29, 18}},
        LayoutCase{blGlyphTop, 5, -1, {29, 5}, {29, 18}},
        LayoutCase{blGlyphTop, 5, 4, {29, 5}, {29, 25}},
        LayoutCase{blGlyphBottom, -1, -1, {29, 11}, {29, -2}},
        LayoutCase{blGlyphBottom, -1, 4, {29, 13}, {29, -4}},
        LayoutCase{blGlyphBottom, 5, -1, {29, 6}, {29, -4}},
        LayoutCase{blGlyphBottom, 5, 4, {29, 6}, {29, -11}}),
    LayoutName);

TEST(LayoutGlyphAndCaption, CaptionOnlyIsCentred) {
  if (!TahomaAvailable()) GTEST_SKIP() << "Tahoma not installed";
  const QFont font = MainWindowFont();
  const QSize text = MeasureCaption(font, "Draw !");
  TRect caption;
  QPoint origin;
  LayoutGlyphAndCaption(font, TRect{0, 0, 73, 27}, 0, blGlyphTop, 4, -1, QImage(), 1, "Draw !",
                        caption, origin);
  EXPECT_EQ(caption.Top, (27 - text.height() + 1) / 2);
  EXPECT_EQ(caption.Left, (73 - text.width() + 1) / 2);
  EXPECT_EQ(caption.Width(), text.width());
}

TEST(LayoutGlyphAndCaption, WideCaptionStartsLeftOfTheClient) {
  if (!TahomaAvailable()) GTEST_SKIP() << "Tahoma not installed";
  const QFont font = MainWindowFont();
  ASSERT_EQ(MeasureCaption(font, "Show Graph").width(), 68);
  TRect caption;
  QPoint origin;
  LayoutGlyphAndCaption(font, TRect{0, 0, 10, 19}, 0, blGlyphTop, 4, -1, QImage(), 1, "Show Graph",
                        caption, origin);
  EXPECT_EQ(caption.Left, -28);  // (10 - 68 + 1) div 2, truncated toward zero
  EXPECT_EQ(caption.Right, 40);
}

TEST(LayoutGlyphAndCaption, GlyphOnlyUsesOneImageOfTheStrip) {
  QImage strip(64, 16, QImage::Format_RGB32);
  TRect caption{9, 9, 9, 9};
  QPoint origin;
  LayoutGlyphAndCaption(QFont(), TRect{0, 0, 30, 30}, 0, blGlyphLeft, -1, -1, strip, 4, QString(),
                        caption, origin);
  // Without a caption the spacing is 0, so the margin centres the glyph:
  // (30 - 16 + 1) div 2 in both directions.
  EXPECT_EQ(origin, QPoint(7, 7));
  EXPECT_EQ(caption, (TRect{23, 15, 23, 15}));
}

TEST(TextHeight, UsesTheFontsWinAscentAndDescent) {
  if (!TahomaAvailable()) GTEST_SKIP() << "Tahoma not installed";
  EXPECT_EQ(TextHeight(MainWindowFont()), 13);
}
