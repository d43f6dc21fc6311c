// helixor-cli eval, end to end: its output lines are a contract.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  std::string out;
  int status = -1;
};

std::string Quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs helixor-cli with the arguments, feeding input on standard input.
Outcome RunCli(const std::vector<std::string>& args, const std::string& input = "") {
  // One file per process: CTest runs the tests of this file side by side.
  const std::string inputFile =
      testing::TempDir() + "/eval_input_" + std::to_string(getpid()) + ".txt";
  std::ofstream(inputFile, std::ios::binary) << input;
  std::string command = Quote(HELIXOR_CLI);
  for (const std::string& a : args) command += " " + Quote(a);
  command += " < " + Quote(inputFile) + " 2>/dev/null";
  Outcome o;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return o;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) o.out.append(buffer, n);
  const int status = pclose(pipe);
  std::remove(inputFile.c_str());
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

TEST(EvalCommand, PrintsDecimalAndBitPattern) {
  const Outcome o = RunCli({"eval", "pi", "-2.5", "e"});
  EXPECT_EQ(o.out,
            "ok 3.14159265358979323851e+00 4000:C90FDAA22168C235\n"
            "ok -2.50000000000000000000e+00 C000:A000000000000000\n"
            "ok 2.71828182800000000001e+00 4000:ADF85458248CDACD\n");
  EXPECT_EQ(o.status, 0);
}

TEST(EvalCommand, SubnormalResultsKeepTheirBits) {
  // e^x and the power below the normal range, rounded once to its grid.
  EXPECT_EQ(RunCli({"eval", "exp(-11356)", "2^-16383", "exp(-11355.5)"}).out,
            "ok 1.41861159972323730773e-4932 0000:36022FBAC6CAF9D6\n"
            "ok 1.68105157155604658509e-4932 0000:3FFFFFFFFFFFFE33\n"
            "ok 2.33889511932563737326e-4932 0000:590B8716326FA3C1\n");
}

TEST(EvalCommand, FailuresAndFaultsGiveStatusOne) {
  const Outcome o = RunCli({"eval", "6*7 MOD 4", "1/0", "1e4000*1e4000", "1e19 mod 2", "1"});
  EXPECT_EQ(o.out,
            "fail code=4 position=5 math=0\n"
            "fail code=0 position=4 math=1\n"
            "fault Floating point overflow\n"
            "fault Invalid floating point operation\n"
            "ok 1.00000000000000000000e+00 3FFF:8000000000000000\n");
  EXPECT_EQ(o.status, 1);
}

TEST(EvalCommand, MathErrorsThenFurtherOperations) {
  const Outcome o = RunCli({"eval", "1e4000^899 mod 5", "(1e4000/0) mod 3", "2 mod 0 * 1e4932 * 10",
                            "1e2000^3 * 1e4000", "ln(-1e30) mod 7"});
  EXPECT_EQ(o.out,
            "fail code=0 position=17 math=1\n"
            "fail code=0 position=17 math=1\n"
            "fail code=0 position=22 math=1\n"
            "fail code=0 position=18 math=1\n"
            "fault Invalid floating point operation\n");
  EXPECT_EQ(o.status, 1);
}

TEST(EvalCommand, TakesTFromEitherForm) {
  EXPECT_EQ(RunCli({"eval", "--t", "-3", "t*T"}).out,
            "ok 9.00000000000000000000e+00 4002:9000000000000000\n");
  EXPECT_EQ(RunCli({"eval", "--t=0.5", "t"}).out,
            "ok 5.00000000000000000000e-01 3FFE:8000000000000000\n");
  EXPECT_EQ(RunCli({"eval", "t"}).out, "ok 0.00000000000000000000e+00 0000:0000000000000000\n");
  EXPECT_EQ(RunCli({"eval", "x"}).out, "fail code=3 position=2 math=0\n");
}

TEST(EvalCommand, ReadsLinesWithoutTheirLineBreak) {
  const Outcome o = RunCli({"eval", "--t", "2"}, "t+1\r\n\n2 3\nsqr(t)");
  EXPECT_EQ(o.out,
            "ok 3.00000000000000000000e+00 4000:C000000000000000\n"
            "fail code=3 position=1 math=0\n"
            "fail code=4 position=3 math=0\n"
            "ok 4.00000000000000000000e+00 4001:8000000000000000\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(RunCli({"eval"}, "1\n2\n").out,
            "ok 1.00000000000000000000e+00 3FFF:8000000000000000\n"
            "ok 2.00000000000000000000e+00 4000:8000000000000000\n");
  // A last line without LF loses its CR all the same; a CR inside a line is
  // the text's own.
  const Outcome lastCr = RunCli({"eval"}, "1+1\r");
  EXPECT_EQ(lastCr.out, "ok 2.00000000000000000000e+00 4000:8000000000000000\n");
  EXPECT_EQ(lastCr.status, 0);
  EXPECT_EQ(RunCli({"eval"}, "1\r+1\r\n").out, "fail code=4 position=2 math=0\n");
}

TEST(EvalCommand, UsageErrors) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"eval", "--t"}, {"eval", "--t", "abc", "1"}, {"eval", "--t=", "1"},
        {"eval", "--bogus", "1"}}) {
    const Outcome o = RunCli(args);
    EXPECT_EQ(o.status, 2) << args[1];
    EXPECT_EQ(o.out, "");
  }
  const Outcome help = RunCli({"eval", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("helixor-cli eval [--t VALUE] [EXPR ...]"), std::string::npos);
  EXPECT_EQ(RunCli({"eval", "--", "--help"}).out, "fail code=3 position=2 math=0\n");
}

}  // namespace
