// Reading files (regular files only, without blocking), replacing them
// (nothing partial left behind, links and permissions kept) and the user's
// texts for the system's error numbers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "evaluator/Faults.h"
#include "fileio/FileIo.h"

namespace fs = std::filesystem;

namespace {

class SafeFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("helixor-safe-" + std::to_string(::getpid()) + "-" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::optional<TSaveError> Replace(const std::string& path, const std::string& bytes) {
    return ReplaceFileContents(path, bytes.data(), bytes.size());
  }
  static mode_t Mode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
  }
  fs::path dir_;
};

int ReadErrno(const std::string& path) {
  std::string contents;
  const auto error = ReadRegularFile(path, contents);
  return error ? error->Errno : 0;
}

TEST_F(SafeFileTest, ReadsRegularFilesWholeWhateverTheyHold) {
  std::string bytes;
  for (int k = 0; k < 300000; ++k) bytes += static_cast<char>(k * 7 % 256);  // NULs and CRs included
  std::string contents = "old";
  EXPECT_FALSE(ReadRegularFile(Write("big", bytes), contents));
  EXPECT_EQ(contents, bytes);
  EXPECT_FALSE(ReadRegularFile(Write("empty", ""), contents));
  EXPECT_EQ(contents, "");
  // Through a link; and a file whose size the system gives as 0 is still
  // read to its end.
  fs::create_symlink(Path("big"), Path("link"));
  EXPECT_FALSE(ReadRegularFile(Path("link"), contents));
  EXPECT_EQ(contents.size(), bytes.size());
  if (fs::exists("/proc/self/status")) {
    EXPECT_FALSE(ReadRegularFile("/proc/self/status", contents));
    EXPECT_NE(contents.find("Pid:"), std::string::npos);
  }
}

TEST_F(SafeFileTest, RefusesWhatIsNoRegularFileWithoutBlocking) {
  // A FIFO without a writer would block an ordinary open for ever; the test
  // would hang rather than fail.
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(ReadErrno(Path("fifo")), EACCES);
  fs::create_symlink(Path("fifo"), Path("to-fifo"));
  EXPECT_EQ(ReadErrno(Path("to-fifo")), EACCES);
  for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/null"}) {
    if (fs::exists(device)) {
      EXPECT_EQ(ReadErrno(device), EACCES) << device;
    }
  }
  EXPECT_EQ(ReadErrno(dir_.string()), EISDIR);
  EXPECT_EQ(ReadErrno(Path("missing")), ENOENT);
  EXPECT_EQ(ReadErrno(""), ENOENT);
  EXPECT_EQ(ReadErrno(Write("file", "x") + "/below"), ENOTDIR);
  fs::create_symlink(Path("nowhere"), Path("dangling"));
  EXPECT_EQ(ReadErrno(Path("dangling")), ENOENT);
}

TEST_F(SafeFileTest, ReplacingKeepsPermissionsAndLeavesNothingBeside) {
  const std::string path = Write("private", "old");
  ::chmod(path.c_str(), 0600);
  EXPECT_FALSE(Replace(path, "new"));
  EXPECT_EQ(Read(path), "new");
  EXPECT_EQ(Mode(path), 0600u);
  // A new file takes the usual permissions.
  const mode_t mask = ::umask(022);
  EXPECT_FALSE(Replace(Path("fresh"), "1"));
  ::umask(mask);
  EXPECT_EQ(Mode(Path("fresh")), 0644u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"fresh", "private"}));
}

TEST_F(SafeFileTest, LinksAreFollowedAlsoWhenTheyDangle) {
  fs::create_directories(dir_ / "real");
  fs::create_symlink("real/target", Path("dangling"));
  EXPECT_FALSE(Replace(Path("dangling"), "made"));
  EXPECT_TRUE(fs::is_symlink(Path("dangling")));
  EXPECT_EQ(Read(Path("real/target")), "made");
  // A chain of links, relative and absolute, to an existing file.
  fs::create_symlink(Path("dangling"), Path("second"));
  EXPECT_FALSE(Replace(Path("second"), "again"));
  EXPECT_TRUE(fs::is_symlink(Path("second")));
  EXPECT_EQ(Read(Path("real/target")), "again");
  // A loop of links is an error, not a hang.
  fs::create_symlink("loop-b", Path("loop-a"));
  fs::create_symlink("loop-a", Path("loop-b"));
  const auto loop = Replace(Path("loop-a"), "x");
  ASSERT_TRUE(loop);
  EXPECT_EQ(loop->Errno, ELOOP);
  EXPECT_TRUE(fs::is_symlink(Path("loop-a")));
}

TEST_F(SafeFileTest, RefusedReplacementsLeaveTheOldFile) {
  const std::string readOnly = Write("read-only", "keep");
  ::chmod(readOnly.c_str(), 0444);
  if (::access(readOnly.c_str(), W_OK) != 0) {  // root may write anything
    const auto error = Replace(readOnly, "lost");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Errno, EACCES);
    EXPECT_EQ(Read(readOnly), "keep");
  }
  // A FIFO nobody reads is an error at once, not a wait.
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  const auto fifo = Replace(Path("fifo"), "x");
  ASSERT_TRUE(fifo);
  EXPECT_EQ(fifo->Errno, ENXIO);
  const auto folder = Replace(dir_.string(), "x");
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->Errno, EISDIR);
  const auto missing = Replace(Path("no/such/folder"), "x");
  ASSERT_TRUE(missing);
  EXPECT_TRUE(missing->Creating);
  EXPECT_EQ(missing->Errno, ENOENT);
  EXPECT_EQ(Names(), (std::vector<std::string>{"fifo", "read-only"}));
}

TEST_F(SafeFileTest, ASaveKilledWhileWritingLeavesTheOldFileAndNoTemporary) {
  // Where unnamed files exist, the new contents have no name until done.
  const int probe = ::open(dir_.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (probe < 0) GTEST_SKIP() << "no unnamed temporary files on this file system";
  ::close(probe);
  const std::string path = Write("target", "old contents");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The file size limit kills the process part-way through the write.
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string big(1 << 20, 'x');
    (void)ReplaceFileContents(path, big.data(), big.size());
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
  EXPECT_EQ(Read(path), "old contents");
  EXPECT_EQ(Names(), std::vector<std::string>{"target"});
}

// One process saves a hard-linked file in place (so the file itself is cut
// short and rewritten) and stops half-way; another reads it meanwhile.
TEST_F(SafeFileTest, AReadDuringAnInPlaceSaveGetsTheOldOrTheNewContentWhole) {
  const std::string path = Write("table.csv", std::string(100000, 'o'));
  ASSERT_EQ(::link(path.c_str(), Path("second").c_str()), 0);
  int halfway[2], resume[2];
  ASSERT_EQ(::pipe(halfway), 0);
  ASSERT_EQ(::pipe(resume), 0);
  const pid_t saver = ::fork();
  ASSERT_GE(saver, 0);
  if (saver == 0) {
    TFileSave save;
    const std::string half(50000, 'n');
    bool ok = !save.Begin(path) && save.Way() == TSaveWay::InPlace && !save.Write(half.data(), half.size());
    char go = ok ? 1 : 0;
    (void)!::write(halfway[1], &go, 1);
    (void)!::read(resume[0], &go, 1);
    ok = ok && !save.Write(half.data(), half.size()) && !save.Commit();
    ::_exit(ok ? 0 : 1);
  }
  char ready = 0;
  ASSERT_EQ(::read(halfway[0], &ready, 1), 1);
  ASSERT_EQ(ready, 1);
  // The file now holds half the new table; the reader must wait for the rest.
  ASSERT_EQ(fs::file_size(path), 50000u);
  const pid_t reader = ::fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    std::string contents;
    const auto failed = ReadRegularFile(path, contents);
    ::_exit(failed ? 2 : contents == std::string(100000, 'n') ? 0 : contents == std::string(100000, 'o') ? 3 : 1);
  }
  ::usleep(300000);
  int read = 0;
  const bool waited = ::waitpid(reader, &read, WNOHANG) == 0;
  EXPECT_TRUE(waited) << "the read did not wait for the save";
  char go = 1;
  ASSERT_EQ(::write(resume[1], &go, 1), 1);
  int saved = 0;
  ASSERT_EQ(::waitpid(saver, &saved, 0), saver);
  EXPECT_TRUE(WIFEXITED(saved) && WEXITSTATUS(saved) == 0);
  if (waited) ASSERT_EQ(::waitpid(reader, &read, 0), reader);
  ASSERT_TRUE(WIFEXITED(read));
  EXPECT_EQ(WEXITSTATUS(read), 0) << "1: a torn file, 2: the read failed";
  for (int fd : {halfway[0], halfway[1], resume[0], resume[1]}) ::close(fd);
}

TEST_F(SafeFileTest, CreatingNeverReplaces) {
  EXPECT_FALSE(CreateFileContents(Path("page"), "one", 3));
  EXPECT_EQ(Read(Path("page")), "one");
  const auto again = CreateFileContents(Path("page"), "two", 3);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Errno, EEXIST);
  EXPECT_EQ(Read(Path("page")), "one");
  fs::create_symlink(Path("elsewhere"), Path("link"));
  EXPECT_EQ(CreateFileContents(Path("link"), "x", 1)->Errno, EEXIST);
  EXPECT_FALSE(fs::exists(Path("elsewhere")));
  EXPECT_EQ(Names(), (std::vector<std::string>{"link", "page"}));
}

TEST(FileErrorTexts, GoByMeaningAndOtherwiseGiveTheSystemsNumber) {
  const std::pair<int, const char*> cases[] = {
      {ENOENT, "File not found"},     {ENOTDIR, "Invalid filename"},   {ENAMETOOLONG, "Invalid filename"},
      {EMFILE, "Too many open files"}, {ENFILE, "Too many open files"}, {EACCES, "File access denied"},
      {EPERM, "File access denied"},  {EROFS, "File access denied"},   {EISDIR, "File access denied"},
      {ENOSPC, "Disk full"},          {EDQUOT, "Disk full"},           {EIO, "I/O error 5"},
      {EINTR, "I/O error 4"},         {ENOMEM, "I/O error 12"},        {EFBIG, "I/O error 27"},
  };
  for (const auto& [err, text] : cases) {
    const IoFault fault = IoFault::OfErrno(err);
    EXPECT_STREQ(fault.what(), text) << err;
  }
  // A missing folder while creating is a bad name, not a missing file.
  EXPECT_STREQ(IoFault::OfErrno(ENOENT, true).what(), "Invalid filename");
  EXPECT_EQ(IoFault::OfErrno(EIO).SystemError(), EIO);
  EXPECT_EQ(IoFault::OfErrno(EIO).Code(), 0);
  EXPECT_EQ(IoFault::OfErrno(EACCES).Code(), 5);
  EXPECT_EQ(WithFullStop(IoFault::OfErrno(EIO).what()), "I/O error 5.");
}

}  // namespace
