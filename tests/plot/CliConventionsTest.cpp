// helixor-cli as a user meets it: pictures by extension and on standard
// output, the sample table, help, and how problems are reported.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "PngDecode.h"
#include "evaluator/Extended.h"
#include "plot/DrawCommand.h"
#include "support/ExtendedTesting.h"

namespace {

const std::string Cli = HELIXOR_CLI;
const std::string Helix = std::string(HELIXOR_EXAMPLES) + "/helix.fnc";

TProcessResult CliRun(const std::vector<std::string>& args) { return RunProcess(Cli, args); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

const char* const HelixReport = "zoom: Zoom : 31.83x\nlength: Length : 63.14 approx.\ndrawn: true\n";

TEST(CliPictureTest, PngHasTheBmpsPixelsInEveryView) {
  TScratchFolder dir("helixor-cli-png");
  for (const char* view : {"isometric", "front", "left", "bottom"}) {
    SCOPED_TRACE(view);
    const TProcessResult png = CliRun({"render", Helix, "--view", view, "-o", dir / "h.PNG"});
    const TProcessResult bmp = CliRun({"render", Helix, "--view", view, "--output=" + dir / "h.bmp"});
    ASSERT_EQ(png.Status, 0) << png.Err;
    ASSERT_EQ(bmp.Status, 0) << bmp.Err;
    EXPECT_EQ(png.Out, bmp.Out);
    const std::string bmpBytes = ReadWholeFile(dir / "h.bmp");
    ASSERT_EQ(bmpBytes.size(), 271678u);
    std::vector<std::uint8_t> rgb;
    int width = 0, height = 0;
    ASSERT_TRUE(DecodePng(ReadWholeFile(dir / "h.PNG"), rgb, width, height));
    ASSERT_EQ(width, 600);
    ASSERT_EQ(height, 451);
    int differing = 0;
    for (int y = 0; y < 451; ++y)
      for (int x = 0; x < 600; ++x) {
        const auto entry = static_cast<unsigned char>(bmpBytes[1078 + (450 - y) * 600 + x]);
        const auto* colour = reinterpret_cast<const unsigned char*>(&bmpBytes[54 + 4 * entry]);  // B, G, R, 0
        const std::uint8_t* p = &rgb[(y * 600 + x) * 3];
        differing += p[0] != colour[2] || p[1] != colour[1] || p[2] != colour[0];
      }
    EXPECT_EQ(differing, 0);
  }
}

TEST(CliPictureTest, SvgRendersToTheBmpsCurve) {
  if (std::system("command -v rsvg-convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "no rsvg-convert";
  TScratchFolder dir("helixor-cli-svg");
  for (const char* view : {"isometric", "front"}) {
    SCOPED_TRACE(view);
    ASSERT_EQ(CliRun({"render", Helix, "--view", view, "-o", dir / "h.bmp"}).Status, 0);
    ASSERT_EQ(CliRun({"render", Helix, "--view", view, "-o", dir / "h.SVG"}).Status, 0);
    const TProcessResult svg = RunProcess("rsvg-convert", {dir / "h.SVG"}, "");
    std::vector<std::uint8_t> rgb;
    int width = 0, height = 0;
    ASSERT_TRUE(DecodePng(svg.Out, rgb, width, height));
    ASSERT_EQ(width, 600);
    ASSERT_EQ(height, 451);
    const std::string bmp = ReadWholeFile(dir / "h.bmp");
    auto vectorRed = [&](int x, int y) {
      if (x < 0 || y < 0 || x >= 600 || y >= 451) return false;
      const std::uint8_t* p = &rgb[(y * 600 + x) * 3];
      return p[0] > 120 && p[1] < 100;
    };
    // Every pixel of the raster curve has the vector curve within a pixel.
    int red = 0, near = 0, vector = 0;
    for (int y = 0; y < 451; ++y)
      for (int x = 0; x < 600; ++x) {
        vector += vectorRed(x, y);
        if (static_cast<unsigned char>(bmp[1078 + (450 - y) * 600 + x]) != 64) continue;
        ++red;
        bool found = false;
        for (int dy = -1; dy <= 1 && !found; ++dy)
          for (int dx = -1; dx <= 1 && !found; ++dx) found = vectorRed(x + dx, y + dy);
        near += found;
      }
    EXPECT_GT(red, 150);
    EXPECT_EQ(near, red);
    EXPECT_LT(vector, red * 3 / 2);
  }
}

TEST(CliPictureTest, StandardOutputTakesThePictureAndStandardErrorTheReport) {
  TScratchFolder dir("helixor-cli-stdout");
  const TProcessResult file = CliRun({"render", Helix, "-o", dir / "h.png"});
  const TProcessResult piped = CliRun({"render", Helix, "-o", "-", "--format", "png"});
  EXPECT_EQ(piped.Status, 0);
  EXPECT_EQ(piped.Out, ReadWholeFile(dir / "h.png"));
  EXPECT_EQ(piped.Err, HelixReport);
  EXPECT_EQ(file.Out, HelixReport);
  EXPECT_EQ(file.Err, "");
  // BMP when no format is given; no file named "-" appears.
  const TProcessResult bmp = CliRun({"render", Helix, "--output", "-"});
  EXPECT_EQ(bmp.Out.size(), 271678u);
  EXPECT_EQ(bmp.Out.substr(0, 2), "BM");
  EXPECT_FALSE(std::filesystem::exists("-"));
  // A stopped drawing still pipes its picture, with its messages on standard error.
  const TProcessResult stopped = CliRun({"render", "--set", "AEdit=q", "-o", "-", "--format=svg"});
  EXPECT_EQ(stopped.Status, 1);
  EXPECT_EQ(stopped.Err, "error-dialog: Error in value a!\nzoom: Zoom  :\nlength: Length :\ndrawn: false\n");
  EXPECT_EQ(stopped.Out.rfind("<?xml", 0), 0u);
}

TEST(CliPictureTest, LabelledSvgHasTheViewsLettersAndTheTexts) {
#ifndef HELIXOR_CLI_HAS_LABELS
  GTEST_SKIP() << "built without the toolkit: no labels";
#endif
  TScratchFolder dir("helixor-cli-labels");
  // The PNG is compared with the window's grab in the labels' own test.
  ASSERT_EQ(CliRun({"render", Helix, "--labels", "-o", dir / "l.svg"}).Status, 0);
  const std::string text = ReadWholeFile(dir / "l.svg");
  EXPECT_NE(text.find(">Zoom : 31.83x</text>"), std::string::npos);
  EXPECT_NE(text.find(">Length : 63.14 approx.</text>"), std::string::npos);
  EXPECT_NE(text.find(">Z</text>"), std::string::npos);
  // A flat view has no Z letter, and the left view's horizontal letter is Z.
  CliRun({"render", Helix, "--labels", "--view", "left", "-o", dir / "left.svg"});
  const std::string left = ReadWholeFile(dir / "left.svg");
  EXPECT_EQ(left.find("x=\"163\""), std::string::npos);
  EXPECT_NE(left.find(">Z</text>"), std::string::npos);
  EXPECT_EQ(left.find(">X</text>"), std::string::npos);
}

// The labels come from a module that helixor-cli loads only for --labels:
// every other command runs without the toolkit's libraries, and a program
// whose module is missing says so and writes nothing.
TEST(CliPictureTest, LabelsModuleIsLoadedOnlyForTheLabels) {
#ifndef HELIXOR_CLI_HAS_LABELS
  GTEST_SKIP() << "built without the toolkit: no labels";
#endif
  TScratchFolder dir("helixor-cli-module");
  // The libraries the program needs at start are named in its own file.
  const std::string program = ReadWholeFile(Cli);
  EXPECT_EQ(program.find("libQt6Gui.so"), std::string::npos);
  EXPECT_EQ(program.find("libQt6Core.so"), std::string::npos);

  const std::string alone = dir / "helixor-cli";
  std::filesystem::copy_file(Cli, alone);
  const TProcessResult plain = RunProcess(alone, {"render", Helix, "-o", dir / "h.png"});
  EXPECT_EQ(plain.Status, 0) << plain.Err;
  const TProcessResult labelled = RunProcess(alone, {"render", Helix, "--labels", "-o", dir / "l.png"});
  EXPECT_EQ(labelled.Status, 2);
  EXPECT_EQ(labelled.Err,
            "helixor-cli: cannot draw '--labels': the labels module helixor-labels.so is not installed\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "l.png"));

  // A file of that name that is no module is reported as the loader saw it.
  { std::ofstream broken(dir / "helixor-labels.so"); broken << "not a module"; }
  const TProcessResult refused = RunProcess(alone, {"render", Helix, "--labels", "-o", dir / "l.png"});
  EXPECT_EQ(refused.Status, 2);
  EXPECT_NE(refused.Err.find("helixor-labels.so"), std::string::npos) << refused.Err;
  EXPECT_FALSE(std::filesystem::exists(dir / "l.png"));
}

// The rows of the table as the Draw command's own samples.
class TRecorder : public TSampleObserver {
 public:
  void SampleDrawn(int, Extended t, Extended x, Extended y, Extended z, Extended, Extended) override {
    Rows.push_back({t, x, y, z});
  }
  std::vector<std::array<Extended, 4>> Rows;
};

class TWindow : public TDrawInputs, public TDrawOutputs {
 public:
  std::string FieldText(TField f) const override { return texts[static_cast<int>(f)]; }
  TView View() const override { return TView::Isometric; }
  void SetZoomLabel(const std::string&) override {}
  void SetLengthLabel(const std::string&) override {}
  void ShowErrorDialog(const std::string&) override {}
  void SetGraphDrawn(bool) override {}
  std::array<std::string, 6> texts;
};

std::vector<std::array<Extended, 4>> CommandSamples(const std::array<std::string, 6>& texts) {
  TWindow window;
  window.texts = texts;
  TPicture picture;
  TDrawCommand command(window, window, picture);
  TRecorder recorder;
  command.SetSampleObserver(&recorder);
  try {
    command.DrawButtonClick();
  } catch (const std::exception&) {
  }
  return recorder.Rows;
}

std::vector<std::string> SetArgs(const std::array<std::string, 6>& texts) {
  const char* names[] = {"AEdit", "BEdit", "xt", "yt", "zt", "Precission"};
  std::vector<std::string> args{"sample"};
  for (int k = 0; k < 6; ++k) args.push_back("--set=" + std::string(names[k]) + "=" + texts[k]);
  return args;
}

void ExpectRowsAre(const std::vector<std::string>& lines, const std::vector<std::array<Extended, 4>>& rows) {
  ASSERT_EQ(lines.size(), rows.size() + 1);
  EXPECT_EQ(lines[0], "t,x,y,z");
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const char* p = lines[k + 1].c_str();
    for (int c = 0; c < 4; ++c) {
      char* end;
      const Extended v = helixor_test::ReadDecimal(p, &end);
      ASSERT_EQ(BitsOfExtended(v), BitsOfExtended(rows[k][c])) << lines[k + 1];
      p = *end == ',' ? end + 1 : end;
    }
    EXPECT_EQ(*p, '\0');
  }
}

TEST(CliSampleTest, RowsAreTheDrawCommandsSamplesToTheLastBit) {
  const std::array<std::string, 6> texts{"-1", "pi", "EXP(t)/3", "SIN(t*t)", "t/7", "250"};
  const TProcessResult r = CliRun(SetArgs(texts));
  EXPECT_EQ(r.Status, 0);
  const std::vector<std::string> lines = Lines(r.Out);
  ASSERT_EQ(lines.size(), 252u);  // n + 2
  EXPECT_EQ(lines[1].substr(0, 3), "-1,");
  const auto rows = CommandSamples(texts);
  ExpectRowsAre(lines, rows);
  EXPECT_EQ(BitsOfExtended(rows.back()[0]), BitsOfExtended(helixor_test::ReadDecimal(lines.back().c_str(), nullptr)));
  // The report goes to standard error, exactly as render prints it.
  std::vector<std::string> render = SetArgs(texts);
  render[0] = "render";
  EXPECT_EQ(r.Err, CliRun(render).Out);
}

TEST(CliSampleTest, EachRowsTIsTheSampleFormulasAndTheOneTheFieldsSaw) {
  // x(t) = t and z(t) = t*t tie each row's t to the one the fields were
  // evaluated at; t itself is (b - a) * i / n + a, worked out here apart
  // from the Draw command.
  const TProcessResult r = CliRun({"sample", "--set", "AEdit=-1", "--set", "BEdit=2", "--set", "xt=t", "--set",
                                   "yt=0", "--set", "zt=t*t", "--set", "Precission=7"});
  EXPECT_EQ(r.Status, 0);
  const std::vector<std::string> lines = Lines(r.Out);
  ASSERT_EQ(lines.size(), 9u);
  for (int i = 0; i <= 7; ++i) {
    SCOPED_TRACE(lines[i + 1]);
    char* end;
    const Extended t = helixor_test::ReadDecimal(lines[i + 1].c_str(), &end);
    const Extended x = helixor_test::ReadDecimal(end + 1, &end);
    helixor_test::ReadDecimal(end + 1, &end);
    const Extended z = helixor_test::ReadDecimal(end + 1, &end);
    // One rounding per operation, in the Draw command's order.
    Extended expected = static_cast<Extended>(3) * i;
    expected = expected / 7;
    expected = expected + -1;
    EXPECT_EQ(BitsOfExtended(t), BitsOfExtended(expected));
    EXPECT_EQ(BitsOfExtended(x), BitsOfExtended(t));
    const Extended square = t * t;
    EXPECT_EQ(BitsOfExtended(z), BitsOfExtended(square));
  }
}

TEST(CliSampleTest, AStopPartWayKeepsTheRowsBeforeIt) {
  const std::array<std::string, 6> texts{"0", "1", "SQRT(0.4 - ABS(t*100 - ROUND(t*100)))", "t", "0", "32"};
  TScratchFolder dir("helixor-cli-sample");
  std::vector<std::string> args = SetArgs(texts);
  const TProcessResult piped = CliRun(args);
  args.push_back("-o");
  args.push_back(dir / "table.csv");
  const TProcessResult file = CliRun(args);
  EXPECT_EQ(piped.Status, 1);
  EXPECT_EQ(file.Status, 1);
  EXPECT_EQ(piped.Err.substr(0, piped.Err.find('\n')), "error-dialog: Error in function x(t)!");
  const auto rows = CommandSamples(texts);
  ASSERT_EQ(rows.size(), 4u);
  ExpectRowsAre(Lines(piped.Out), rows);
  EXPECT_EQ(file.Out, "");
  EXPECT_EQ(ReadWholeFile(dir / "table.csv"), piped.Out);
  // A stop before the drawing pass: the header alone.
  EXPECT_EQ(CliRun({"sample", "--set", "Precission=0"}).Out, "t,x,y,z\n");
}

TEST(CliConventionTest, EachCommandHasItsOwnHelp) {
  struct Case {
    std::string command;
    std::vector<std::string> own, foreign;
  } cases[] = {
      {"eval", {"--t VALUE", "Example:\n  helixor-cli eval"}, {"--labels", "--view"}},
      {"render", {"--labels", "--format", "-o, --output", "--view", "Example:\n  helixor-cli render"}, {"--t "}},
      {"sample", {"t,x,y,z", "-o, --output", "Example:\n  helixor-cli sample"}, {"--labels", "--format"}},
  };
  for (const Case& c : cases)
    for (const char* flag : {"--help", "-h"}) {
      SCOPED_TRACE(c.command + " " + flag);
      const TProcessResult r = CliRun({c.command, flag});
      EXPECT_EQ(r.Status, 0);
      EXPECT_EQ(r.Err, "");
      EXPECT_EQ(r.Out.rfind("usage: helixor-cli " + c.command, 0), 0u);
      for (const std::string& text : c.own) EXPECT_NE(r.Out.find(text), std::string::npos) << text;
      for (const std::string& text : c.foreign) EXPECT_EQ(r.Out.find(text), std::string::npos) << text;
    }
  for (const char* flag : {"-V", "--version"}) EXPECT_EQ(CliRun({flag}).Out, "helixor-cli 1.0\n");
  const TProcessResult general = CliRun({"-h"});
  EXPECT_EQ(general.Status, 0);
  EXPECT_NE(general.Out.find("helixor-cli sample"), std::string::npos);
}

TEST(CliConventionTest, UsageErrorsWriteNothingAndSayWhatOnStandardError) {
  TScratchFolder dir("helixor-cli-usage");
  const std::string gif = dir / "curve.gif";
  struct Case {
    std::vector<std::string> args;
    std::string firstLine;
  } cases[] = {
      {{"render", Helix, "-o", gif}, "helixor-cli: unknown picture format '" + gif +
                                         "': name the file .bmp, .png or .svg, or give --format"},
      {{"render", Helix, "-o", gif, "--format", "gif"}, "helixor-cli: unknown picture format 'gif': use bmp, png or svg"},
      {{"render", Helix, "--format", "png"}, "helixor-cli: no picture for '--format': give -o PICTURE as well"},
      {{"render", Helix, "--labels"}, "helixor-cli: no picture for '--labels': give -o PICTURE as well"},
      {{"render", Helix, "--labels", "-o", dir / "l.bmp"},
       "helixor-cli: no labels in '" + dir / "l.bmp" + "': the BMP file holds the picture only; write .png or .svg"},
      {{"render", Helix, "--labels=yes", "-o", dir / "l.png"}, "helixor-cli: unknown option '--labels=yes': not an option of render"},
      {{"render", "-o"}, "helixor-cli: missing value for '--output': give a picture file name, or - for standard output"},
      {{"render", "--view", "side"}, "helixor-cli: unknown view 'side': use isometric, front, left or bottom"},
      {{"render", "--set", "Foo=1"},
       "helixor-cli: invalid field setting 'Foo=1': give NAME=TEXT, NAME one of AEdit, BEdit, xt, yt, zt, Precission"},
      {{"render", "a.fnc", "b.fnc"}, "helixor-cli: second function file 'b.fnc': give one FILE.fnc, and --set for single fields"},
      {{"sample", "--labels"}, "helixor-cli: unknown option '--labels': not an option of sample"},
      {{"sample", "-o"}, "helixor-cli: missing value for '--output': give a table file name, or - for standard output"},
      {{"eval", "--t"}, "helixor-cli: missing value for '--t': give a decimal number"},
      {{"eval", "--t", "x"}, "helixor-cli: invalid value for --t 'x': not a decimal number"},
      {{"eval", "--frobnicate"}, "helixor-cli: unknown option '--frobnicate': not an option of eval"},
      {{"draw"}, "helixor-cli: unknown command 'draw': the commands are eval, render and sample"},
      {{"--frobnicate"}, "helixor-cli: unknown option '--frobnicate': the commands are eval, render and sample"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firstLine);
    const TProcessResult r = CliRun(c.args);
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Out, "");
    const std::vector<std::string> lines = Lines(r.Err);
    ASSERT_EQ(lines.size(), 2u) << r.Err;
    EXPECT_EQ(lines[0], c.firstLine);
    EXPECT_EQ(lines[1].rfind("Try 'helixor-cli ", 0), 0u);
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(CliConventionTest, FilesThatCannotBeReadOrWrittenAreNamed) {
  TScratchFolder dir("helixor-cli-files");
  const std::string missing = dir / "missing.fnc";
  TProcessResult r = CliRun({"render", missing, "-o", dir / "h.png"});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out, "error-box: File not found.\n");
  EXPECT_EQ(r.Err, "helixor-cli: cannot load '" + missing + "': File not found\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "h.png"));
  r = CliRun({"sample", missing});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "error-box: File not found.\nhelixor-cli: cannot load '" + missing + "': File not found\n");

  // A picture into a folder that does not exist: the contract's line, then the name.
  const std::string nowhere = dir / "no/h.svg";
  r = CliRun({"render", Helix, "-o", nowhere});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(Lines(r.Out)[0], "error-box: Cannot create file " + nowhere + ".");
  EXPECT_EQ(r.Err, "helixor-cli: cannot write '" + nowhere + "': File not found\n");
  r = CliRun({"sample", Helix, "-o", nowhere});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(Lines(r.Err).back(), "helixor-cli: cannot write '" + nowhere + "': File not found");
}

TEST(CliConventionTest, DoubleDashEndsTheOptions) {
  TScratchFolder dir("helixor-cli-dash");
  const std::string odd = dir / "--view.fnc";
  std::filesystem::copy_file(Helix, odd);
  std::filesystem::current_path(dir.Path());
  TProcessResult r = CliRun({"render", "-o", "h.svg", "--", "--view.fnc"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, HelixReport);
  r = CliRun({"eval", "--", "--t", "-h"});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(Lines(r.Out).size(), 2u);
  std::filesystem::current_path(std::filesystem::temp_directory_path());
}

}  // namespace
