#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "evaluator/Faults.h"
#include "plot/Picture.h"

namespace {

constexpr std::uint8_t Red = PureRedEntry;

TPicture Blank() {
  TPicture p;
  p.SetPenColor(0x0000FF);
  return p;
}

int CountEntry(const TPicture& p, std::uint8_t entry) {
  int n = 0;
  for (int i = 0; i < TPicture::PixelCount; ++i) n += p.Pixels()[i] == entry;
  return n;
}

TEST(PictureTest, HorizontalLineSetsAllButItsEndPixel) {
  TPicture p;
  p.ResetPicture(TBackground::Coord2D);
  p.SetPenColor(0x0000FF);
  p.MoveTo(298, 241);
  p.LineTo(498, 241);
  TPicture expected;
  expected.ResetPicture(TBackground::Coord2D);
  for (int x = 298; x <= 497; ++x) expected.SetPixel(x, 241, Red);
  EXPECT_TRUE(p == expected);
  EXPECT_EQ(p.PenX(), 498);
  EXPECT_EQ(p.PenY(), 241);
}

// Lines in every octant: one pixel per step of the major axis, the start
// set, the end not, every pixel within half a pixel of the ideal line.
TEST(PictureTest, LinesFollowTheIdealPathInEveryOctant) {
  const int ends[][2] = {{60, 17}, {17, 60}, {-17, 60}, {-60, 17}, {-60, -17},
                         {-17, -60}, {17, -60}, {60, -17}, {40, 40}, {0, -33}, {1, 0}};
  for (const auto& end : ends) {
    SCOPED_TRACE(testing::Message() << end[0] << "," << end[1]);
    TPicture p = Blank();
    const int x0 = 300, y0 = 200;
    p.MoveTo(x0, y0);
    p.LineTo(x0 + end[0], y0 + end[1]);
    EXPECT_EQ(CountEntry(p, Red), std::max(std::abs(end[0]), std::abs(end[1])));
    EXPECT_EQ(p.Pixel(x0, y0), Red);
    EXPECT_NE(p.Pixel(x0 + end[0], y0 + end[1]), Red);
    const bool xMajor = std::abs(end[0]) >= std::abs(end[1]);
    for (int y = 0; y < TPicture::Height; ++y)
      for (int x = 0; x < TPicture::Width; ++x) {
        if (p.Pixel(x, y) != Red) continue;
        const double s = xMajor ? double(x - x0) / end[0] : double(y - y0) / end[1];
        const double off = xMajor ? y - (y0 + s * end[1]) : x - (x0 + s * end[0]);
        EXPECT_LE(std::fabs(off), 0.5);
      }
  }
}

TEST(PictureTest, PolylineLeavesOnlyItsVeryLastPixelUnset) {
  TPicture p = Blank();
  p.MoveTo(10, 10);
  p.LineTo(20, 10);
  p.LineTo(20, 20);
  p.LineTo(20, 20);  // a line to the pen's own pixel draws nothing
  EXPECT_EQ(CountEntry(p, Red), 20);
  EXPECT_EQ(p.Pixel(20, 10), Red);
  EXPECT_NE(p.Pixel(20, 20), Red);
}

// A line to a far point takes exactly the pixels the same line takes when
// its far end is only just outside: the steps inside do not depend on how
// far the line goes on.
TEST(PictureTest, ClippedLinesDrawExactlyTheirInsidePart) {
  const std::int64_t big = std::int64_t{1} << 52;
  struct Case { std::int64_t x0, y0, x1, y1; } cases[] = {
      {100, 100, 100 + 3 * big, 100 + big},      // shallow, far to the right
      {300, 400, 300 - big, 400 - 3 * big},      // steep, far up-left
      {-7 * big, 50, 9 * big, 50},               // both ends far away
      {-big, -big + 5, big, big + 5},            // diagonal through the picture
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1);
    TPicture p = Blank();
    p.MoveTo(c.x0, c.y0);
    p.LineTo(c.x1, c.y1);
    const long double dx = c.x1 - c.x0, dy = c.y1 - c.y0;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    int drawn = 0;
    for (int y = 0; y < TPicture::Height; ++y)
      for (int x = 0; x < TPicture::Width; ++x) {
        if (p.Pixel(x, y) != Red) continue;
        ++drawn;
        const long double off = xMajor ? y - (c.y0 + (x - c.x0) * dy / dx)
                                       : x - (c.x0 + (y - c.y0) * dx / dy);
        EXPECT_LE(std::fabs(off), 0.5L);
      }
    EXPECT_GT(drawn, 0);
  }
  // The horizontal one fills its whole row.
  TPicture p = Blank();
  p.MoveTo(-7 * big, 50);
  p.LineTo(9 * big, 50);
  for (int x = 0; x < TPicture::Width; ++x) EXPECT_EQ(p.Pixel(x, 50), Red);
}

TEST(PictureTest, ExtremeCoordinatesNeitherOverflowNorDrawOutside) {
  constexpr auto Max = std::numeric_limits<std::int64_t>::max();
  constexpr auto Min = std::numeric_limits<std::int64_t>::min();
  TPicture p = Blank();
  p.MoveTo(Min, Min);
  p.LineTo(Max, Max);  // through the top-left corner region
  p.LineTo(Min, Max);  // entirely below the picture
  p.LineTo(Min, 0);
  EXPECT_EQ(p.Pixel(0, 0), Red);
  for (int y = 0; y < TPicture::Height; ++y)
    for (int x = 0; x < TPicture::Width; ++x)
      if (p.Pixel(x, y) == Red) {
        EXPECT_EQ(x, y);
      }
  // The pen keeps the unclipped point.
  EXPECT_EQ(p.PenX(), Min);
  EXPECT_EQ(p.PenY(), 0);
}

TEST(PictureTest, ResetBringsBackTheCleanBackground) {
  for (TBackground b : {TBackground::Coord2D, TBackground::Coord3D}) {
    TPicture p;
    p.ResetPicture(b);
    p.SetPenColor(0x0000FF);
    p.MoveTo(0, 0);
    p.LineTo(599, 450);
    EXPECT_FALSE(p == Background(b));
    p.ResetPicture(b);
    EXPECT_TRUE(p == Background(b));
  }
}

TEST(PictureTest, PenColourMapsToTheEntryOfThatColour) {
  TPicture p;
  p.SetPenColor(0x0000FF);
  EXPECT_EQ(p.PenEntry(), PureRedEntry);
  p.SetPenColor(0xFCFEFC);
  EXPECT_EQ(p.PenEntry(), BrightestGrey);
  p.SetPenColor(0x040204);
  EXPECT_EQ(p.PenEntry(), BackgroundEntry);
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; }

TEST(PictureTest, BmpFileLayout) {
  TPicture p;
  p.ResetPicture(TBackground::Coord3D);
  p.SetPixel(0, 450, PureRedEntry);  // bottom-left: the first pixel stored
  p.SetPixel(599, 0, 7);             // top-right: the last one
  const std::vector<std::uint8_t> b = p.BmpBytes();
  ASSERT_EQ(b.size(), 271678u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(U32(b, 2), 271678u);
  EXPECT_EQ(U32(b, 10), 1078u);   // pixel data offset
  EXPECT_EQ(U32(b, 14), 40u);     // information header size
  EXPECT_EQ(U32(b, 18), 600u);
  EXPECT_EQ(U32(b, 22), 451u);    // positive: bottom-up rows
  EXPECT_EQ(U16(b, 26), 1u);
  EXPECT_EQ(U16(b, 28), 8u);
  EXPECT_EQ(U32(b, 30), 0u);      // uncompressed
  EXPECT_EQ(U32(b, 34), 270600u);
  // Colour table as blue, green, red, 0.
  const std::uint8_t entry0[] = {4, 2, 4, 0}, entry63[] = {252, 254, 252, 0}, entry64[] = {0, 0, 255, 0};
  EXPECT_TRUE(std::equal(entry0, entry0 + 4, b.begin() + 54));
  EXPECT_TRUE(std::equal(entry63, entry63 + 4, b.begin() + 54 + 63 * 4));
  EXPECT_TRUE(std::equal(entry64, entry64 + 4, b.begin() + 54 + 64 * 4));
  EXPECT_EQ(b[1078], PureRedEntry);
  EXPECT_EQ(b.back(), 7);
  for (int y = 0; y < 451; ++y)
    ASSERT_TRUE(std::equal(p.Pixels() + y * 600, p.Pixels() + (y + 1) * 600, b.begin() + 1078 + (450 - y) * 600));
}

class PictureFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("helixor-picture-" + std::to_string(::getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(PictureFileTest, SaveWritesTheBmpBytesAndReplacesAnOldFile) {
  const std::string path = (dir_ / "graph.bmp").string();
  { std::ofstream(path) << "an older and much shorter file"; }
  TPicture p;
  p.ResetPicture(TBackground::Coord2D);
  p.SaveToFile(path);
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(bytes, p.BmpBytes());
  // Nothing but the target is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(PictureFileTest, UncreatableFileIsCannotCreateFile) {
  const std::string paths[] = {(dir_ / "missing" / "graph.bmp").string(), dir_.string(), ""};
  for (const std::string& path : paths) {
    try {
      TPicture().SaveToFile(path);
      ADD_FAILURE() << path;
    } catch (const CreateFileFault& f) {
      EXPECT_EQ(std::string(f.what()), "Cannot create file " + path);
    }
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 0);
}

}  // namespace
