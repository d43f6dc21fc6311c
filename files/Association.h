#pragma once
// The ".fnc" file-type association: registers the program as the handler of
// a file extension, after asking the user, unless the extension is known.

#include <functional>
#include <string>
#include <string_view>

#include "files/Registry.h"

// The start-up question. The text names ".fnc" whatever the extension is;
// LF then CR stand between the two sentences.
inline constexpr std::string_view AssociationCaption = "Confirm";
inline constexpr std::string_view AssociationText =
    "Windows is not configured to open .fnc files with this program.\n\r"
    "Do you want to associate it with these files?";
// Elsewhere the question names the desktop instead of Windows.
inline constexpr std::string_view DesktopAssociationText =
    "This desktop is not configured to open .fnc files with this program.\n\r"
    "Do you want to associate it with these files?";
// The question as this build asks it.
inline constexpr std::string_view AssociationQuestion =
#ifdef _WIN32
    AssociationText;
#else
    DesktopAssociationText;
#endif
// "&Yes" is the default button; "&No" is also the answer to Escape.
inline constexpr std::string_view AssociationYesButton = "&Yes";
inline constexpr std::string_view AssociationNoButton = "&No";

// The values the main window passes at start-up.
inline constexpr std::string_view FncExtension = ".fnc";
inline constexpr std::string_view FncFileType = ".fnc";
inline constexpr std::string_view FncDescription = "Vector Function";
inline constexpr int FncIconIndex = 0;

// Asks the association question (caption, text and buttons above, centred on
// the screen) and returns true only when the answer was "&No"; any other end
// of the box, Yes included, goes on with the registration.
using TAnsweredNo = std::function<bool()>;

// Registers FileType as the type of Extension's files, opened by ProgramPath
// with the file's path as first argument and shown with icon IconIndex of
// ProgramPath, unless the Extension key already exists (whatever it holds).
// Asks first through AnsweredNo. Writes, in this order, each into a key
// created or opened with all access and closed again:
//   Extension                       = FileType
//   FileType                        = Description
//   FileType\DefaultIcon            = ProgramPath,IconIndex
//   FileType\Shell\Open             = &Open
//   FileType\Shell\Open\Command     = "ProgramPath" "%1"
// then notifies the shell if NotifyShell is set. A write with no key open
// (the key could not be opened or created) or a failed write raises
// RegistryFault "Failed to set data for ''" and skips the rest; values
// already written stay. The registry is closed in every case.
void RegisterFileType(TRegistry& Registry, const TAnsweredNo& AnsweredNo,
                      const std::string& Extension, const std::string& FileType,
                      const std::string& Description, const std::string& ProgramPath,
                      int IconIndex, bool NotifyShell);

// The last step of the main window's start-up: offers the ".fnc"
// association ("Vector Function", icon 0, shell notified) for the program
// at ProgramPath. Not called on a start whose command-line file failed to
// load. May raise RegistryFault.
void OfferFncAssociation(TRegistry& Registry, const TAnsweredNo& AnsweredNo,
                         const std::string& ProgramPath);
