// The freedesktop.org back end against temporary XDG folders.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "evaluator/Faults.h"
#include "files/Association.h"
#include "files/RegistryXdg.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

void Write(const fs::path& Path, const std::string& Text) {
  fs::create_directories(Path.parent_path());
  std::ofstream(Path, std::ios::binary) << Text;
}

std::optional<std::string> KeyOf(const std::string& File, const std::string& Key) {
  std::istringstream In(File);
  for (std::string Line; std::getline(In, Line);)
    if (Line.rfind(Key + "=", 0) == 0) return Line.substr(Key.size() + 1);
  return std::nullopt;
}

// The arguments of a desktop entry's Exec value, read back as a launcher
// reads them: string escapes first, then quoting, then %% for %.
std::vector<std::string> ExecArguments(const std::string& Value) {
  std::string Unescaped;
  for (std::size_t I = 0; I < Value.size(); ++I) {
    if (Value[I] == '\\' && I + 1 < Value.size()) {
      const char C = Value[++I];
      Unescaped += C == 's' ? ' ' : C == 'n' ? '\n' : C == 't' ? '\t' : C == 'r' ? '\r' : C;
    } else {
      Unescaped += Value[I];
    }
  }
  std::vector<std::string> Args;
  std::string Arg;
  bool InArg = false, Quoted = false;
  for (std::size_t I = 0; I < Unescaped.size(); ++I) {
    const char C = Unescaped[I];
    if (Quoted) {
      if (C == '"') Quoted = false;
      else if (C == '\\' && I + 1 < Unescaped.size()) Arg += Unescaped[++I];
      else if (C == '%' && I + 1 < Unescaped.size() && Unescaped[I + 1] == '%') Arg += Unescaped[++I];
      else Arg += C;
    } else if (C == '"') {
      Quoted = InArg = true;
    } else if (C == ' ') {
      if (InArg) Args.push_back(Arg);
      Arg.clear();
      InArg = false;
    } else {
      Arg += C;
      InArg = true;
    }
  }
  if (InArg) Args.push_back(Arg);
  return Args;
}

// The source tree, for the resource files.
const char* SourceDir() {
  if (const char* Dir = std::getenv("HELIXOR_SOURCE_DIR")) return Dir;
#ifdef HELIXOR_TEST_SOURCE_DIR
  return HELIXOR_TEST_SOURCE_DIR;
#else
  return nullptr;
#endif
}

bool Installed(const std::string& Tool) {
  return std::system(("command -v " + Tool + " >/dev/null 2>&1").c_str()) == 0;
}

class XdgRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string Template = (fs::temp_directory_path() / "helixor-xdg-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Template.data()), nullptr);
    Root = Template;
    Dirs.DataHome = (Root / "data").string();
    Dirs.ConfigHome = (Root / "config").string();
    Dirs.DataDirs = {(Root / "system").string()};
  }
  void TearDown() override { fs::remove_all(Root); }

  // One start of the program: offers the association, answering Answer.
  void Start(bool AnswerNo = false) {
    TXdgRegistry Registry(Dirs, {}, [this](const std::vector<std::string>& Args) {
      Tools.push_back(Args);
      return true;
    });
    OfferFncAssociation(Registry, [this, AnswerNo] { ++Asked; return AnswerNo; }, ProgramPath);
  }

  fs::path Root;
  TXdgDirs Dirs;
  std::string ProgramPath = "/opt/helixor/bin/helixor";
  int Asked = 0;
  std::vector<std::vector<std::string>> Tools;
};

}  // namespace

TEST_F(XdgRegistryTest, YesRegistersTypeDesktopEntryDefaultAndIcon) {
  Start();
  EXPECT_EQ(Asked, 1);
  const fs::path Home = Dirs.DataHome;

  const std::string Package = Read(Home / "mime/packages/helixor.xml");
  EXPECT_NE(Package.find("<mime-type type=\"application/x-helixor-function\">"), std::string::npos);
  EXPECT_NE(Package.find("<comment>Vector Function</comment>"), std::string::npos);
  EXPECT_NE(Package.find("<glob pattern=\"*.fnc\"/>"), std::string::npos);

  const std::string Desktop = Read(Home / "applications/helixor.desktop");
  EXPECT_EQ(KeyOf(Desktop, "Exec"), "\"/opt/helixor/bin/helixor\" %f");
  EXPECT_EQ(KeyOf(Desktop, "MimeType"), "application/x-helixor-function;");
  EXPECT_EQ(KeyOf(Desktop, "Icon"), "helixor");

  EXPECT_EQ(Read(fs::path(Dirs.ConfigHome) / "mimeapps.list"),
            "[Default Applications]\napplication/x-helixor-function=helixor.desktop\n");
  EXPECT_EQ(Read(Home / "icons/hicolor/scalable/apps/helixor.svg"), HelixorIconSvg);
  EXPECT_EQ(Read(Home / "icons/hicolor/scalable/mimetypes/application-x-helixor-function.svg"),
            HelixorIconSvg);

  EXPECT_EQ(Tools, (std::vector<std::vector<std::string>>{
                       {"update-mime-database", Dirs.DataHome + "/mime"},
                       {"update-desktop-database", Dirs.DataHome + "/applications"}}));
  // No temporary files are left behind.
  for (const auto& Entry : fs::recursive_directory_iterator(Root))
    EXPECT_EQ(Entry.path().string().find(".XXXXXX"), std::string::npos) << Entry.path();

  Start();  // the next start
  EXPECT_EQ(Asked, 1);
  EXPECT_EQ(Tools.size(), 2u);
}

TEST_F(XdgRegistryTest, NoWritesNothingAndTheQuestionComesAgain) {
  Start(true);
  Start(true);
  EXPECT_EQ(Asked, 2);
  EXPECT_FALSE(fs::exists(Root / "data"));
  EXPECT_FALSE(fs::exists(Root / "config"));
}

TEST_F(XdgRegistryTest, AGlobAlreadyKnownToAnyDataFolderSuppressesTheQuestion) {
  const std::vector<std::pair<std::string, std::string>> Known = {
      {"system/mime/globs2", "50:text/x-other:*.txt\n50:application/x-fnc:*.fnc:cs\n"},
      {"system/mime/globs", "# comment\napplication/x-fnc:*.FNC\n"},
      {"data/mime/globs2", "50:application/x-fnc:*.fnc\n"},
      {"system/mime/packages/other.xml",
       "<mime-info><mime-type type='a/b'><glob-deleteall/><glob weight='60' pattern='*.fnc'/>"
       "</mime-type></mime-info>"},
  };
  for (const auto& [File, Text] : Known) {
    SCOPED_TRACE(File);
    fs::remove_all(Root / "system");
    fs::remove_all(Root / "data");
    Write(Root / File, Text);
    Asked = 0;
    Start();
    EXPECT_EQ(Asked, 0);
    EXPECT_FALSE(fs::exists(Root / "data/applications"));
  }
}

TEST_F(XdgRegistryTest, OtherGlobsDoNotCount) {
  Write(Root / "system/mime/globs2", "50:text/x-fortran:*.f\n50:a/b:*.fnc2\n50:a/c:x.fnc\n");
  Write(Root / "system/mime/packages/p.xml", "<glob-deleteall pattern=\"*.fnc\"/>");
  Start(true);
  EXPECT_EQ(Asked, 1);
}

TEST_F(XdgRegistryTest, TheInstalledMimePackageMakesTheTypeKnown) {
  const char* Source = SourceDir();
  if (!Source) GTEST_SKIP() << "source folder unknown";
  Write(Root / "system/mime/packages/helixor.xml",
        Read(fs::path(Source) / "resources/helixor-mime.xml"));
  Start();
  EXPECT_EQ(Asked, 0);
}

TEST_F(XdgRegistryTest, AFolderThatCannotBeCreatedFailsTheFirstWriteAndLeavesNoType) {
  Write(Root / "data/mime", "a file where the folder should be");
  EXPECT_THROW(Start(), RegistryFault);
  EXPECT_FALSE(fs::exists(Root / "data/applications"));
  EXPECT_TRUE(Tools.empty());
  fs::remove(Root / "data/mime");
  Start();
  EXPECT_EQ(Asked, 2);
  EXPECT_TRUE(fs::exists(Root / "data/applications/helixor.desktop"));
}

TEST_F(XdgRegistryTest, MimeAppsListKeepsTheRestOfTheFile) {
  const std::vector<std::pair<std::string, std::string>> Cases = {
      {"[Added Associations]\ntext/plain=a.desktop;\n",
       "[Added Associations]\ntext/plain=a.desktop;\n\n[Default Applications]\n"
       "application/x-helixor-function=helixor.desktop\n"},
      {"[Default Applications]\ntext/plain=a.desktop\n\n[Removed Associations]\nx/y=b.desktop\n",
       "[Default Applications]\ntext/plain=a.desktop\napplication/x-helixor-function=helixor.desktop\n"
       "\n[Removed Associations]\nx/y=b.desktop\n"},
      {"# mine\n[Default Applications]\napplication/x-helixor-function = other.desktop\nimage/png=v.desktop",
       "# mine\n[Default Applications]\napplication/x-helixor-function=helixor.desktop\n"
       "image/png=v.desktop\n"},
  };
  for (const auto& [Before, After] : Cases) {
    fs::remove_all(Root / "data");
    Write(fs::path(Dirs.ConfigHome) / "mimeapps.list", Before);
    Start();
    EXPECT_EQ(Read(fs::path(Dirs.ConfigHome) / "mimeapps.list"), After);
  }
  // A linked file is updated where it lies; the link stays.
  fs::remove_all(Root / "data");
  const fs::path Linked = Root / "dotfiles/mimeapps.list";
  Write(Linked, "");
  fs::remove(fs::path(Dirs.ConfigHome) / "mimeapps.list");
  fs::create_symlink(Linked, fs::path(Dirs.ConfigHome) / "mimeapps.list");
  Start();
  EXPECT_TRUE(fs::is_symlink(fs::path(Dirs.ConfigHome) / "mimeapps.list"));
  EXPECT_EQ(Read(Linked), "[Default Applications]\napplication/x-helixor-function=helixor.desktop\n");
}

TEST_F(XdgRegistryTest, MimeAppsListKeepsItsPermissionsLineEndsAndDanglingLink) {
  const fs::path List = fs::path(Dirs.ConfigHome) / "mimeapps.list";
  Write(List, "[Default Applications]\r\ntext/plain=a.desktop\r\n");
  fs::permissions(List, fs::perms::owner_read | fs::perms::owner_write);
  Start();
  EXPECT_EQ(Read(List),
            "[Default Applications]\r\ntext/plain=a.desktop\r\napplication/x-helixor-function=helixor.desktop\r\n");
  EXPECT_EQ(fs::status(List).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

  // A link to a file not made yet: the file is made there, the link stays.
  fs::remove_all(Root / "data");
  fs::remove(List);
  fs::create_directories(Root / "dotfiles");
  fs::create_symlink(Root / "dotfiles/mimeapps.list", List);
  Start();
  EXPECT_TRUE(fs::is_symlink(List));
  EXPECT_EQ(Read(Root / "dotfiles/mimeapps.list"),
            "[Default Applications]\napplication/x-helixor-function=helixor.desktop\n");
}

TEST_F(XdgRegistryTest, AMimeAppsListThatCannotBeReadIsNeitherWaitedForNorReplaced) {
  // A FIFO would block an ordinary read for ever; the test would hang.
  const fs::path List = fs::path(Dirs.ConfigHome) / "mimeapps.list";
  fs::create_directories(List.parent_path());
  ASSERT_EQ(::mkfifo(List.c_str(), 0600), 0);
  EXPECT_THROW(Start(), RegistryFault);
  EXPECT_EQ(fs::status(List).type(), fs::file_type::fifo);
  // Glob files that are FIFOs are not waited for either.
  fs::remove_all(Root / "data");
  fs::remove(List);
  fs::create_directories(Root / "system/mime");
  ASSERT_EQ(::mkfifo((Root / "system/mime/globs2").c_str(), 0600), 0);
  Start();
  EXPECT_EQ(Asked, 2);
}

TEST(DesktopExec, QuotesTheProgramSoThatALauncherReadsItBack) {
  const std::vector<std::string> Programs = {
      "/opt/helixor/bin/helixor",
      "/home/user/My Programs/helixor",
      "/tmp/a \"quoted\" $HOME `cmd` back\\slash 100% done/helixor",
      "/tmp/semi;colon & pipe|<angle>'single' ~tilde#(x)*?/helixor",
  };
  for (const std::string& Program : Programs) {
    const std::string Exec = DesktopExecValue(Program, {"%f"});
    EXPECT_EQ(ExecArguments(Exec), (std::vector<std::string>{Program, "%f"})) << Exec;
  }
  EXPECT_EQ(DesktopExecValue("/a b/c", {"%f"}), "\"/a b/c\" %f");
  EXPECT_EQ(DesktopExecValue("/a\\b$", {}), "\"/a\\\\\\\\b\\\\$\"");
}

TEST(DesktopExec, OpenCommandsBecomeProgramAndFieldCodes) {
  using TParsed = std::pair<std::string, std::vector<std::string>>;
  const std::vector<std::pair<std::string, std::optional<TParsed>>> Cases = {
      {"\"/opt/My Apps/helixor\" \"%1\"", TParsed{"/opt/My Apps/helixor", {"%f"}}},
      {"\"/opt/a\"b/helixor\" \"%1\"", TParsed{"/opt/a\"b/helixor", {"%f"}}},
      {"/usr/bin/helixor %1", TParsed{"/usr/bin/helixor", {"%f"}}},
      {"\"/usr/bin/helixor\" --x \"%L\"", TParsed{"/usr/bin/helixor", {"--x", "%f"}}},
      {"", std::nullopt},
      {"   ", std::nullopt},
  };
  for (const auto& [Command, Expected] : Cases) EXPECT_EQ(ParseOpenCommand(Command), Expected) << Command;
}

TEST_F(XdgRegistryTest, DesktopEntryForAPathWithBlanksValidates) {
  if (!Installed("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate not installed";
  for (const std::string Folder : {"My Programs/Helixor 1.0", "a \"b\" $c `d` e\\f 5%"}) {
    SCOPED_TRACE(Folder);
    fs::remove_all(Root / "data");
    ProgramPath = (Root / Folder / "helixor").string();
    Start();
    const fs::path Desktop = fs::path(Dirs.DataHome) / "applications/helixor.desktop";
    EXPECT_EQ(std::system(("desktop-file-validate '" + Desktop.string() + "'").c_str()), 0)
        << Read(Desktop);
    EXPECT_EQ(ExecArguments(*KeyOf(Read(Desktop), "Exec")),
              (std::vector<std::string>{ProgramPath, "%f"}));
  }
}

TEST_F(XdgRegistryTest, NotificationUpdatesTheUserMimeDatabase) {
  if (!Installed("update-mime-database")) GTEST_SKIP() << "update-mime-database not installed";
  TXdgRegistry Registry(Dirs);  // runs the installed tools
  OfferFncAssociation(Registry, [] { return false; }, ProgramPath);
  const std::string Globs = Read(fs::path(Dirs.DataHome) / "mime/globs2");
  EXPECT_NE(Globs.find("application/x-helixor-function:*.fnc"), std::string::npos) << Globs;
  // Known through the database alone, without the package.
  fs::remove(fs::path(Dirs.DataHome) / "mime/packages/helixor.xml");
  EXPECT_TRUE(MimeDatabaseHasGlob(Dirs, "*.fnc"));
}

TEST_F(XdgRegistryTest, PlatformRegistryWritesIntoTheEnvironmentsFolders) {
  const char* Names[] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"};
  const std::string Values[] = {Dirs.DataHome, Dirs.ConfigHome, Dirs.DataDirs[0]};
  std::vector<std::optional<std::string>> Saved;
  for (int I = 0; I < 3; ++I) {
    const char* Value = std::getenv(Names[I]);
    Saved.push_back(Value ? std::optional<std::string>(Value) : std::nullopt);
    ::setenv(Names[I], Values[I].c_str(), 1);
  }
  const auto Registry = CreatePlatformRegistry();
  OfferFncAssociation(*Registry, [this] { ++Asked; return false; }, ProgramPath);
  OfferFncAssociation(*Registry, [this] { ++Asked; return false; }, ProgramPath);
  for (int I = 0; I < 3; ++I) {
    if (Saved[I]) ::setenv(Names[I], Saved[I]->c_str(), 1);
    else ::unsetenv(Names[I]);
  }
  EXPECT_EQ(Asked, 1);
  EXPECT_TRUE(fs::exists(fs::path(Dirs.DataHome) / "applications/helixor.desktop"));
  EXPECT_TRUE(fs::exists(fs::path(Dirs.ConfigHome) / "mimeapps.list"));
}

TEST(XdgDirs, EnvironmentAndDefaults) {
  struct TCase {
    const char* DataHome;
    const char* ConfigHome;
    const char* DataDirs;
    TXdgDirs Expected;
  };
  const std::vector<TCase> Cases = {
      {"/x/data", "/x/config", "/s1:/s2", {"/x/data", {"/s1", "/s2"}, "/x/config"}},
      {nullptr, nullptr, nullptr,
       {"/home/u/.local/share", {"/usr/local/share", "/usr/share"}, "/home/u/.config"}},
      {"", "rel/config", "rel:/s1::", {"/home/u/.local/share", {"/s1"}, "/home/u/.config"}},
  };
  const char* Names[] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "HOME"};
  std::vector<std::optional<std::string>> Saved;
  for (const char* Name : Names) {
    const char* Value = std::getenv(Name);
    Saved.push_back(Value ? std::optional<std::string>(Value) : std::nullopt);
  }
  ::setenv("HOME", "/home/u", 1);
  for (const TCase& Case : Cases) {
    const char* Values[] = {Case.DataHome, Case.ConfigHome, Case.DataDirs};
    for (int I = 0; I < 3; ++I) {
      if (Values[I]) ::setenv(Names[I], Values[I], 1);
      else ::unsetenv(Names[I]);
    }
    const TXdgDirs Dirs = TXdgDirs::FromEnvironment();
    EXPECT_EQ(Dirs.DataHome, Case.Expected.DataHome);
    EXPECT_EQ(Dirs.ConfigHome, Case.Expected.ConfigHome);
    EXPECT_EQ(Dirs.DataDirs, Case.Expected.DataDirs);
  }
  // Without a home there is no user folder, rather than one under "/".
  ::unsetenv("HOME");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(TXdgDirs::FromEnvironment().DataHome, "");
  EXPECT_FALSE(TXdgRegistry(TXdgDirs::FromEnvironment()).OpenKey(".fnc", KeyAllAccess));
  for (int I = 0; I < 4; ++I) {
    if (Saved[I]) ::setenv(Names[I], Saved[I]->c_str(), 1);
    else ::unsetenv(Names[I]);
  }
}

TEST(HelixorIcon, EmbeddedIconIsTheResourceFile) {
  const char* Source = SourceDir();
  if (!Source) GTEST_SKIP() << "source folder unknown";
  EXPECT_EQ(Read(fs::path(Source) / "resources/icons/helixor.svg"), HelixorIconSvg);
}
