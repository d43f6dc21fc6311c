// Saving keeps the file a user had: hard links, owner, group, permissions
// (never the set-ID bits), names of any length, files in folders the user
// may not write; links planted in sticky folders are refused; devices and
// FIFOs take the bytes directly; and a failure at any step of either way
// leaves the old content.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "plot/CliProcess.h"
#include "fileio/FileIo.h"
#include "fileio/SavePolicy.h"

namespace fs = std::filesystem;

namespace {

// Ids without a passwd entry, for the other users of a test run as root.
constexpr uid_t Alice = 54321;
constexpr uid_t Bob = 54322;
constexpr gid_t Project = 54330;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct stat Stat(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st;
}

std::optional<TSaveError> Replace(const std::string& path, const std::string& bytes) {
  return ReplaceFileContents(path, bytes.data(), bytes.size());
}

// Runs Body in a child process as the user and groups given; its result is
// the child's exit status (0 for success). Needs root.
int RunAs(uid_t uid, gid_t gid, std::vector<gid_t> groups, const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(groups.size(), groups.data()) != 0 || ::setresgid(gid, gid, gid) != 0 ||
        ::setresuid(uid, uid, uid) != 0)
      ::_exit(100);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

class SavePolicyTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("helixor-policy-" + std::to_string(::getpid()) + "-" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::permissions(dir_, fs::perms::all, fs::perm_options::replace);  // others reach their files
    ::chmod(dir_.c_str(), 0755);
  }
  void TearDown() override {
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
      if (entry.is_directory() && !entry.is_symlink()) ::chmod(entry.path().c_str(), 0755);
    ::chmod(dir_.c_str(), 0755);
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  std::vector<std::string> Names(const std::string& folder = "") const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.empty() ? dir_ : dir_ / folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static bool Root() { return ::geteuid() == 0; }
  fs::path dir_;
};

TEST(ChooseSaveWayTest, RenamesOnlyWhereTheFileStaysTheSame) {
  EXPECT_EQ(ChooseSaveWay(TSaveTarget{false, true, false, false}), TSaveWay::Rename);  // a new file
  EXPECT_EQ(ChooseSaveWay(TSaveTarget{true, true, true, true}), TSaveWay::Rename);
  EXPECT_EQ(ChooseSaveWay(TSaveTarget{true, false, true, true}), TSaveWay::InPlace);  // a second link
  EXPECT_EQ(ChooseSaveWay(TSaveTarget{true, true, false, true}), TSaveWay::InPlace);  // read-only folder
  EXPECT_EQ(ChooseSaveWay(TSaveTarget{true, true, true, false}), TSaveWay::InPlace);  // another owner
}

TEST_F(SavePolicyTest, AHardLinkedFileStaysOneFileForBothNames) {
  const std::string a = Write("a.fnc", "old");
  ASSERT_EQ(::link(a.c_str(), Path("b.fnc").c_str()), 0);
  const ino_t inode = Stat(a).st_ino;
  EXPECT_FALSE(Replace(a, "new content"));
  EXPECT_EQ(Read(Path("b.fnc")), "new content");
  EXPECT_EQ(Stat(a).st_ino, inode);
  EXPECT_EQ(Stat(a).st_nlink, 2u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.fnc", "b.fnc"}));
}

TEST_F(SavePolicyTest, TheLongestNameTheSystemTakesSavesAgainAndAgain) {
  const std::string name = std::string(251, 'n') + ".bmp";
  EXPECT_FALSE(Replace(Path(name), "one"));
  EXPECT_FALSE(Replace(Path(name), "two"));
  EXPECT_FALSE(Replace(Path(name), "three"));
  EXPECT_EQ(Read(Path(name)), "three");
  EXPECT_EQ(Names(), std::vector<std::string>{name});
}

TEST_F(SavePolicyTest, SetIdBitsNeverReachNewContent) {
  for (const bool linked : {false, true}) {
    SCOPED_TRACE(linked ? "in place" : "renamed");
    const std::string path = Write("tool", "#!/bin/sh\n");
    ::chmod(path.c_str(), 06755);
    if (linked) ::link(path.c_str(), Path("second").c_str());
    EXPECT_FALSE(Replace(path, "a picture"));
    EXPECT_EQ(Stat(path).st_mode & 07777, 0755u);
    EXPECT_EQ(Read(path), "a picture");
    fs::remove(path);
    fs::remove(Path("second"));
  }
}

TEST_F(SavePolicyTest, AFailureAfterTheTruncationPutsTheOldContentBack) {
  // The second link makes the save write in place; the file size limit
  // fails the write part-way, after the target was cut short.
  const std::string path = Write("target", "old contents");
  ::chmod(path.c_str(), 04755);
  ::link(path.c_str(), Path("other").c_str());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string big(1 << 20, 'x');
    const auto error = ReplaceFileContents(path, big.data(), big.size());
    ::_exit(error && !error->Creating && error->Errno == EFBIG ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Read(path), "old contents");
  EXPECT_EQ(Stat(path).st_nlink, 2u);
  EXPECT_EQ(Stat(path).st_mode & 07777, 04755u);  // the file as it was
  EXPECT_EQ(Names(), (std::vector<std::string>{"other", "target"}));
}

TEST_F(SavePolicyTest, ASaveThatCouldNotBeginTakesNoBytes) {
  // In place (a second link), with the copy of the old content failing
  // on the file size limit: what is written afterwards must not reach
  // the file.
  const std::string old(16384, 'o');
  const std::string path = Write("target", old);
  ::link(path.c_str(), Path("other").c_str());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    TFileSave save;
    const bool began = !save.Begin(path);
    const bool wrote = !save.Write("new", 3);
    const bool committed = !save.Commit();
    ::_exit(!began && !wrote && !committed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Read(path), old);
  EXPECT_EQ(Names(), (std::vector<std::string>{"other", "target"}));
}

TEST_F(SavePolicyTest, AStreamedSaveLeftUnfinishedLeavesTheOldContent) {
  for (const bool linked : {false, true}) {
    SCOPED_TRACE(linked ? "in place" : "renamed");
    const std::string path = Write("table.csv", "old");
    if (linked) ::link(path.c_str(), Path("second").c_str());
    {
      TFileSave save;
      ASSERT_FALSE(save.Begin(path));
      EXPECT_EQ(save.Way(), linked ? TSaveWay::InPlace : TSaveWay::Rename);
      for (int k = 0; k < 100; ++k) ASSERT_FALSE(save.Write("row\n", 4));
    }
    EXPECT_EQ(Read(path), "old");
    {
      // Given up before the first byte: the file is not even touched.
      const struct stat before = Stat(path);
      {
        TFileSave save;
        ASSERT_FALSE(save.Begin(path));
      }
      EXPECT_EQ(Stat(path).st_mtim.tv_nsec, before.st_mtim.tv_nsec);
      EXPECT_EQ(Stat(path).st_ino, before.st_ino);
    }
    {
      TFileSave save;
      ASSERT_FALSE(save.Begin(path));
      for (int k = 0; k < 100; ++k) ASSERT_FALSE(save.Write("row\n", 4));
      ASSERT_FALSE(save.Commit());
    }
    EXPECT_EQ(fs::file_size(path), 400u);
    EXPECT_EQ(Names().size(), linked ? 2u : 1u);
    fs::remove(path);
    fs::remove(Path("second"));
  }
}

TEST_F(SavePolicyTest, DevicesAndFifosTakeTheBytesDirectly) {
  EXPECT_FALSE(Replace("/dev/null", "anything"));
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = Read(Path("pipe")); });
  // The writer may come before the reader has opened its end.
  std::optional<TSaveError> error;
  for (int attempt = 0; attempt < 200; ++attempt) {
    error = Replace(Path("pipe"), "through the pipe");
    if (!error || error->Errno != ENXIO) break;
    ::usleep(10000);
  }
  reader.join();
  EXPECT_FALSE(error);
  EXPECT_EQ(received, "through the pipe");
  EXPECT_EQ(Names(), std::vector<std::string>{"pipe"});
}

TEST_F(SavePolicyTest, AFifoWhoseReaderGoesAwayIsAnErrorNotTheEndOfTheProgram) {
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  // The reader opens its end, then leaves without reading.
  std::thread reader([&] { ::close(::open(Path("pipe").c_str(), O_RDONLY)); });
  TFileSave save;
  std::optional<TSaveError> error;
  for (int attempt = 0; attempt < 200; ++attempt) {
    error = save.Begin(Path("pipe"));
    if (!error || error->Errno != ENXIO) break;
    ::usleep(10000);
  }
  reader.join();
  ASSERT_FALSE(error);
  const std::string big(1 << 20, 'x');
  error = save.Write(big.data(), big.size());
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Errno, EPIPE);
}

TEST_F(SavePolicyTest, AWritableFileInAFolderTheUserMayNotWriteIsSaved) {
  fs::create_directories(dir_ / "shared");
  const std::string path = Write("shared/graph.bmp", "old");
  auto save = [&] {
    ::chmod(Path("shared").c_str(), 0555);
    if (::access(Path("shared").c_str(), W_OK) == 0) return 10;  // the folder is still writable
    const auto error = Replace(path, "new");
    return error ? 20 + error->Errno : 0;
  };
  if (Root()) {
    ::chown(Path("shared").c_str(), Alice, Alice);
    ::chown(path.c_str(), Alice, Alice);
    EXPECT_EQ(RunAs(Alice, Alice, {}, save), 0);
  } else {
    EXPECT_EQ(save(), 0);
  }
  EXPECT_EQ(Read(path), "new");
  EXPECT_EQ(Names("shared"), std::vector<std::string>{"graph.bmp"});
}

TEST_F(SavePolicyTest, OwnersGroupsAndPermissionsStay) {
  if (!Root()) GTEST_SKIP() << "another user's files need root to set up";
  // Root saving over another user's private file.
  const std::string own = Write("alice.fnc", "old");
  ::chown(own.c_str(), Alice, Alice);
  ::chmod(own.c_str(), 0600);
  EXPECT_FALSE(Replace(own, "new"));
  EXPECT_EQ(Stat(own).st_uid, Alice);
  EXPECT_EQ(Stat(own).st_gid, Alice);
  EXPECT_EQ(Stat(own).st_mode & 07777, 0600u);
  EXPECT_EQ(RunAs(Alice, Alice, {}, [&] { return Read(own) == "new" ? 0 : 1; }), 0);

  // A member of the group saving over a colleague's file in a group folder.
  fs::create_directories(dir_ / "group");
  ::chown(Path("group").c_str(), 0, Project);
  ::chmod(Path("group").c_str(), 02775);
  const std::string shared = Write("group/plan.fnc", "old");
  ::chown(shared.c_str(), Alice, Project);
  ::chmod(shared.c_str(), 0664);
  EXPECT_EQ(RunAs(Bob, Bob, {Project}, [&] { return Replace(shared, "bob's") ? 1 : 0; }), 0);
  EXPECT_EQ(Read(shared), "bob's");
  EXPECT_EQ(Stat(shared).st_uid, Alice);
  EXPECT_EQ(Stat(shared).st_gid, Project);
  EXPECT_EQ(Stat(shared).st_mode & 07777, 0664u);
  EXPECT_EQ(Names("group"), std::vector<std::string>{"plan.fnc"});
}

TEST_F(SavePolicyTest, ALinkPlantedInAStickyFolderIsRefused) {
  if (!Root()) GTEST_SKIP() << "a link owned by another user needs root to set up";
  fs::create_directories(dir_ / "public");
  ::chmod(Path("public").c_str(), 01777);
  const std::string secret = Write("secret", "root's");
  // Alice's link in the public folder, pointing at root's file.
  const std::string planted = Path("public/out.bmp");
  fs::create_symlink(secret, planted);
  ASSERT_EQ(::lchown(planted.c_str(), Alice, Alice), 0);
  const auto error = Replace(planted, "overwritten");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Errno, EACCES);
  EXPECT_EQ(Read(secret), "root's");
  EXPECT_TRUE(fs::is_symlink(planted));
  // A link of the user's own there is followed, as is one in a folder
  // that is not world-writable.
  fs::create_symlink(secret, Path("public/mine.bmp"));
  EXPECT_FALSE(Replace(Path("public/mine.bmp"), "mine"));
  EXPECT_EQ(Read(secret), "mine");
  ::chmod(Path("public").c_str(), 0755);
  EXPECT_FALSE(Replace(planted, "now followed"));
  EXPECT_EQ(Read(secret), "now followed");
}

// helixor-cli render -o over an existing picture, with one system call
// failing at a time: afterwards the file holds the old content or the whole
// new picture, never a part, and nothing is left beside it.
class SaveFaultTest : public SavePolicyTest {
 protected:
  std::string Render(const std::string& output, const std::string& prefix) const {
    return RunProcess(HELIXOR_CLI, {"render", Path("helix.fnc"), "-o", output}, prefix).Err;
  }
};

TEST_F(SaveFaultTest, EveryInjectedFailureLeavesTheOldOrTheNewPicture) {
  if (RunShellLine("strace -qq -o /dev/null true 2>/dev/null").Status != 0) GTEST_SKIP() << "strace cannot trace here";
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's runtime makes system calls of its own";
#endif
  std::ofstream(Path("helix.fnc"), std::ios::binary)
      << "AEdit=0\r\nBEdit=2*pi\r\nxt=cos(t)\r\nyt=sin(t)\r\nzt=t/4\r\nPrecission=50\r\n";
  fs::create_directories(dir_ / "out");
  Render(Path("reference.bmp"), "LC_ALL=C");
  const std::string picture = Read(Path("reference.bmp"));
  ASSERT_EQ(picture.size(), 271678u);
  const std::string target = Path("out/graph.bmp");
  const char* const calls[] = {"openat", "write", "pread64", "ftruncate", "fdatasync", "fsync", "fchmod",
                               "fchown", "linkat", "rename", "close", "unlink", "fsetxattr"};
  int injected = 0;
  for (const bool linked : {false, true}) {
    for (const char* call : calls) {
      for (int when = 1; when <= 4; ++when) {
        const std::string trace = std::string(linked ? "in place, " : "renamed, ") + call + " #" + std::to_string(when);
        SCOPED_TRACE(trace);
        fs::remove_all(dir_ / "out");
        fs::create_directories(dir_ / "out");
        std::ofstream(target, std::ios::binary) << "old picture";
        if (linked) ::link(target.c_str(), Path("out/second").c_str());
        // Opening and closing files starts with the program's libraries:
        // those two are counted on the picture and its folder only.
        const std::string call_ = call;
        const std::string paths =
            call_ == "openat" || call_ == "close" ? "-P " + ShellQuote(target) + " -P " + ShellQuote(Path("out")) + " " : "";
        const std::string err =
            Render(target, "LC_ALL=C timeout 20 env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null " + paths + "-e trace=" + call +
                               " -e inject=" + call + ":error=EIO:when=" + std::to_string(when));
        const std::string now = Read(target);
        EXPECT_TRUE(now == "old picture" || now == picture) << now.size() << " bytes\n" << err;
        if (now == "old picture") ++injected;
        if (linked) {
          EXPECT_EQ(Read(Path("out/second")), now);
        }
        std::vector<std::string> left = Names("out");
        // A copy of the old content that cannot be removed stays, by its name.
        if (call_ == "unlink")
          left.erase(std::remove_if(left.begin(), left.end(),
                                    [](const std::string& name) { return name.rfind(".helixor-old-", 0) == 0; }),
                     left.end());
        EXPECT_EQ(left, linked ? (std::vector<std::string>{"graph.bmp", "second"})
                               : std::vector<std::string>{"graph.bmp"});
      }
    }
  }
  // Not every call has a fourth use; many do fail the save.
  EXPECT_GT(injected, 10);
}

TEST_F(SaveFaultTest, WithoutUnnamedFilesAShortNamedOneServes) {
  if (RunShellLine(ShellQuote(WITHOUT_UNNAMED_FILES) + " /bin/true 2>/dev/null").Status != 0)
    GTEST_SKIP() << "no seccomp filter can be installed here";
  std::ofstream(Path("helix.fnc"), std::ios::binary)
      << "AEdit=0\r\nBEdit=2*pi\r\nxt=cos(t)\r\nyt=sin(t)\r\nzt=t/4\r\nPrecission=50\r\n";
  fs::create_directories(dir_ / "out");
  // As on a file system without them: opening an unnamed file is refused,
  // while the path's folders and the target open as ever. The name is as
  // long as a name may be, so the temporary one must be shorter.
  const std::string prefix = "LC_ALL=C timeout 20 " + ShellQuote(WITHOUT_UNNAMED_FILES);
  const std::string name = std::string(251, 'n') + ".bmp";
  std::ofstream(Path("out/linked.bmp"), std::ios::binary) << "old";
  ::link(Path("out/linked.bmp").c_str(), Path("out/second.bmp").c_str());
  for (const std::string& target : {name, name, std::string("linked.bmp")}) {
    SCOPED_TRACE(target);
    const TProcessResult r = RunProcess(HELIXOR_CLI, {"render", Path("helix.fnc"), "-o", Path("out/" + target)}, prefix);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(fs::file_size(dir_ / "out" / target), 271678u);
  }
  EXPECT_EQ(fs::file_size(dir_ / "out/second.bmp"), 271678u);
  EXPECT_EQ(Names("out"), (std::vector<std::string>{"linked.bmp", name, "second.bmp"}));
  // And the way without them was the one taken: the unnamed file was asked
  // for and refused.
  if (RunShellLine("strace -qq -o /dev/null true 2>/dev/null").Status != 0) return;
  const std::string trace = Path("trace");
  const TProcessResult traced = RunProcess(HELIXOR_CLI, {"render", Path("helix.fnc"), "-o", Path("out/" + name)},
                                           "LC_ALL=C timeout 20 env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o " +
                                               ShellQuote(trace) +
                                               " -e trace=openat " + ShellQuote(WITHOUT_UNNAMED_FILES));
  EXPECT_EQ(traced.Status, 0) << traced.Err;
  const std::string calls = Read(trace);
  EXPECT_NE(calls.find("O_TMPFILE"), std::string::npos);
  EXPECT_NE(calls.find("EOPNOTSUPP"), std::string::npos);
}

TEST_F(SaveFaultTest, AFailingPermissionChangeThatChangesNothingIsNoFailure) {
  if (RunShellLine("strace -qq -o /dev/null true 2>/dev/null").Status != 0) GTEST_SKIP() << "strace cannot trace here";
  std::ofstream(Path("helix.fnc"), std::ios::binary)
      << "AEdit=0\r\nBEdit=2*pi\r\nxt=cos(t)\r\nyt=sin(t)\r\nzt=t/4\r\nPrecission=50\r\n";
  const std::string target = Write("graph.bmp", "old");
  ::chmod(target.c_str(), 0644);
  // As on file systems that keep no permissions: every fchmod fails. (The
  // leak checker of a sanitizer build cannot run under a tracer.)
  const TProcessResult r = RunProcess(
      HELIXOR_CLI, {"render", Path("helix.fnc"), "-o", target},
      "LC_ALL=C timeout 20 env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=fchmod "
      "-e inject=fchmod:error=EPERM");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(fs::file_size(target), 271678u);
  EXPECT_EQ(Stat(target).st_mode & 07777, 0644u);
  EXPECT_FALSE(fs::exists(Path("new.bmp")));
  const TProcessResult fresh = RunProcess(
      HELIXOR_CLI, {"render", Path("helix.fnc"), "-o", Path("new.bmp")},
      "LC_ALL=C timeout 20 env ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=fchmod "
      "-e inject=fchmod:error=EPERM");
  EXPECT_EQ(fresh.Status, 0) << fresh.Err;
  EXPECT_EQ(fs::file_size(Path("new.bmp")), 271678u);
}

TEST_F(SaveFaultTest, DevicesAndPipesAsThePictureOrTable) {
  std::ofstream(Path("helix.fnc"), std::ios::binary)
      << "AEdit=0\r\nBEdit=2*pi\r\nxt=cos(t)\r\nyt=sin(t)\r\nzt=t/4\r\nPrecission=50\r\n";
  TProcessResult r = RunProcess(HELIXOR_CLI, {"render", Path("helix.fnc"), "-o", "/dev/null"});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(r.Out.find("error-box"), std::string::npos);
  // /dev/stdout names the pipe the output goes into.
  r = RunProcess(HELIXOR_CLI, {"sample", Path("helix.fnc"), "-o", "/dev/stdout"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out.rfind("t,x,y,z\n", 0), 0u);
  EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 52);
  // A FIFO that nobody reads is one clear error, at once.
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  r = RunProcess(HELIXOR_CLI, {"render", Path("helix.fnc"), "-o", Path("fifo")}, "LC_ALL=C timeout 10");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "helixor-cli: cannot write '" + Path("fifo") + "': I/O error 6\n");
}

TEST_F(SaveFaultTest, ALongTableIsWrittenInLittleMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than the bound";
#endif
  // 300 000 rows, 27 MB of table, with 24 MB of address space.
  const std::string table = Path("table.csv");
  const TProcessResult r = RunShellLine("ulimit -v 24576; LC_ALL=C " + ShellQuote(HELIXOR_CLI) +
                                        " sample --set Precission=300000 --set AEdit=0 --set BEdit=1 --set xt=t"
                                        " --set yt=t --set zt=t -o " + ShellQuote(table) + " 2>&1");
  EXPECT_EQ(r.Status, 0) << r.Out;
  EXPECT_GT(fs::file_size(table), 20000000u);
  EXPECT_EQ(Names(), std::vector<std::string>{"table.csv"});
}

}  // namespace
