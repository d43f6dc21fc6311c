#ifndef _WIN32

#include "files/RegistryXdg.h"

#include "fileio/FileIo.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string Text) {
  for (char& C : Text) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return Text;
}

bool SameText(const std::string& A, const std::string& B) { return Lower(A) == Lower(B); }

std::string Environment(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value ? std::string(Value) : std::string();
}

bool IsAbsolute(const std::string& Path) { return !Path.empty() && Path.front() == '/'; }

// An absolute XDG base folder, or $HOME + Fallback when the variable is
// unset, empty or relative.
std::string BaseDir(const char* Variable, const char* Fallback) {
  const std::string Value = Environment(Variable);
  if (IsAbsolute(Value)) return Value;
  // Without a home there is no user folder: the writes then fail.
  const std::string Home = Environment("HOME");
  return IsAbsolute(Home) ? Home + Fallback : std::string();
}

// The text of a regular file; nothing when it cannot be read, with the
// system's reason in Error.
std::optional<std::string> ReadFile(const std::string& Path, int* Error = nullptr) {
  std::string Text;
  if (const auto Failed = ReadRegularFile(Path, Text)) {
    if (Error) *Error = Failed->Errno;
    return std::nullopt;
  }
  return Text;
}

// Replaces the file at Path, so that a reader sees the old file or the new
// one, never a part. A symbolic link (a managed mimeapps.list, say) is
// followed, so that the file it names is replaced and the link stays; an
// existing file keeps its permissions.
bool WriteFileAtomically(const std::string& Path, const std::string& Text) {
  return !ReplaceFileContents(Path, Text.data(), Text.size());
}

bool MakeDirs(const std::string& Dir) {
  std::error_code Error;
  fs::create_directories(Dir, Error);
  return !Error && fs::is_directory(Dir, Error);
}

std::string XmlEscaped(const std::string& Text) {
  std::string Out;
  for (char C : Text) {
    switch (C) {
      case '&': Out += "&amp;"; break;
      case '<': Out += "&lt;"; break;
      case '>': Out += "&gt;"; break;
      case '"': Out += "&quot;"; break;
      default: Out += C;
    }
  }
  return Out;
}

std::string XmlUnescaped(const std::string& Text) {
  static const std::pair<const char*, char> Entities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string Out;
  for (std::size_t I = 0; I < Text.size();) {
    bool Replaced = false;
    for (const auto& [Entity, C] : Entities) {
      if (Text.compare(I, std::char_traits<char>::length(Entity), Entity) == 0) {
        Out += C;
        I += std::char_traits<char>::length(Entity);
        Replaced = true;
        break;
      }
    }
    if (!Replaced) Out += Text[I++];
  }
  return Out;
}

// A line of a text file with its own line end: "\n", "\r\n", or nothing
// for a last line without one.
struct TLine {
  std::string Text;
  std::string End;
};

std::vector<TLine> LinesWithEnds(const std::string& Text) {
  std::vector<TLine> Out;
  for (std::size_t At = 0; At < Text.size();) {
    const std::size_t Lf = Text.find('\n', At);
    std::string Line = Text.substr(At, Lf == std::string::npos ? std::string::npos : Lf - At);
    std::string End = Lf == std::string::npos ? "" : "\n";
    if (!End.empty() && !Line.empty() && Line.back() == '\r') {
      Line.pop_back();
      End = "\r\n";
    }
    Out.push_back({std::move(Line), std::move(End)});
    At = Lf == std::string::npos ? Text.size() : Lf + 1;
  }
  return Out;
}

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Out;
  std::istringstream In(Text);
  for (std::string Line; std::getline(In, Line);) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    Out.push_back(Line);
  }
  return Out;
}

// globs2: "weight:type:glob[:flags]"; globs: "type:glob".
bool GlobFileHas(const std::string& Path, std::size_t GlobField, const std::string& Pattern) {
  const auto Text = ReadFile(Path);
  if (!Text) return false;
  for (const std::string& Line : Lines(*Text)) {
    if (Line.empty() || Line.front() == '#') continue;
    std::size_t Start = 0;
    for (std::size_t Field = 0; Field < GlobField && Start != std::string::npos; ++Field) {
      const std::size_t Colon = Line.find(':', Start);
      Start = Colon == std::string::npos ? Colon : Colon + 1;
    }
    if (Start == std::string::npos) continue;
    const std::size_t End = GlobField == 2 ? Line.find(':', Start) : std::string::npos;
    if (SameText(Line.substr(Start, End == std::string::npos ? End : End - Start), Pattern))
      return true;
  }
  return false;
}

// The pattern attributes of the <glob> elements of a MIME package.
bool PackageHas(const std::string& Path, const std::string& Pattern) {
  const auto Text = ReadFile(Path);
  if (!Text) return false;
  for (std::size_t At = Text->find("<glob"); At != std::string::npos;
       At = Text->find("<glob", At + 1)) {
    const std::size_t NameEnd = At + 5;
    if (NameEnd >= Text->size() || !(std::isspace(static_cast<unsigned char>((*Text)[NameEnd]))))
      continue;  // <glob-deleteall/> and the like
    const std::size_t Close = Text->find('>', NameEnd);
    const std::string Element = Text->substr(NameEnd, Close == std::string::npos ? Close : Close - NameEnd);
    for (std::size_t A = Element.find("pattern"); A != std::string::npos;
         A = Element.find("pattern", A + 1)) {
      if (A > 0 && !std::isspace(static_cast<unsigned char>(Element[A - 1]))) continue;
      std::size_t I = A + 7;
      while (I < Element.size() && std::isspace(static_cast<unsigned char>(Element[I]))) ++I;
      if (I >= Element.size() || Element[I] != '=') continue;
      ++I;
      while (I < Element.size() && std::isspace(static_cast<unsigned char>(Element[I]))) ++I;
      if (I >= Element.size() || (Element[I] != '"' && Element[I] != '\'')) continue;
      const std::size_t ValueEnd = Element.find(Element[I], I + 1);
      if (ValueEnd == std::string::npos) continue;
      if (SameText(XmlUnescaped(Element.substr(I + 1, ValueEnd - I - 1)), Pattern)) return true;
    }
  }
  return false;
}

// Escapes a value of type string for a desktop entry file.
std::string DesktopStringEscaped(const std::string& Text) {
  std::string Out;
  for (char C : Text) {
    switch (C) {
      case '\\': Out += "\\\\"; break;
      case '\n': Out += "\\n"; break;
      case '\t': Out += "\\t"; break;
      case '\r': Out += "\\r"; break;
      default: Out += C;
    }
  }
  return Out;
}

// Windows command-line words: blanks separate, double quotes group.
std::vector<std::string> CommandWords(const std::string& Command) {
  std::vector<std::string> Words;
  std::string Word;
  bool InWord = false, Quoted = false;
  for (char C : Command) {
    if (C == '"') {
      Quoted = !Quoted;
      InWord = true;
    } else if ((C == ' ' || C == '\t') && !Quoted) {
      if (InWord) Words.push_back(Word);
      Word.clear();
      InWord = false;
    } else {
      Word += C;
      InWord = true;
    }
  }
  if (InWord) Words.push_back(Word);
  return Words;
}

}  // namespace

TXdgDirs TXdgDirs::FromEnvironment() {
  TXdgDirs Dirs;
  Dirs.DataHome = BaseDir("XDG_DATA_HOME", "/.local/share");
  Dirs.ConfigHome = BaseDir("XDG_CONFIG_HOME", "/.config");
  std::string List = Environment("XDG_DATA_DIRS");
  if (List.empty()) List = "/usr/local/share:/usr/share";
  std::istringstream In(List);
  for (std::string Dir; std::getline(In, Dir, ':');)
    if (IsAbsolute(Dir)) Dirs.DataDirs.push_back(Dir);
  return Dirs;
}

bool RunInstalledTool(const std::vector<std::string>& Arguments) {
  if (Arguments.empty()) return false;
  std::string Program = Arguments[0];
  if (Program.find('/') == std::string::npos) {
    std::istringstream Path(Environment("PATH"));
    std::string Found;
    for (std::string Dir; std::getline(Path, Dir, ':');) {
      if (Dir.empty()) continue;
      const std::string Candidate = Dir + "/" + Program;
      if (::access(Candidate.c_str(), X_OK) == 0) {
        Found = Candidate;
        break;
      }
    }
    if (Found.empty()) return false;
    Program = Found;
  }
  std::vector<char*> Argv;
  for (const std::string& A : Arguments) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);

  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t Pid = 0;
  const int Error = ::posix_spawn(&Pid, Program.c_str(), &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  if (Error != 0) return false;
  int Status = 0;
  while (::waitpid(Pid, &Status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

std::string DesktopExecValue(const std::string& Program, const std::vector<std::string>& Arguments) {
  // Inside double quotes, ", `, $ and \ take a backslash; a percent sign is
  // doubled so that it is not read as a field code.
  std::string Exec = "\"";
  for (char C : Program) {
    if (C == '"' || C == '`' || C == '$' || C == '\\') Exec += '\\';
    if (C == '%') Exec += '%';
    Exec += C;
  }
  Exec += '"';
  for (const std::string& A : Arguments) Exec += " " + A;
  return DesktopStringEscaped(Exec);
}

std::optional<std::pair<std::string, std::vector<std::string>>> ParseOpenCommand(
    const std::string& Command) {
  auto FieldCode = [](const std::string& Word) {
    return Word == "%1" || Word == "%L" || Word == "%l" ? std::string("%f") : Word;
  };
  // The usual form, "program" "%1": the program between the outer quotes is
  // taken as it is, even with quotes of its own.
  static const std::string Tail = "\" \"%1\"";
  if (Command.size() > Tail.size() + 1 && Command.front() == '"' &&
      Command.compare(Command.size() - Tail.size(), Tail.size(), Tail) == 0)
    return std::pair{Command.substr(1, Command.size() - 1 - Tail.size()),
                     std::vector<std::string>{"%f"}};
  std::vector<std::string> Words = CommandWords(Command);
  if (Words.empty() || Words.front().empty()) return std::nullopt;
  std::vector<std::string> Arguments;
  for (std::size_t I = 1; I < Words.size(); ++I) Arguments.push_back(FieldCode(Words[I]));
  return std::pair{Words.front(), Arguments};
}

bool MimeDatabaseHasGlob(const TXdgDirs& Dirs, const std::string& Pattern) {
  std::vector<std::string> All;
  if (IsAbsolute(Dirs.DataHome)) All.push_back(Dirs.DataHome);
  All.insert(All.end(), Dirs.DataDirs.begin(), Dirs.DataDirs.end());
  for (const std::string& Dir : All) {
    const std::string Mime = Dir + "/mime";
    if (GlobFileHas(Mime + "/globs2", 2, Pattern) || GlobFileHas(Mime + "/globs", 1, Pattern))
      return true;
    std::error_code Error;
    for (fs::directory_iterator It(Mime + "/packages", Error), End; !Error && It != End;
         It.increment(Error)) {
      if (It->path().extension() == ".xml" && PackageHas(It->path().string(), Pattern))
        return true;
    }
  }
  return false;
}

TXdgRegistry::TXdgRegistry(TXdgDirs Dirs, TXdgNames Names, TRunTool RunTool)
    : Dirs_(std::move(Dirs)), Names_(std::move(Names)), RunTool_(std::move(RunTool)) {
  if (Names_.IconSvg.empty()) Names_.IconSvg = HelixorIconSvg;
}

std::string TXdgRegistry::PackagePath() const {
  return Dirs_.DataHome + "/mime/packages/" + Names_.Package;
}
std::string TXdgRegistry::DesktopPath() const {
  return Dirs_.DataHome + "/applications/" + Names_.DesktopId;
}
std::string TXdgRegistry::MimeAppsPath() const { return Dirs_.ConfigHome + "/mimeapps.list"; }
std::string TXdgRegistry::AppIconPath() const {
  return Dirs_.DataHome + "/icons/hicolor/scalable/apps/" + Names_.IconName + ".svg";
}
std::string TXdgRegistry::MimeIconPath() const {
  std::string Name = Names_.MimeType;
  std::replace(Name.begin(), Name.end(), '/', '-');
  return Dirs_.DataHome + "/icons/hicolor/scalable/mimetypes/" + Name + ".svg";
}

void TXdgRegistry::OpenRoot() { Current_.reset(); }

bool TXdgRegistry::KeyExists(const std::string& Key, std::uint32_t /*Access*/) {
  // Only extension keys can be looked up; any other key counts as missing.
  if (Key.size() < 2 || Key.front() != '.' || Key.find('\\') != std::string::npos) return false;
  return MimeDatabaseHasGlob(Dirs_, "*" + Key);
}

bool TXdgRegistry::OpenKey(const std::string& Key, std::uint32_t /*Access*/) {
  Current_.reset();
  if (!IsAbsolute(Dirs_.DataHome) || !IsAbsolute(Dirs_.ConfigHome)) return false;
  const std::size_t Slash = Key.find('\\');
  const std::string TypeKey = Key.substr(0, Slash);
  const std::string Rest = Slash == std::string::npos ? "" : Key.substr(Slash + 1);
  if (TypeKey.empty()) return false;
  TOpenKey Open{TKeyKind::Type, TypeKey};
  bool Made = false;
  if (Slash == std::string::npos) {
    Made = MakeDirs(fs::path(PackagePath()).parent_path());
  } else if (SameText(Rest, "DefaultIcon")) {
    Open.Kind = TKeyKind::DefaultIcon;
    Made = MakeDirs(fs::path(AppIconPath()).parent_path()) &&
           MakeDirs(fs::path(MimeIconPath()).parent_path());
  } else if (SameText(Rest, "Shell\\Open")) {
    Open.Kind = TKeyKind::ShellOpen;
    Made = MakeDirs(Dirs_.ConfigHome);
  } else if (SameText(Rest, "Shell\\Open\\Command")) {
    Open.Kind = TKeyKind::Command;
    Made = MakeDirs(fs::path(DesktopPath()).parent_path());
  }
  if (Made) Current_ = Open;
  return Made;
}

bool TXdgRegistry::WriteDefaultString(const std::string& Data) {
  if (!Current_) return false;
  switch (Current_->Kind) {
    case TKeyKind::Type: return WritePackage(Current_->TypeKey, Data);
    case TKeyKind::DefaultIcon: return WriteIcons();
    case TKeyKind::ShellOpen: return WriteMimeApps();
    case TKeyKind::Command: return WriteDesktopEntry(Data);
  }
  return false;
}

void TXdgRegistry::CloseKey() { Current_.reset(); }

void TXdgRegistry::NotifyShell() {
  if (!RunTool_) return;
  RunTool_({"update-mime-database", Dirs_.DataHome + "/mime"});
  RunTool_({"update-desktop-database", Dirs_.DataHome + "/applications"});
}

void TXdgRegistry::CloseRoot() { Current_.reset(); }

bool TXdgRegistry::WritePackage(const std::string& TypeKey, const std::string& Comment) {
  if (TypeKey.front() == '.') {
    const std::string Glob = "*" + TypeKey;
    if (std::none_of(Globs_.begin(), Globs_.end(), [&](const std::string& G) { return SameText(G, Glob); }))
      Globs_.push_back(Glob);
  }
  std::string Xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"" + XmlEscaped(Names_.MimeType) + "\">\n"
      "    <comment>" + XmlEscaped(Comment) + "</comment>\n"
      "    <sub-class-of type=\"text/plain\"/>\n";
  for (const std::string& Glob : Globs_) Xml += "    <glob pattern=\"" + XmlEscaped(Glob) + "\"/>\n";
  Xml +=
      "  </mime-type>\n"
      "</mime-info>\n";
  return WriteFileAtomically(PackagePath(), Xml);
}

bool TXdgRegistry::WriteIcons() {
  return WriteFileAtomically(AppIconPath(), Names_.IconSvg) &&
         WriteFileAtomically(MimeIconPath(), Names_.IconSvg);
}

bool TXdgRegistry::WriteMimeApps() {
  static const std::string Section = "[Default Applications]";
  const std::string Entry = Names_.MimeType + "=" + Names_.DesktopId;
  std::vector<TLine> Out;
  int Error = 0;
  if (const auto Text = ReadFile(MimeAppsPath(), &Error)) {
    Out = LinesWithEnds(*Text);
  } else if (Error != ENOENT) {
    return false;  // there but unreadable: never replaced by a file without its lines
  }
  // New lines end as the file's first line does.
  const std::string End = !Out.empty() && !Out.front().End.empty() ? Out.front().End : "\n";
  if (!Out.empty() && Out.back().End.empty()) Out.back().End = End;
  // Find the section and, in it, a line for the type; replace or add it.
  auto Key = [](const std::string& Line) {
    const std::size_t Eq = Line.find('=');
    std::string K = Line.substr(0, Eq);
    while (!K.empty() && (K.back() == ' ' || K.back() == '\t')) K.pop_back();
    return Eq == std::string::npos ? std::string() : K;
  };
  std::optional<std::size_t> SectionAt;
  for (std::size_t I = 0; I < Out.size(); ++I) {
    if (Out[I].Text == Section) SectionAt = I;
  }
  if (!SectionAt) {
    if (!Out.empty() && !Out.back().Text.empty()) Out.push_back({"", End});
    Out.push_back({Section, End});
    Out.push_back({Entry, End});
  } else {
    std::size_t Last = *SectionAt + 1;
    bool Replaced = false;
    for (; Last < Out.size() && (Out[Last].Text.empty() || Out[Last].Text.front() != '['); ++Last) {
      if (Key(Out[Last].Text) == Names_.MimeType) {
        Out[Last].Text = Entry;
        Replaced = true;
      }
    }
    if (!Replaced) {
      std::size_t At = Last;
      while (At > *SectionAt + 1 && Out[At - 1].Text.empty()) --At;  // before trailing blank lines
      Out.insert(Out.begin() + static_cast<std::ptrdiff_t>(At), TLine{Entry, End});
    }
  }
  std::string Text;
  for (const TLine& Line : Out) Text += Line.Text + Line.End;
  return WriteFileAtomically(MimeAppsPath(), Text);
}

bool TXdgRegistry::WriteDesktopEntry(const std::string& Command) {
  const auto Parsed = ParseOpenCommand(Command);
  if (!Parsed) return false;
  const std::string Text =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=" + DesktopStringEscaped(Names_.ApplicationName) + "\n"
      "Comment=" + DesktopStringEscaped(Names_.ApplicationComment) + "\n"
      "Exec=" + DesktopExecValue(Parsed->first, Parsed->second) + "\n"
      "Icon=" + DesktopStringEscaped(Names_.IconName) + "\n"
      "Terminal=false\n"
      "Categories=Education;Math;\n"
      "MimeType=" + Names_.MimeType + ";\n";
  return WriteFileAtomically(DesktopPath(), Text);
}

#endif  // !_WIN32
