// The Windows side of reading whole files and of creating a file only where
// none is: wide names, folders and devices refused, nothing half-written.
#include "fileio/FileIo.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

class SafeFileWindowsTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::string("helixor-safefile-win-") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string Path(const char8_t* name) const {
    const std::u8string text = (dir_ / fs::path(name)).u8string();
    return std::string(text.begin(), text.end());
  }
  fs::path dir_;
};

TEST_F(SafeFileWindowsTest, ReadsWhatWasWrittenByAnyName) {
  const std::string path = Path(u8"tore-ü-ω.fnc");
  const std::string bytes("x=1\r\n\x1a\0y", 8);
  ASSERT_FALSE(ReplaceFileContents(path, bytes.data(), bytes.size()));
  std::string read = "stale";
  ASSERT_FALSE(ReadRegularFile(path, read));
  EXPECT_EQ(read, bytes);
  // Larger than the first guess of the reader's buffer.
  const std::string large(200000, 'a');
  ASSERT_FALSE(ReplaceFileContents(path, large.data(), large.size()));
  ASSERT_FALSE(ReadRegularFile(path, read));
  EXPECT_EQ(read, large);
}

TEST_F(SafeFileWindowsTest, ReadingRefusesWhatIsNoFile) {
  std::string read;
  for (const auto& [path, err] : {std::pair{Path(u8"none.fnc"), ENOENT}, std::pair{Path(u8"gone/none.fnc"), ENOENT},
                                  std::pair{Path(u8""), EISDIR}, std::pair{std::string("NUL"), EACCES},
                                  std::pair{std::string(), ENOENT}, std::pair{std::string("\xff\xfe"), EINVAL}}) {
    const auto error = ReadRegularFile(path, read);
    ASSERT_TRUE(error) << path;
    EXPECT_TRUE(error->Opening) << path;
    EXPECT_EQ(error->Errno, err) << path;
    EXPECT_EQ(read, "");
  }
}

TEST_F(SafeFileWindowsTest, CreatingLeavesAnExistingFileAlone) {
  const std::string path = Path(u8"help-é.html");
  ASSERT_FALSE(CreateFileContents(path, "first", 5));
  const auto error = CreateFileContents(path, "second", 6);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Errno, EEXIST);
  std::string read;
  ASSERT_FALSE(ReadRegularFile(path, read));
  EXPECT_EQ(read, "first");
  // No temporary file stays behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
}

TEST_F(SafeFileWindowsTest, AHardLinkedFileIsWrittenInPlaceForBothNames) {
  const std::string path = Path(u8"graph.bmp");
  ASSERT_FALSE(ReplaceFileContents(path, "old", 3));
  std::error_code linked;
  fs::create_hard_link(dir_ / "graph.bmp", dir_ / "second.bmp", linked);
  if (linked) GTEST_SKIP() << "no hard links here: " << linked.message();
  TFileSave save;
  ASSERT_FALSE(save.Begin(path));
  EXPECT_EQ(save.Way(), TSaveWay::InPlace);
  ASSERT_FALSE(save.Write("new content", 11));
  ASSERT_FALSE(save.Commit());
  std::string read;
  ASSERT_FALSE(ReadRegularFile(Path(u8"second.bmp"), read));
  EXPECT_EQ(read, "new content");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2);
  // Left unfinished, the save puts the old content back.
  {
    TFileSave unfinished;
    ASSERT_FALSE(unfinished.Begin(path));
    ASSERT_FALSE(unfinished.Write("partial", 7));
  }
  ASSERT_FALSE(ReadRegularFile(Path(u8"second.bmp"), read));
  EXPECT_EQ(read, "new content");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2);
}

TEST_F(SafeFileWindowsTest, AReadDuringAnInPlaceSaveWaitsForTheWholeNewContent) {
  const std::string path = Path(u8"table.csv");
  ASSERT_FALSE(ReplaceFileContents(path, "old content", 11));
  std::error_code linked;
  fs::create_hard_link(dir_ / "table.csv", dir_ / "second.csv", linked);
  if (linked) GTEST_SKIP() << "no hard links here: " << linked.message();
  TFileSave save;
  ASSERT_FALSE(save.Begin(path));
  ASSERT_EQ(save.Way(), TSaveWay::InPlace);
  ASSERT_FALSE(save.Write("new ", 4));
  // The file now holds "new "; a reader must wait for the rest.
  std::string read;
  std::optional<TReadError> failed;
  std::thread reader([&] { failed = ReadRegularFile(Path(u8"second.csv"), read); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_FALSE(save.Write("content", 7));
  ASSERT_FALSE(save.Commit());
  reader.join();
  EXPECT_FALSE(failed);
  EXPECT_EQ(read, "new content");
}

TEST_F(SafeFileWindowsTest, TheLongestNameSavesAgain) {
  const std::string path = Path(u8"") + "\\" + std::string(240, 'n') + ".bmp";
  ASSERT_FALSE(ReplaceFileContents(path, "one", 3));
  ASSERT_FALSE(ReplaceFileContents(path, "two", 3));
  std::string read;
  ASSERT_FALSE(ReadRegularFile(path, read));
  EXPECT_EQ(read, "two");
}

}  // namespace
