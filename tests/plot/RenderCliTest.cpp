// helixor-cli render, run as a process: its output is a contract.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct TResult {
  std::string Out;
  int Status = -1;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

TResult Render(const std::string& args) {
  const std::string command = std::string("LC_ALL=C ") + HELIXOR_CLI + " render " + args + " 2>/dev/null";
  TResult r;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.Out.append(buffer, n);
  const int status = ::pclose(pipe);
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Example(const char* name) {
  return Quote(std::string(HELIXOR_EXAMPLES) + "/" + name);
}

std::string Sets(const char* a, const char* b, const char* x, const char* y, const char* z, const char* n) {
  return "--set AEdit=" + Quote(a) + " --set BEdit=" + Quote(b) + " --set xt=" + Quote(x) + " --set yt=" +
         Quote(y) + " --set zt=" + Quote(z) + " --set Precission=" + Quote(n);
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
      {Quote("/nonexistent/curve.fnc"), "error-box: File not found.\n", 2},
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
  TResult r = Render(Example("trefoil.fnc") + " --output " + Quote(path));
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(std::filesystem::file_size(path), 271678u);
  // A picture that cannot be written: its message, status 2.
  r = Render(Example("trefoil.fnc") + " --output " + Quote(dir.string()));
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')), "error-box: Cannot create file " + dir.string() + ".");
  std::filesystem::remove_all(dir);
}

}  // namespace
