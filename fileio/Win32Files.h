#pragma once
// What the Windows side of the file functions shares (fileio/Win32Files_win.cpp).
// Windows builds only; no system header needed here.

#include <optional>
#include <string>

// The UTF-16 form of a UTF-8 path; none when the text is not valid UTF-8.
std::optional<std::wstring> WidePath(const std::string& utf8);

// The path as the file functions take it: UTF-16, made absolute, and in
// the \\?\ form when it is long, so that no 260-character limit applies.
// None when the text is not valid UTF-8.
std::optional<std::wstring> SystemPath(const std::string& utf8);

// The errno value of the same meaning as a Windows error code
// (GetLastError), so that one mapping turns both into the user's texts.
int ErrnoOfWin32Error(unsigned long error);
