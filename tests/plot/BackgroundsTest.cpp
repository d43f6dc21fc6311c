#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "plot/Picture.h"

namespace {

const TPicture& Coord2D() { return Background(TBackground::Coord2D); }
const TPicture& Coord3D() { return Background(TBackground::Coord3D); }

// The runs of lit pixels along a row or a column segment, as [first, last].
std::vector<std::pair<int, int>> Runs(const TPicture& p, bool alongRow, int fixed, int from, int to) {
  std::vector<std::pair<int, int>> runs;
  bool inRun = false;
  for (int k = from; k <= to; ++k) {
    const bool lit = (alongRow ? p.Pixel(k, fixed) : p.Pixel(fixed, k)) != 0;
    if (lit && !inRun) runs.push_back({k, k});
    if (lit) runs.back().second = k;
    inRun = lit;
  }
  return runs;
}

TEST(BackgroundsTest, PaletteIsTheGreyRampRedAndBlack) {
  const TPalette& pal = GraphPalette();
  EXPECT_EQ(pal[0], (TRGB{4, 2, 4}));
  EXPECT_EQ(pal[63], (TRGB{252, 254, 252}));
  EXPECT_EQ(pal[64], (TRGB{255, 0, 0}));
  for (int k = 1; k < 64; ++k) {
    EXPECT_GT(pal[k].Red, pal[k - 1].Red - (k == 1 ? 1 : 0));
    EXPECT_GT(pal[k].Green, pal[k - 1].Green);
    EXPECT_EQ(pal[k].Red, pal[k].Blue);
  }
  for (int k = 65; k < 256; ++k) EXPECT_EQ(pal[k], (TRGB{0, 0, 0}));
}

TEST(BackgroundsTest, UseOnlyTheGreyEntries) {
  for (const TPicture* p : {&Coord2D(), &Coord3D()})
    for (int i = 0; i < TPicture::PixelCount; ++i) ASSERT_LE(p->Pixels()[i], BrightestGrey);
}

TEST(BackgroundsTest, AxesCrossInTheBlockAtTheOrigin) {
  for (const TPicture* p : {&Coord2D(), &Coord3D()})
    for (int x : {297, 298})
      for (int y : {240, 241}) EXPECT_EQ(p->Pixel(x, y), BrightestGrey);
}

TEST(BackgroundsTest, PositiveHalvesAreSolidTwoPixelAxesWithArrowTipsAtTheEdges) {
  for (const TPicture* p : {&Coord2D(), &Coord3D()}) {
    for (int x = 297; x <= 585; ++x) {
      ASSERT_EQ(p->Pixel(x, 240), BrightestGrey) << x;
      ASSERT_EQ(p->Pixel(x, 241), BrightestGrey) << x;
      if (x > 300) {
        ASSERT_EQ(p->Pixel(x, 239) | p->Pixel(x, 242), 0) << x;
      }
    }
    for (int y = 15; y <= 241; ++y) {
      ASSERT_EQ(p->Pixel(297, y), BrightestGrey) << y;
      ASSERT_EQ(p->Pixel(298, y), BrightestGrey) << y;
    }
    for (int y = 15; y <= 230; ++y) ASSERT_EQ(p->Pixel(296, y) | p->Pixel(299, y), 0) << y;
    // Tips on the axis at column 599 and row 0, nothing beside them.
    EXPECT_GT(p->Pixel(599, 240), 0);
    EXPECT_GT(p->Pixel(599, 241), 0);
    EXPECT_EQ(Runs(*p, false, 599, 0, 450).size(), 1u);
    EXPECT_GT(p->Pixel(297, 0), 0);
    EXPECT_GT(p->Pixel(298, 0), 0);
    EXPECT_EQ(Runs(*p, true, 0, 0, 599).size(), 1u);
    // Arrowheads about 14 pixels long and 13 to 14 wide across the back.
    int widest = 0, widestAcross = 0;
    for (int k = 0; k < 20; ++k) {
      auto down = Runs(*p, false, 599 - k, 220, 260);
      auto across = Runs(*p, true, k, 280, 316);
      widest = std::max(widest, down.back().second - down.front().first + 1);
      widestAcross = std::max(widestAcross, across.back().second - across.front().first + 1);
    }
    EXPECT_GE(widest, 13);
    EXPECT_LE(widest, 14);
    EXPECT_GE(widestAcross, 13);
    EXPECT_LE(widestAcross, 14);
    // Anti-aliased: the slanted edges of the arrowheads take greys between.
    bool grey = false;
    for (int x = 585; x < 600; ++x)
      for (int y = 230; y < 252; ++y) grey |= p->Pixel(x, y) > 0 && p->Pixel(x, y) < BrightestGrey;
    EXPECT_TRUE(grey);
  }
}

TEST(BackgroundsTest, NegativeHalvesAreDashed) {
  for (const TPicture* p : {&Coord2D(), &Coord3D()}) {
    for (int row : {240, 241}) {
      auto dashes = Runs(*p, true, row, 0, 294);  // the z axis passes column 296
      ASSERT_EQ(dashes.size(), 19u);
      EXPECT_EQ(dashes.front(), std::make_pair(15, 18));
      EXPECT_EQ(dashes.back(), std::make_pair(282, 286));
      for (std::size_t k = 0; k < dashes.size(); ++k) {
        const int length = dashes[k].second - dashes[k].first + 1;
        EXPECT_TRUE(length == 4 || length == 5) << k;
        if (k > 0) {
          EXPECT_NEAR(dashes[k].first - dashes[k - 1].first, 15, 1) << k;
        }
      }
    }
    for (int column : {297, 298}) {
      auto dashes = Runs(*p, false, column, 246, 450);  // below the z axis
      ASSERT_EQ(dashes.size(), 14u);
      EXPECT_EQ(dashes.front(), std::make_pair(251, 254));
      EXPECT_EQ(dashes.back(), std::make_pair(443, 447));
      for (std::size_t k = 1; k < dashes.size(); ++k)
        EXPECT_NEAR(dashes[k].first - dashes[k - 1].first, 15, 1) << k;
    }
  }
}

TEST(BackgroundsTest, TheFlatBackgroundHasNothingButTheTwoAxes) {
  for (int y = 0; y < TPicture::Height; ++y)
    for (int x = 0; x < TPicture::Width; ++x)
      if (Coord2D().Pixel(x, y) != 0) {
        ASSERT_TRUE(std::abs(y - 241) <= 7 || std::abs(x - 298) <= 7) << x << "," << y;
      }
}

// The z axis lies along the line through (298, 241) at 30 degrees from the
// vertical; the rest of the 3-D background is the flat one.
TEST(BackgroundsTest, DepthAxisAtThirtyDegrees) {
  const double s = 0.5, c = std::sqrt(3.0) / 2;
  int lowerPart = 0;
  for (int y = 0; y < TPicture::Height; ++y)
    for (int x = 0; x < TPicture::Width; ++x) {
      if (Coord3D().Pixel(x, y) == Coord2D().Pixel(x, y)) continue;
      const double px = x + 0.5 - 298, py = y + 0.5 - 241;
      ASSERT_LT(std::fabs(px * c + py * s), 8.0) << x << "," << y;  // distance from the line
      lowerPart += py > 0;
    }
  EXPECT_GT(lowerPart, 0);
  // The arrow tip touches the bottom edge near column 176.
  auto bottom = Runs(Coord3D(), true, 450, 0, 290);
  ASSERT_EQ(bottom.size(), 1u);
  EXPECT_NEAR(bottom[0].first, 176, 2);
  // Solid from the crossing down to the arrow's barbs: one run in every row,
  // centred on the line.
  for (int y = 243; y < 432; ++y) {
    auto runs = Runs(Coord3D(), true, y, 150, 296);
    ASSERT_EQ(runs.size(), 1u) << y;
    EXPECT_NEAR((runs[0].first + runs[0].second) / 2.0, 298 - (y + 0.5 - 241) * s / c, 1.5) << y;
  }
  // 18 dashes up and to the right, from near (304, 230) to near (431, 10),
  // 13 rows apart.
  std::vector<int> starts;  // the lowest row of each dash
  bool lit = false;
  for (int y = 232; y >= 0; --y) {  // above the x arrowhead
    // Right of the y axis and its arrowhead, left of the x arrowhead.
    bool any = !Runs(Coord3D(), true, y, y < 16 ? 306 : 300, 580).empty();
    if (any && !lit) starts.push_back(y);
    lit = any;
  }
  ASSERT_EQ(starts.size(), 18u);
  EXPECT_NEAR(starts.front(), 230, 1);
  EXPECT_NEAR(starts.back(), 10, 2);
  for (std::size_t k = 1; k < starts.size(); ++k) EXPECT_NEAR(starts[k - 1] - starts[k], 13, 1);
  EXPECT_NEAR(Runs(Coord3D(), true, starts.front(), 300, 590).front().first, 304, 1);
  EXPECT_NEAR(Runs(Coord3D(), true, starts.back(), 306, 590).front().first, 431, 2);
}

TEST(BackgroundsTest, StoredBackgroundsAreTheDrawnOnes) {
  for (TBackground b : {TBackground::Coord2D, TBackground::Coord3D}) {
    EXPECT_TRUE(DrawBackground(b) == Background(b))
        << "plot/BackgroundRuns.cpp is out of date: run make_background_runs > plot/BackgroundRuns.cpp";
    TPicture p;
    p.LineTo(599, 450);
    p.ResetPicture(b);
    EXPECT_TRUE(p == Background(b));
  }
}

TEST(BackgroundsTest, DrawingOnACopyLeavesTheStoredBackgroundAlone) {
  const TPicture before = DrawBackground(TBackground::Coord3D);
  EXPECT_TRUE(before == Coord3D());
  TPicture p;
  p.ResetPicture(TBackground::Coord3D);
  p.MoveTo(0, 0);
  p.LineTo(599, 450);
  EXPECT_TRUE(Coord3D() == before);
}

}  // namespace
