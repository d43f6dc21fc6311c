// helixor-cli render, run as a process: its output is a contract.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "CliProcess.h"

namespace {

using TResult = TProcessResult;

TResult Render(const std::string& args) {
  return RunShellLine(std::string("LC_ALL=C ") + HELIXOR_CLI + " render " + args + " 2>/dev/null");
}

std::string Example(const char* name) {
  return ShellQuote(std::string(HELIXOR_EXAMPLES) + "/" + name);
}

std::string Sets(const char* a, const char* b, const char* x, const char* y, const char* z, const char* n) {
  return "--set AEdit=" + ShellQuote(a) + " --set BEdit=" + ShellQuote(b) + " --set xt=" + ShellQuote(x) + " --set yt=" +
         ShellQuote(y) + " --set zt=" + ShellQuote(z) + " --set Precission=" + ShellQuote(n);
}

TEST(RenderCliTest, PrintsWhatTheUserWouldSee) {
  struct Case {
    std::string args;
    std::string out;
    int status;
  } cases[] = {
      {"", "error-dialog: Error in value a!\nzoom: Zoom  :\nlength: Length :\ndrawn: false\n", 1},
      {Sets("0", "1", "t", "0", "0", "100") + " --view front",
       "zoom: Zoom : 200.00x\nlength: Length : 1.00 approx.\ndrawn: true\n", 0},
      {Sets("0", "1", "t", "0", "-t", "100") + " --view=Front",
       "zoom: Zoom : 133.33x\nlength: Length : 1.41 approx.\ndrawn: true\n", 0},
      {Sets("0", "1", "t", "q", "0", "100"),
       "error-dialog: Error in function y(t)!\nerror-box: Floating point division by zero.\n"
       "zoom: Zoom  :\nlength: Length :\ndrawn: false\n", 1},
      {Sets("0", "1", "t", "0", "0", "0"),
       "error-box: Invalid floating point operation.\nzoom: Zoom : 200.00x\nlength: Length :\ndrawn: false\n", 1},
      {Sets("0", "1", "t", "0", "0", "ten"),
       "error-box: 'ten' is not a valid integer value.\nzoom: Zoom  :\nlength: Length :\ndrawn: false\n", 1},
      {Sets("0", "1", "t", "0", "0", "-1"),
       "zoom: Zoom : 200.00x\nlength: Length : 0.00 approx.\ndrawn: true\n", 0},
      {Example("helix.fnc") + " --set precission=100",
       "zoom: Zoom : 31.83x\nlength: Length : 62.12 approx.\ndrawn: true\n", 0},
      {ShellQuote("/nonexistent/curve.fnc"), "error-box: File not found.\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const TResult r = Render(c.args);
    EXPECT_EQ(r.Out, c.out);
    EXPECT_EQ(r.Status, c.status);
  }
}

TEST(RenderCliTest, UsageErrors) {
  for (const char* args : {"--set Foo=1", "--set Parser=1", "--set AEdit", "--view diagonal", "--view",
                           "a.fnc b.fnc", "--output", "--frobnicate"}) {
    const TResult r = Render(args);
    EXPECT_EQ(r.Status, 2) << args;
    EXPECT_EQ(r.Out, "") << args;
  }
}

TEST(RenderCliTest, WritesThePictureAsTheCommandLeftIt) {
  const auto dir = std::filesystem::temp_directory_path() / ("helixor-render-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "graph.bmp").string();
  TResult r = Render(Example("trefoil.fnc") + " --output " + ShellQuote(path));
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(std::filesystem::file_size(path), 271678u);
  // A picture that cannot be written: its message, status 2.
  r = Render(Example("trefoil.fnc") + " --output " + ShellQuote(dir.string()));
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')), "error-box: Cannot create file " + dir.string() + ".");
  std::filesystem::remove_all(dir);
}

}  // namespace
