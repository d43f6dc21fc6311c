// helixor-cli render given what is no ordinary function file: FIFOs and
// devices, names that are not text, links, and failing or interrupted reads.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "CliProcess.h"

namespace fs = std::filesystem;

namespace {

using TResult = TProcessResult;

// Runs a shell command line; a hang fails the test after ten seconds
// instead of holding it up.
TResult RunShell(const std::string& command) {
  return RunShellLine("LC_ALL=C timeout 10 " + command + " 2>/dev/null");
}

TResult Render(const std::string& args) { return RunShell(ShellQuote(HELIXOR_CLI) + " render " + args); }

const char* const Helix = "AEdit=0\r\nBEdit=2*pi\r\nxt=cos(t)\r\nyt=sin(t)\r\nzt=t/4\r\nPrecission=50\r\n";

class RenderInputTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("helixor-input-" + std::to_string(::getpid()) + "-" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    std::ofstream(Path("helix.fnc"), std::ios::binary) << Helix;
    drawn_ = Render(ShellQuote(Path("helix.fnc")));
    ASSERT_EQ(drawn_.Status, 0);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
  TResult drawn_;  // what the helix gives when it is read without trouble
};

TEST_F(RenderInputTest, FifosAndDevicesAreRefusedAtOnce) {
  ASSERT_EQ(::mkfifo(Path("fifo.fnc").c_str(), 0600), 0);
  for (const std::string& file : {Path("fifo.fnc"), std::string("/dev/zero"), std::string("/dev/urandom")}) {
    SCOPED_TRACE(file);
    const std::string named = "helixor-cli: cannot load '" + file + "': File access denied\n";
    const TProcessResult render = RunProcess(HELIXOR_CLI, {"render", file}, "LC_ALL=C timeout 10");
    EXPECT_EQ(render.Out, "error-box: File access denied.\n");
    EXPECT_EQ(render.Err, named);
    EXPECT_EQ(render.Status, 2);
    // sample reads through the same loader; its report goes to standard error.
    const TProcessResult sample = RunProcess(HELIXOR_CLI, {"sample", file}, "LC_ALL=C timeout 10");
    EXPECT_EQ(sample.Out, "");
    EXPECT_EQ(sample.Err, "error-box: File access denied.\n" + named);
    EXPECT_EQ(sample.Status, 2);
  }
}

TEST_F(RenderInputTest, FileNamesAreTheSystemsBytes) {
  // "café.fnc" in Latin-1: not valid UTF-8.
  const std::string latin1 = Path("caf\xE9.fnc");
  fs::copy_file(Path("helix.fnc"), latin1);
  EXPECT_EQ(Render(ShellQuote(latin1)).Out, drawn_.Out);
}

TEST_F(RenderInputTest, APictureThroughADanglingLinkLandsWhereTheLinkPoints) {
  fs::create_directories(dir_ / "pictures");
  fs::create_symlink("pictures/graph.bmp", Path("graph.bmp"));
  EXPECT_EQ(Render(ShellQuote(Path("helix.fnc")) + " --output " + ShellQuote(Path("graph.bmp"))).Status, 0);
  EXPECT_TRUE(fs::is_symlink(Path("graph.bmp")));
  EXPECT_EQ(fs::file_size(dir_ / "pictures/graph.bmp"), 271678u);
}

TEST_F(RenderInputTest, AFailingReadIsReportedAndAnInterruptedOneRetried) {
  if (RunShell("strace -qq -o /dev/null true").Status != 0) GTEST_SKIP() << "strace cannot trace here";
  // Faults injected into the reads of the function file alone. The leak
  // checker of a sanitizer build cannot run under a tracer.
  const std::string strace =
      "env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -P " + ShellQuote(Path("helix.fnc")) + " -e trace=read ";
  const std::string render = ShellQuote(HELIXOR_CLI) + " render " + ShellQuote(Path("helix.fnc"));
  const TResult failed = RunShell(strace + "-e inject=read:error=EIO " + render);
  EXPECT_EQ(failed.Out, "error-box: I/O error 5.\n");
  EXPECT_EQ(failed.Status, 2);
  const TResult full = RunShell(strace + "-e inject=read:error=ENOSPC " + render);
  EXPECT_EQ(full.Out, "error-box: Disk full.\n");
  // Every other read interrupted, the first one included.
  const TResult interrupted = RunShell(strace + "-e inject=read:error=EINTR:when=1+2 " + render);
  EXPECT_EQ(interrupted.Out, drawn_.Out);
  EXPECT_EQ(interrupted.Status, 0);
  const TResult openInterrupted =
      RunShell("env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -P " + ShellQuote(Path("helix.fnc")) +
          " -e trace=openat -e inject=openat:error=EINTR:when=1 " + render);
  EXPECT_EQ(openInterrupted.Out, drawn_.Out);
}

TEST_F(RenderInputTest, AFailingWriteOfThePictureOrTableIsReportedByItsMeaning) {
  if (RunShell("strace -qq -o /dev/null true").Status != 0) GTEST_SKIP() << "strace cannot trace here";
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's runtime writes first, and takes the injected error itself.
  GTEST_SKIP() << "the first write is the sanitizer runtime's";
#endif
  // The picture's (or table's) bytes are the program's first write: the
  // report lines wait in the buffer of a pipe until the end.
  const std::string strace =
      "LC_ALL=C timeout 10 env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=write "
      "-e inject=write:error=EIO:when=1";
  for (const auto& [command, name] : {std::pair{"render", "graph.bmp"}, std::pair{"render", "graph.png"},
                                      std::pair{"render", "graph.svg"}, std::pair{"sample", "table.csv"}}) {
    SCOPED_TRACE(name);
    const TProcessResult r = RunProcess(HELIXOR_CLI, {command, Path("helix.fnc"), "-o", Path(name)}, strace);
    EXPECT_NE((r.Out + r.Err).find("error-box: I/O error 5.\n"), std::string::npos) << r.Out << r.Err;
    EXPECT_NE(r.Err.find("helixor-cli: cannot write '" + Path(name) + "': I/O error 5\n"), std::string::npos)
        << r.Err;
    EXPECT_EQ(r.Status, 2);
    EXPECT_FALSE(fs::exists(Path(name)));
  }
}

}  // namespace
