// Replacing and reading files by UTF-8 names, on every platform: bytes pass
// unchanged, a refused replace leaves the old file, nothing else is left.
#include "fileio/FileIo.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

class SafeFileNamesTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::string("helixor-safefile-names-") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(dir_, ignored))
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir_, ignored);
  }
  // The UTF-8 text of a path in the folder.
  std::string Path(const char8_t* name) const {
    const std::u8string text = (dir_ / fs::path(name)).u8string();
    return std::string(text.begin(), text.end());
  }
  std::size_t Entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }

  fs::path dir_;
};

std::string ReadAll(const std::string& path) {
  std::string bytes;
  if (ReadRegularFile(path, bytes)) return "(cannot open)";
  return bytes;
}

// Line ends, a NUL and the byte some systems take for the end of a text.
const std::string Bytes("A=1\r\nB\n\r\0\x1a" "end", 13);

TEST_F(SafeFileNamesTest, ReplacesByNamesBeyondAsciiWithTheBytesUnchanged) {
  const std::string path = Path(u8"spirale-é-ω.fnc");
  ASSERT_FALSE(ReplaceFileContents(path, "old", 3));
  ASSERT_FALSE(ReplaceFileContents(path, Bytes.data(), Bytes.size()));
  EXPECT_EQ(ReadAll(path), Bytes);
  EXPECT_TRUE(fs::exists(dir_ / fs::path(u8"spirale-é-ω.fnc")));
  EXPECT_EQ(Entries(), 1u);
  // An empty content is a file of no bytes.
  ASSERT_FALSE(ReplaceFileContents(path, "", 0));
  EXPECT_EQ(ReadAll(path), "");
}

TEST_F(SafeFileNamesTest, RefusedTargetsKeepWhatWasThere) {
  const std::string folder = Path(u8"folder");
  fs::create_directory(folder);
  auto error = ReplaceFileContents(folder, "x", 1);
  ASSERT_TRUE(error);
  EXPECT_TRUE(error->Creating);
  EXPECT_EQ(error->Errno, EISDIR);
  EXPECT_TRUE(fs::is_directory(folder));

  error = ReplaceFileContents(Path(u8"missing/graph.bmp"), "x", 1);
  ASSERT_TRUE(error);
  EXPECT_TRUE(error->Creating);
  EXPECT_EQ(error->Errno, ENOENT);

  error = ReplaceFileContents("", "x", 1);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Errno, ENOENT);
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(SafeFileNamesTest, AReadOnlyFileIsNotReplaced) {
  const std::string path = Path(u8"kept.fnc");
  ASSERT_FALSE(ReplaceFileContents(path, "old", 3));
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  bool writable = false;
  if (std::FILE* probe = std::fopen(path.c_str(), "r+")) {
    writable = true;
    std::fclose(probe);
  }
  const auto error = ReplaceFileContents(path, "new", 3);
  if (!error) {
    // Only where this user may write to the file anyway (the superuser of
    // a POSIX system); Windows refuses by the read-only mark itself.
    EXPECT_TRUE(writable);
    EXPECT_EQ(ReadAll(path), "new");
  } else {
    EXPECT_TRUE(error->Creating);
    EXPECT_EQ(error->Errno, EACCES);
    EXPECT_EQ(ReadAll(path), "old");
  }
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(SafeFileNamesTest, OpeningAMissingFileTellsWhy) {
  std::string bytes;
  const auto error = ReadRegularFile(Path(u8"none-é.fnc"), bytes);
  ASSERT_TRUE(error);
  EXPECT_TRUE(error->Opening);
  EXPECT_EQ(error->Errno, ENOENT);
}

}  // namespace
