#pragma once
// The registry as a freedesktop.org desktop keeps it: the shared MIME
// database, desktop entries, mimeapps.list and the icon theme, in the user's
// XDG folders.
//
// An extension key ".ext" exists when any data folder's MIME database
// (mime/globs2, mime/globs or a package in mime/packages) has the glob
// "*.ext", compared without regard to case. The association's keys map onto
// files as follows (key names compared without regard to case):
//
//   Type            (no backslash)   the MIME package mime/packages/<Package>:
//                                    the type MimeType, with the glob "*Type"
//                                    when Type begins with a point, and the
//                                    written value as its comment
//   Type\DefaultIcon                 the program icon (scalable, apps) and the
//                                    MIME type icon (scalable, mimetypes) in
//                                    icons/hicolor
//   Type\Shell\Open                  the default application for MimeType in
//                                    $XDG_CONFIG_HOME/mimeapps.list; the rest
//                                    of that file is kept
//   Type\Shell\Open\Command          the desktop entry applications/<DesktopId>
//                                    whose Exec is the command, its program
//                                    quoted and "%1" turned into %f
//
// Opening (creating) a key creates the folder its file lives in; other keys
// cannot be opened. Every file is written to a temporary name and renamed.
// The shell notification runs update-mime-database and
// update-desktop-database on the user's folders when they are installed.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "files/Registry.h"

struct TXdgDirs {
  std::string DataHome;               // $XDG_DATA_HOME or ~/.local/share
  std::vector<std::string> DataDirs;  // $XDG_DATA_DIRS or /usr/local/share:/usr/share
  std::string ConfigHome;             // $XDG_CONFIG_HOME or ~/.config

  // From the environment. Unset, empty or relative values take the
  // defaults; relative entries of XDG_DATA_DIRS are skipped.
  static TXdgDirs FromEnvironment();
};

struct TXdgNames {
  std::string MimeType = "application/x-helixor-function";
  std::string Package = "helixor.xml";
  std::string DesktopId = "helixor.desktop";
  std::string ApplicationName = "Helixor";
  std::string ApplicationComment = "Draw a parametric space curve";
  std::string IconName = "helixor";
  std::string IconSvg;  // the icon's SVG text; the program's own icon by default
};

// The program's icon: three white axes and a red wavy curve on black.
extern const char* const HelixorIconSvg;

// Runs a program with arguments (no shell) and waits for it; false when it
// could not be started or failed.
using TRunTool = std::function<bool(const std::vector<std::string>& Arguments)>;

// Runs Arguments[0], looked up in PATH, with its output discarded. False,
// without running anything, when the program is not installed.
bool RunInstalledTool(const std::vector<std::string>& Arguments);

// The Exec value of a desktop entry (escaped for the file) that runs
// Program with the given further arguments, which are passed as written:
// field codes such as %f stay field codes. Program is quoted and its
// reserved characters are escaped.
std::string DesktopExecValue(const std::string& Program, const std::vector<std::string>& Arguments);

// The program and its arguments of a registry open command such as
// "C:\Path\Helixor.exe" "%1"; "%1" and %1 become %f.
std::optional<std::pair<std::string, std::vector<std::string>>> ParseOpenCommand(
    const std::string& Command);

// Whether any data folder's MIME database has the glob Pattern.
bool MimeDatabaseHasGlob(const TXdgDirs& Dirs, const std::string& Pattern);

class TXdgRegistry : public TRegistry {
 public:
  explicit TXdgRegistry(TXdgDirs Dirs, TXdgNames Names = {}, TRunTool RunTool = RunInstalledTool);

  void OpenRoot() override;
  bool KeyExists(const std::string& Key, std::uint32_t Access) override;
  bool OpenKey(const std::string& Key, std::uint32_t Access) override;
  bool WriteDefaultString(const std::string& Data) override;
  void CloseKey() override;
  void NotifyShell() override;
  void CloseRoot() override;

  const TXdgDirs& Dirs() const { return Dirs_; }
  std::string PackagePath() const;
  std::string DesktopPath() const;
  std::string MimeAppsPath() const;
  std::string AppIconPath() const;
  std::string MimeIconPath() const;

 private:
  enum class TKeyKind { Type, DefaultIcon, ShellOpen, Command };
  struct TOpenKey {
    TKeyKind Kind;
    std::string TypeKey;
  };

  bool WritePackage(const std::string& TypeKey, const std::string& Comment);
  bool WriteIcons();
  bool WriteMimeApps();
  bool WriteDesktopEntry(const std::string& Command);

  TXdgDirs Dirs_;
  TXdgNames Names_;
  TRunTool RunTool_;
  std::optional<TOpenKey> Current_;
  std::vector<std::string> Globs_;  // written into the package so far
};
