// helixor-cli's standard streams: a failed write of standard output or read
// of standard input ends every command with status 2 and one line saying
// so, and eval reads its input in bounded memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliProcess.h"

namespace {

const std::string Cli = HELIXOR_CLI;
const std::string Helix = std::string(HELIXOR_EXAMPLES) + "/helix.fnc";

// Runs a shell line with helixor-cli as $CLI; a hang fails after 20 s.
TProcessResult Shell(const std::string& line, const std::string& input = "/dev/null") {
  const std::filesystem::path err =
      std::filesystem::temp_directory_path() / ("helixor-streams-" + std::to_string(::getpid()));
  TProcessResult r = RunShellLine("CLI=" + ShellQuote(Cli) + " LC_ALL=C timeout 20 sh -c " + ShellQuote(line) +
                                  " <" + ShellQuote(input) + " 2>" + ShellQuote(err.string()));
  r.Err = ReadWholeFile(err);
  std::filesystem::remove(err);
  return r;
}

bool StraceWorks() { return Shell("strace -qq -o /dev/null true").Status == 0; }

TEST(CliStreamsTest, AFullOrClosedStandardOutputFailsEveryCommandWithOneLine) {
  const std::string full = "helixor-cli: cannot write standard output: Disk full\n";
  const std::string closed = "helixor-cli: cannot write standard output: I/O error 9\n";
  struct Case {
    std::string args;
    std::string report;  // the report lines that go to standard error
  } cases[] = {
      {"eval 1", ""},
      {"eval 1/0", ""},
      {"--help", ""},
      {"--version", ""},
      {"render --help", ""},
      {"render " + ShellQuote(Helix), ""},
      {"render " + ShellQuote(Helix) + " -o -", "zoom: Zoom : 31.83x\nlength: Length : 63.14 approx.\ndrawn: true\n"},
      {"sample --set Precission=3 " + ShellQuote(Helix), "zoom: Zoom : 31.83x\nlength: Length : 8.15 approx.\ndrawn: true\n"},
  };
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    TProcessResult r = Shell("\"$CLI\" " + c.args + " >/dev/full");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, c.report + full);
    r = Shell("\"$CLI\" " + c.args + " >&-");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, c.report + closed);
  }
}

TEST(CliStreamsTest, WithStandardOutputClosedNoFileTakesItsPlace) {
  // Standard output's number would otherwise go to the first file opened:
  // the function file, or the picture being written.
  TScratchFolder dir("helixor-streams-closed");
  const TProcessResult r = Shell("\"$CLI\" render " + ShellQuote(Helix) + " -o " + ShellQuote(dir / "h.bmp") + " >&-");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "helixor-cli: cannot write standard output: I/O error 9\n");
  EXPECT_EQ(std::filesystem::file_size(dir / "h.bmp"), 271678u);
  const std::string bmp = ReadWholeFile(dir / "h.bmp");
  EXPECT_EQ(bmp.find("zoom:"), std::string::npos);
}

TEST(CliStreamsTest, AFailedReadOfStandardInputIsReported) {
  if (!StraceWorks()) GTEST_SKIP() << "strace cannot trace here";
  TScratchFolder dir("helixor-streams-input");
  const std::string input = dir / "lines.txt";
  std::ofstream(input, std::ios::binary) << "1\n2\n";
  // The first read fails: nothing is evaluated.
  // The leak checker of a sanitizer build cannot run under a tracer.
  const std::string strace = "env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -P " + ShellQuote(input) + " -e trace=read ";
  TProcessResult r = Shell(strace + "-e inject=read:error=EIO \"$CLI\" eval", input);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "helixor-cli: cannot read standard input: I/O error 5\n");
  EXPECT_EQ(r.Status, 2);
  // Interrupted reads are retried.
  r = Shell(strace + "-e inject=read:error=EINTR:when=1 \"$CLI\" eval", input);
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "ok 1.00000000000000000000e+00 3FFF:8000000000000000\n"
                   "ok 2.00000000000000000000e+00 4000:8000000000000000\n");
  // Standard input closed.
  r = Shell("\"$CLI\" eval <&-");
  EXPECT_EQ(r.Err, "helixor-cli: cannot read standard input: I/O error 9\n");
  EXPECT_EQ(r.Status, 2);
}

TEST(CliStreamsTest, EvalTakesLinesUpTo65535CharactersAndSkipsLongerOnes) {
  TScratchFolder dir("helixor-streams-long");
  const std::string input = dir / "lines.txt";
  {
    std::ofstream out(input, std::ios::binary);
    out << std::string(65534, ' ') << "1\r\n";     // 65535 characters and CR LF
    out << std::string(65535, ' ') << "2\n";       // one too many
    out << "3\n";
    out << std::string(200000, '4') << "\n";       // far too long, over several reads
    out << std::string(65534, ' ') << "5\r";       // the last line, its CR at the end
  }
  const TProcessResult r = Shell("\"$CLI\" eval", input);
  EXPECT_EQ(r.Out,
            "ok 1.00000000000000000000e+00 3FFF:8000000000000000\n"
            "fault Line longer than 65535 characters\n"
            "ok 3.00000000000000000000e+00 4000:C000000000000000\n"
            "fault Line longer than 65535 characters\n"
            "ok 5.00000000000000000000e+00 4001:A000000000000000\n");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "");
}

TEST(CliStreamsTest, EvalReadsEndlessInputInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than the bound";
#endif
  // 300 MB without a line break, with 64 MB of address space.
  const TProcessResult r = Shell("ulimit -v 65536; head -c 300000000 /dev/zero | \"$CLI\" eval");
  EXPECT_EQ(r.Out, "fault Line longer than 65535 characters\n");
  EXPECT_EQ(r.Status, 1) << r.Err;
}

TEST(CliStreamsTest, EvalStopsAtAFailedWrite) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // Endless input into a full device ends at once instead of running on.
  const TProcessResult r = Shell("yes 1 | \"$CLI\" eval >/dev/full");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "helixor-cli: cannot write standard output: Disk full\n");
}

}  // namespace
