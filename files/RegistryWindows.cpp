#ifdef _WIN32

#include "files/RegistryWindows.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shlobj.h>

#include <string>

namespace {

// Keys and values are kept as UTF-8 by the program and as UTF-16 by the
// registry.
std::wstring Wide(const std::string& Text) {
  if (Text.empty()) return std::wstring();
  const int Size = MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
  std::wstring Out(static_cast<std::size_t>(Size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), Out.data(), Size);
  return Out;
}

HKEY Handle(void* Key) { return static_cast<HKEY>(Key); }

}  // namespace

TWinRegistry::~TWinRegistry() { CloseRoot(); }

void TWinRegistry::OpenRoot() {
  CloseKey();
  Root_ = HKEY_CLASSES_ROOT;
}

bool TWinRegistry::KeyExists(const std::string& Key, std::uint32_t Access) {
  if (!Root_) return false;
  HKEY Found = nullptr;
  if (RegOpenKeyExW(Handle(Root_), Wide(Key).c_str(), 0, static_cast<REGSAM>(Access), &Found) != ERROR_SUCCESS)
    return false;
  RegCloseKey(Found);
  return true;
}

bool TWinRegistry::OpenKey(const std::string& Key, std::uint32_t Access) {
  CloseKey();
  if (!Root_) return false;
  HKEY Opened = nullptr;
  DWORD Disposition = 0;
  if (RegCreateKeyExW(Handle(Root_), Wide(Key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      static_cast<REGSAM>(Access), nullptr, &Opened, &Disposition) != ERROR_SUCCESS)
    return false;
  Current_ = Opened;
  return true;
}

bool TWinRegistry::WriteDefaultString(const std::string& Data) {
  if (!Current_) return false;
  const std::wstring Value = Wide(Data);
  // REG_SZ is stored with its terminating zero.
  const DWORD Bytes = static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(Handle(Current_), nullptr, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(Value.c_str()), Bytes) == ERROR_SUCCESS;
}

void TWinRegistry::CloseKey() {
  if (Current_) RegCloseKey(Handle(Current_));
  Current_ = nullptr;
}

void TWinRegistry::NotifyShell() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

void TWinRegistry::CloseRoot() {
  CloseKey();
  Root_ = nullptr;  // a predefined key; nothing to close
}

#endif  // _WIN32
