#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "evaluator/Faults.h"
#include "files/FunctionFile.h"

namespace {

class TFields : public TFunctionFields {
 public:
  TFields() {
    for (TField f : AllFields) texts[static_cast<int>(f)] = std::string(InitialText(f));
  }
  std::string FieldText(TField f) const override { return texts[static_cast<int>(f)]; }
  void SetFieldText(TField f, const std::string& t) override {
    texts[static_cast<int>(f)] = t;
    ++sets;
  }
  std::array<std::string, 6> texts;
  int sets = 0;
};

class FunctionFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("helixor-fnc-" + std::to_string(::getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  std::string Write(const char* name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::path dir_;
};

TEST_F(FunctionFileTest, InitialTextsAreWrittenAsSixCrLfLines) {
  TFields fields;
  EXPECT_EQ(FunctionFileBytes(fields),
            "AEdit=         a\r\nBEdit=         b\r\nxt=      x(t)\r\nyt=      y(t)\r\n"
            "zt=      z(t)\r\nPrecission=100\r\n");
}

TEST_F(FunctionFileTest, SaveAndLoadRestoreEveryTextExactly) {
  TFields saved;
  saved.texts = {"  -pi ", "", "a=b==c", "\tsin(t)", "caf\xC3\xA9", " 1 "};
  const std::string path = Path("round.fnc");
  SaveFunctionFile(path, saved);
  EXPECT_EQ(Read(path), "AEdit=  -pi \r\nBEdit=\r\nxt=a=b==c\r\nyt=\tsin(t)\r\nzt=caf\xE9\r\nPrecission= 1 \r\n");
  TFields loaded;
  Load(path, loaded);
  EXPECT_EQ(loaded.texts, saved.texts);
  // Saving again replaces the file and leaves nothing else behind.
  saved.texts[0] = "0";
  SaveFunctionFile(path, saved);
  EXPECT_EQ(Read(path).substr(0, 9), "AEdit=0\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(FunctionFileTest, CharactersOutsideLatin1BecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToLatin1("\xE2\x82\xAC 5 \xC3\xA9"), "? 5 \xE9");
  EXPECT_EQ(Utf8ToLatin1("\xFF\xC3"), "??");
  EXPECT_EQ(Latin1ToUtf8("\xE9\xFF"), "\xC3\xA9\xC3\xBF");
}

TEST_F(FunctionFileTest, ReaderAcceptsMoreThanTheWriterProduces) {
  struct Case {
    const char* name;
    std::string bytes;
    std::array<const char*, 6> expected;
  } cases[] = {
      {"LF line ends", "AEdit=1\nBEdit=2\nxt=t\nyt=0\nzt=0\nPrecission=7\n", {"1", "2", "t", "0", "0", "7"}},
      {"single line", "zt=t/10\r\n", {"         a", "         b", "      x(t)", "      y(t)", "t/10", "100"}},
      {"no final line end", "zt=t", {"         a", "         b", "      x(t)", "      y(t)", "t", "100"}},
      {"any order, later wins, any case",
       "PRECISSION=5\r\nzt=1\r\naedit=0\r\nZT=2\r\n", {"0", "         b", "      x(t)", "      y(t)", "2", "5"}},
      {"skipped lines", "\r\nno equals sign\r\nFoo=1\r\n=5\r\nxt=t\r\n\r\n",
       {"         a", "         b", "t", "      y(t)", "      z(t)", "100"}},
      {"values verbatim", "AEdit=\r\nBEdit=  x = 1 \r\nxt=a\rb\r\nPrecission=abc\r\n",
       {"", "  x = 1 ", "a\rb", "      y(t)", "      z(t)", "abc"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFields fields;
    Load(Write("case.fnc", c.bytes), fields);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(fields.texts[k], c.expected[k]) << k;
  }
}

TEST_F(FunctionFileTest, ComponentThatIsNoFieldStopsTheLoad) {
  TFields fields;
  const std::string path = Write("cast.fnc", "AEdit=1\r\ndrawbutton=Go\r\nBEdit=2\r\n");
  try {
    Load(path, fields);
    FAIL();
  } catch (const InvalidCastFault& f) {
    EXPECT_STREQ(f.what(), "Invalid class typecast");
  }
  EXPECT_EQ(fields.texts[0], "1");
  EXPECT_EQ(fields.texts[1], "         b");
  for (const char* name : {"Parser", "Save", "LABEL1", "Isometric", "SaveDialog"})
    EXPECT_TRUE(fields.IsOtherComponent(name)) << name;
  for (const char* name : {"AEdit", "Graph", "Saved", ""}) EXPECT_FALSE(fields.IsOtherComponent(name)) << name;
}

TEST_F(FunctionFileTest, FileErrorsCarryTheirTexts) {
  TFields fields;
  auto loadText = [&](const std::string& path) -> std::string {
    try {
      Load(path, fields);
    } catch (const IoFault& f) {
      return f.what();
    }
    return "";
  };
  EXPECT_EQ(loadText(Path("missing.fnc")), "File not found");
  EXPECT_EQ(loadText(""), "File not found");
  EXPECT_EQ(loadText(dir_.string()), "File access denied");
  auto saveText = [&](const std::string& path) -> std::string {
    try {
      SaveFunctionFile(path, fields);
    } catch (const IoFault& f) {
      return f.what();
    }
    return "";
  };
  EXPECT_EQ(saveText(Path("no/such/folder.fnc")), "Invalid filename");
  EXPECT_EQ(saveText(dir_.string()), "File access denied");
  EXPECT_EQ(fields.sets, 0);
}

#ifndef _WIN32
// FIFOs and devices are POSIX files; Windows has no such names.
TEST_F(FunctionFileTest, FifosAndDevicesAreRefusedAtOnceAndChangeNothing) {
  ASSERT_EQ(::mkfifo(Path("fifo.fnc").c_str(), 0600), 0);
  for (const std::string& path : {Path("fifo.fnc"), std::string("/dev/zero"), std::string("/dev/urandom")}) {
    SCOPED_TRACE(path);
    TFields fields;
    try {
      Load(path, fields);
      ADD_FAILURE() << "loaded";
    } catch (const IoFault& f) {
      EXPECT_STREQ(f.what(), "File access denied");
    }
    EXPECT_EQ(fields.sets, 0);
  }
}

#endif

// The reader's fuzzing seeds and every input it ever found fault with: read
// from memory and from a file they give the same fields and the same error,
// and what was read is saved and read back unchanged.
TEST_F(FunctionFileTest, FuzzingInputsReadAlikeFromMemoryAndFileAndSurviveASave) {
  const std::filesystem::path seeds = std::filesystem::path(HELIXOR_SOURCE_DIR) / "fuzz/function_file_seeds";
  ASSERT_TRUE(std::filesystem::is_directory(seeds));
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(seeds)) {
    SCOPED_TRACE(entry.path().filename().string());
    const std::string bytes = Read(entry.path().string());
    auto outcome = [](auto read) {
      TFields fields;
      std::string error;
      try {
        read(fields);
      } catch (const Fault& f) {
        error = f.what();
      }
      return std::make_pair(fields.texts, error);
    };
    const auto fromMemory = outcome([&](TFields& f) { LoadFromBytes(bytes, f); });
    const auto fromFile = outcome([&](TFields& f) { Load(Write("input.fnc", bytes), f); });
    EXPECT_EQ(fromFile, fromMemory);
    TFields read;
    read.texts = fromMemory.first;
    SaveFunctionFile(Path("saved.fnc"), read);
    EXPECT_EQ(outcome([&](TFields& f) { Load(Path("saved.fnc"), f); }), std::make_pair(read.texts, std::string()));
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
