// The saves careful users and administrators make, through helixor-cli:
// standard output by name, two saves at once, a signal mid-save, links
// planted anywhere in the path, access lists, bind mounts, write-only
// files, full folders, failures that must be told, names that must not
// break a message, and the decision table's rows.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fileio/FileIo.h"
#include "fileio/SavePolicy.h"
#include "plot/CliProcess.h"

namespace fs = std::filesystem;

namespace {


class SaveCasesTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("helixor-cases-" + std::to_string(::getpid()) + "-" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ::chmod(dir_.c_str(), 0755);
    Sh("printf '" + std::string("AEdit=0\\r\\nBEdit=2*pi\\r\\nxt=cos(t)\\r\\nyt=sin(t)\\r\\nzt=t/4\\r\\nPrecission=50\\r\\n") +
       "' > helix.fnc");
  }
  void TearDown() override {
    RunShellLine("chattr -R -a " + ShellQuote(dir_.string()) + " 2>/dev/null; umount -l " +
                 ShellQuote((dir_ / "small").string()) + " 2>/dev/null");
    fs::remove_all(dir_);
  }
  // Runs a shell line in the test's folder with helixor-cli as $H; its
  // output (standard error included) and status.
  TProcessResult Sh(const std::string& line) const {
    return RunShellLine("cd " + ShellQuote(dir_.string()) + " && export LC_ALL=C H=" + ShellQuote(HELIXOR_CLI) +
                        " && { " + line + " ; } 2>&1");
  }
  std::string Read(const std::string& name) const { return ReadWholeFile(dir_ / name); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static bool Root() { return ::geteuid() == 0; }
  static bool Have(const std::string& tool) { return RunShellLine("command -v " + tool + " >/dev/null").Status == 0; }
  fs::path dir_;
};

TEST_F(SaveCasesTest, StandardOutputByNameIsWrittenThroughItsDescriptor) {
  // Appended: the file keeps what it had.
  auto r = Sh("echo KEEP > log; $H render helix.fnc --format svg -o /dev/stdout >> log; echo status $?");
  EXPECT_EQ(r.Out, "zoom: Zoom : 97.88x\nlength: Length : 6.47 approx.\ndrawn: true\nstatus 0\n") << r.Out;
  const std::string log = Read("log");
  EXPECT_EQ(log.rfind("KEEP\n<?xml", 0), 0u) << log.substr(0, 40);
  EXPECT_NE(log.find("</svg>\n"), std::string::npos);
  // Standard output a deleted file, or a pipe: no stray file anywhere.
  r = Sh("exec 3>gone; rm gone; $H sample helix.fnc -o /proc/self/fd/3 2>/dev/null; echo $?; ls -A");
  EXPECT_EQ(r.Out, "0\nhelix.fnc\nlog\n");
  r = Sh("$H sample helix.fnc -o /dev/fd/1 2>/dev/null | wc -l");
  EXPECT_EQ(r.Out, "52\n");
  r = Sh("$H render helix.fnc -o /dev/stdout | wc -c");
  EXPECT_EQ(r.Out, "zoom: Zoom : 97.88x\nlength: Length : 6.47 approx.\ndrawn: true\n271678\n");
}

TEST_F(SaveCasesTest, TwoSavesOfOneFileAtOnceEachLeaveAWholeFile) {
  // In place (a second link): the two follow each other.
  Sh("$H sample helix.fnc --set Precission=20000 -o a.csv; $H sample helix.fnc --set Precission=30000 -o b.csv");
  const std::string a = Read("a.csv"), b = Read("b.csv");
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    const auto r = Sh("echo old > h; ln -f h h2; ($H sample helix.fnc --set Precission=20000 -o h & "
                      "$H sample helix.fnc --set Precission=30000 -o h & wait) >/dev/null 2>&1; ls -A | grep -c helixor-");
    EXPECT_EQ(r.Out, "0\n");
    const std::string h = Read("h");
    EXPECT_TRUE(h == a || h == b) << h.size() << " bytes";
    EXPECT_EQ(Read("h2"), h);
  }
}

TEST_F(SaveCasesTest, ASignalMidSaveLeavesTheOldContentAndNoCopy) {
  for (const char* signal : {"INT", "TERM", "HUP"}) {
    SCOPED_TRACE(signal);
    // A long table in place; the signal comes once the target was cut short.
    // (A shell starts background commands with SIGINT ignored; env gives it back.)
    const auto r = Sh(std::string("seq 1 1000 > h; ln -f h h2; cp h old; ") +
                      "env --default-signal=INT $H sample --set Precission=30000000 --set AEdit=0 --set BEdit=1 --set xt=t --set yt=t --set zt=t -o h 2>/dev/null & "
                      "for k in $(seq 200); do [ \"$(head -c 7 h)\" = 't,x,y,z' ] && break; sleep 0.05; done; "
                      "kill -" + signal + " $!; { wait $!; } 2>/dev/null; echo $?; cmp -s h old && echo same; ls -A | grep -c helixor-old");
    EXPECT_EQ(r.Out, std::to_string(128 + (std::string(signal) == "INT" ? 2 : std::string(signal) == "TERM" ? 15 : 1)) +
                         "\nsame\n0\n");
  }
}

TEST_F(SaveCasesTest, ALinkPlantedAnywhereInAStickyFolderIsRefused) {
  if (!Root()) GTEST_SKIP() << "a link owned by another user needs root to set up";
  // Another user's link to a folder, as a middle part of the path.
  const auto r = Sh("mkdir -p st own && chmod 1777 st && ln -s \"$PWD/own\" st/out && chown -h 54321:54321 st/out && "
                    "$H render helix.fnc -o st/out/v.bmp; echo $?; ls own | wc -l; "
                    "chmod 755 st; $H render helix.fnc -o st/out/v.bmp >/dev/null; echo $?; ls own");
  EXPECT_EQ(r.Out, "error-box: Cannot create file st/out/v.bmp.\nhelixor-cli: cannot write 'st/out/v.bmp': File access "
                   "denied\nzoom: Zoom : 97.88x\nlength: Length : 6.47 approx.\ndrawn: true\n2\n0\n0\nv.bmp\n");
}

// Another user swaps the FIFO named as the output, in a sticky folder, for
// a link to (or a file of) their choice between the save's look at it and
// its opening, held apart by a delay on that opening.
TEST_F(SaveCasesTest, AFifoSwappedAfterItWasLookedAtIsNotWrittenThrough) {
  if (!Root()) GTEST_SKIP() << "files of other users need root to set up";
  if (!Have("strace") || Sh("strace -qq -o /dev/null true").Status != 0) GTEST_SKIP() << "strace cannot trace here";
  for (const std::string swap : {"ln -s \"$PWD/secret\" st/.new", "echo alice > st/.new"}) {
    SCOPED_TRACE(swap);
    // The second opening of the FIFO's folder is the FIFO's for writing; the
    // swap waits for the first (the look), however slow the machine.
    const auto r = Sh("rm -rf st trace; mkdir -m 1777 st && mkfifo st/fifo && chown 54321 st/fifo && "
                      "echo secret > secret && chown 54322 secret && chmod 600 secret && " + swap +
                      " && chown -h 54321 st/.new && "
                      "{ for i in $(seq 6000); do grep -q 'O_PATH) = ' trace 2>/dev/null && break; sleep 0.01; done; "
                      "mv -T st/.new st/fifo; } & "
                      "env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o trace -P \"$PWD/st\" -e trace=openat -e inject=openat:delay_enter=3000000:when=2 "
                      "$H render helix.fnc -o st/fifo >/dev/null 2>&1; echo $?; wait; head -c 6 secret; echo; "
                      "if [ -L st/fifo ]; then echo link; else head -c 5 st/fifo; echo; fi; grep -c 'O_WRONLY.*(DELAYED)' trace");
    EXPECT_EQ(r.Out, swap[0] == 'l' ? "2\nsecret\nlink\n1\n" : "2\nsecret\nalice\n1\n");
  }
}

TEST_F(SaveCasesTest, AccessListsStayAsTheyWereOrAsTheFoldersDefaultMakesThem) {
  if (!Have("setfacl") || Sh("touch probe && setfacl -m u:nobody:r probe").Status != 0)
    GTEST_SKIP() << "no access lists here (setfacl, from the acl package)";
  // A target whose own list was removed gets none back from the folder.
  auto r = Sh("mkdir d && setfacl -d -m u:nobody:rw d && touch d/p.bmp && setfacl -b d/p.bmp && chmod 660 d/p.bmp && "
              "$H render helix.fnc -o d/p.bmp >/dev/null; echo $?; getfacl -cp d/p.bmp; stat -c %a d/p.bmp");
  EXPECT_EQ(r.Out, "0\nuser::rw-\ngroup::rw-\nother::---\n\n660\n");
  // A new file has the list the folder gives any new file.
  r = Sh("(umask 022; touch d/t.bmp; $H render helix.fnc -o d/n.bmp >/dev/null); "
         "getfacl -cp d/t.bmp | tail -n +2 > t; getfacl -cp d/n.bmp | tail -n +2 > n; cmp t n && grep -c nobody:rw- n");
  EXPECT_EQ(r.Out, "1\n") << r.Out;
  // A target with a list keeps it exactly, renamed or in place.
  r = Sh("setfacl -b d && touch l.bmp && setfacl -m u:nobody:r,g:daemon:rw l.bmp && getfacl -cp l.bmp > before && "
         "$H render helix.fnc -o l.bmp >/dev/null && getfacl -cp l.bmp | cmp - before && ln l.bmp l2 && "
         "$H render helix.fnc -o l.bmp >/dev/null && getfacl -cp l.bmp | cmp - before && echo kept");
  EXPECT_EQ(r.Out, "kept\n");
}

TEST_F(SaveCasesTest, AttributesAndFlagsTheSaverCannotGiveStay) {
  if (!Root() || !Have("setfattr") || !Have("chattr")) GTEST_SKIP() << "needs root, setfattr and chattr";
  if (Sh("touch probe && setfattr -n trusted.x -v 1 probe && chattr +d probe").Status != 0)
    GTEST_SKIP() << "no trusted attributes or inode flags here";
  // Another user's file: the trusted attribute is out of their sight.
  const auto r = Sh("touch f.bmp && chown 54321:54321 f.bmp && setfattr -n trusted.x -v 1 f.bmp && chattr +dA f.bmp && lsattr f.bmp > flags && "
                    "setpriv --reuid=54321 --regid=54321 --clear-groups $H render helix.fnc -o f.bmp >/dev/null; echo $?; "
                    "getfattr --only-values -n trusted.x f.bmp; echo; lsattr f.bmp | cmp - flags && "
                    "$H render helix.fnc -o f.bmp >/dev/null; getfattr --only-values -n trusted.x f.bmp; echo; "
                    "lsattr f.bmp | cmp - flags && stat -c %s f.bmp");
  EXPECT_EQ(r.Out, "0\n1\n1\n271678\n") << r.Out;
}

TEST_F(SaveCasesTest, SavesThatOnlyWritingCanDoAreDone) {
  if (!Root()) GTEST_SKIP() << "needs root for mounts and other users";
  // A bind-mounted target: the rename is refused, the file is written.
  auto r = Sh("echo old > b.bmp && touch m && mount --bind m b.bmp || exit 77; "
              "$H render helix.fnc -o b.bmp >/dev/null; echo $?; umount b.bmp; stat -c %s m; ls -A | grep -c helixor-");
  if (r.Status == 77) GTEST_SKIP() << "no bind mounts here";
  EXPECT_EQ(r.Out, "0\n271678\n0\n");
  // A write-only file for a member of its group.
  r = Sh("echo old > w.bmp && chown 54321:54330 w.bmp && chmod 620 w.bmp && "
         "setpriv --reuid=54322 --regid=54322 --groups=54330 $H render helix.fnc -o w.bmp >/dev/null; echo $?; "
         "stat -c '%s %u %a' w.bmp");
  EXPECT_EQ(r.Out, "0\n271678 54321 620\n");
  // A hard-linked file on a nearly full file system: the copy of the old
  // content goes to the temporary folder.
  r = Sh("mkdir small && mount -t tmpfs -o size=600k tmpfs small || exit 77; "
         "head -c 300000 /dev/zero > small/g.bmp && ln small/g.bmp small/g2 && "
         "$H render helix.fnc -o small/g.bmp >/dev/null; echo $?; stat -c %s small/g2; ls -A small");
  if (r.Status == 77) GTEST_SKIP() << "no tmpfs mounts here";
  EXPECT_EQ(r.Out, "0\n271678\ng.bmp\ng2\n");
}

TEST_F(SaveCasesTest, FailuresAreToldWithWhereTheOldContentIs) {
  if (!Have("strace") || Sh("strace -qq -o /dev/null true").Status != 0) GTEST_SKIP() << "strace cannot trace here";
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's runtime makes system calls of its own";
#endif
  // The target's sync fails, and so does putting the old content back.
  auto r = Sh("echo old picture > g.bmp && ln g.bmp g2 && env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=fdatasync "
              "-e inject=fdatasync:error=EIO:when=2+ $H render helix.fnc -o g.bmp >/dev/null 2>err; echo $?; "
              "sed 's/helixor-old-....../helixor-old-X/' err; cat .helixor-old-*");
  EXPECT_EQ(r.Out, "2\nhelixor-cli: cannot write 'g.bmp': I/O error 5; the old content is kept in '" + Path("") +
                       ".helixor-old-X'\nold picture\n");
  // Interrupted calls are retried, not reported.
  r = Sh("env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=fdatasync,rename,renameat,renameat2 -e inject=fdatasync:error=EINTR:when=1 "
         "-e inject=renameat2:error=EINTR:when=1 -e inject=renameat:error=EINTR:when=1 "
         "$H render helix.fnc -o i.bmp >/dev/null; echo $?; stat -c %s i.bmp");
  EXPECT_EQ(r.Out, "0\n271678\n");
  // A copy that cannot be removed (an append-only folder) is reported.
  if (!Root() || Sh("mkdir ap && chattr +a ap").Status != 0) return;
  r = Sh("echo old > ap/a.bmp && ln ap/a.bmp ap/a2 && $H render helix.fnc -o ap/a.bmp >/dev/null 2>err; echo $?; "
         "sed 's/helixor-old-....../helixor-old-X/' err; stat -c %s ap/a.bmp");
  EXPECT_EQ(r.Out, "2\nhelixor-cli: cannot write 'ap/a.bmp': File access denied; '" + Path("ap") +
                       "/.helixor-old-X' was left behind\n271678\n");
}

TEST_F(SaveCasesTest, NamesInMessagesStayOneLineAndInert) {
  const auto r = Sh("$H render helix.fnc -o \"$(printf 'no\\nsuch/\\033[31mx.bmp')\" 2>&1 >/dev/null");
  EXPECT_EQ(r.Out, "helixor-cli: cannot write 'no\\nsuch/\\x1b[31mx.bmp': File not found\n");
  EXPECT_EQ(ShownFileName("caf\xc3\xa9 \xc2\x9b" "1m \xff.bmp"), "caf\xc3\xa9 \\u009b1m \\xff.bmp");
}

TEST_F(SaveCasesTest, AnSvgOfManySamplesIsWrittenInLittleMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than the bound";
#endif
  // 10^6 samples, some 40 MB of SVG, with 24 MB of address space.
  const auto r = Sh("ulimit -v 24576; $H render --set Precission=1000000 --set AEdit=0 --set BEdit=1 --set xt=t "
                    "--set yt=t*t --set zt=t -o big.svg >/dev/null; echo $?; tail -c 7 big.svg");
  EXPECT_EQ(r.Out, "0\n</svg>\n");
  EXPECT_GT(fs::file_size(dir_ / "big.svg"), 20000000u);
}

// The peak resident memory, in kB, of helixor-cli run with these
// arguments in Folder; -1 when it failed.
long PeakKilobytes(const fs::path& folder, const std::vector<std::string>& args) {
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    if (null < 0 || ::chdir(folder.c_str()) != 0) ::_exit(127);
    ::dup2(null, 1);
    std::vector<char*> argv{const_cast<char*>(HELIXOR_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(HELIXOR_CLI, argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return -1;
  return usage.ru_maxrss;
}

TEST_F(SaveCasesTest, TenMillionSamplesDrawInUnderTenMegabytesInEveryFormat) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's shadow memory is resident too";
#endif
  const long small = PeakKilobytes(dir_, {"render", "helix.fnc", "-o", "small.bmp"});
  ASSERT_GT(small, 0);
  if (small > 8000) GTEST_SKIP() << "the program alone takes " << small << " kB here (an emulator?)";
  for (const char* format : {"bmp", "png", "svg"}) {
    if (std::string(format) == "png" && Sh("$H render helix.fnc -o probe.png").Status != 0) continue;
    SCOPED_TRACE(format);
    const std::string picture = std::string("big.") + format;
    const long peak = PeakKilobytes(dir_, {"render", "helix.fnc", "--set", "Precission=10000000", "-o", picture});
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 10 * 1024);
    // The SVG holds every point: some 40 bytes each.
    EXPECT_GT(fs::file_size(dir_ / picture), std::string(format) == "svg" ? 300000000u : 1000u);
    fs::remove(dir_ / picture);
  }
}

TEST_F(SaveCasesTest, SavingLeavesTheUmaskAlone) {
  if (!Have("strace") || Sh("strace -qq -o /dev/null true").Status != 0) GTEST_SKIP() << "strace cannot trace here";
  const auto r = Sh("echo old > u.bmp; ln u.bmp u2; env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -e trace=umask -o trace $H render helix.fnc -o u.bmp "
                    ">/dev/null; $H render helix.fnc -o n.bmp > /dev/null; wc -l < trace");
  EXPECT_EQ(r.Out, "0\n");
}

// The decision table of fileio/FileIo.h, row by row.
TEST(SaveDecisionTable, EveryRowTakesItsWay) {
  struct TRow {
    const char* Name;
    TSaveTarget Facts;
    TSaveWay Way;
  };
  const TRow rows[] = {
      {"descriptor, device or FIFO", {true, false, false, false, true, true}, TSaveWay::Direct},
      {"missing", {false, true, false, false, false, true}, TSaveWay::Rename},
      {"one link, identity kept", {true, true, true, true, false, false}, TSaveWay::Rename},
      {"second link", {true, false, true, true, false, false}, TSaveWay::InPlace},
      {"read-only folder", {true, true, false, true, false, false}, TSaveWay::InPlace},
      {"identity not kept", {true, true, true, false, false, false}, TSaveWay::InPlace},
      {"attributes hidden from the saver", {true, true, true, true, false, true}, TSaveWay::InPlace},
  };
  for (const TRow& row : rows) EXPECT_EQ(ChooseSaveWay(row.Facts), row.Way) << row.Name;
}

}  // namespace
