#pragma once
// The registry as the file-type association sees it: a root, keys below it
// named by paths with backslashes, and one default (unnamed) string value per
// key. One object holds at most one open key at a time, like the classic
// registry wrapper the association routine was written against.
//
// Back ends: the Windows registry under HKEY_CLASSES_ROOT (Windows builds
// only), the freedesktop.org files of a Linux desktop (TXdgRegistry), and an
// in-memory registry for tests (TMemoryRegistry).

#include <cstdint>
#include <memory>
#include <string>

// Standard read rights, query value and enumerate subkeys.
inline constexpr std::uint32_t KeyReadAccess = 0x20009;
// All access.
inline constexpr std::uint32_t KeyAllAccess = 0xF003F;

class TRegistry {
 public:
  virtual ~TRegistry() = default;

  // Opens the root (HKEY_CLASSES_ROOT). Must come before anything else.
  virtual void OpenRoot() = 0;
  // Whether Key exists directly under the root: opens it with Access and
  // closes it again. A key that cannot be opened counts as missing.
  virtual bool KeyExists(const std::string& Key, std::uint32_t Access) = 0;
  // Makes Key, relative to the root, the open key, creating it (and any
  // missing parent) non-volatile if it is missing. Closes the key that was
  // open before. False when the key cannot be opened or created; then no key
  // is open.
  virtual bool OpenKey(const std::string& Key, std::uint32_t Access) = 0;
  // Writes the open key's default value as a zero-terminated string
  // (REG_SZ). False when no key is open or the write fails.
  virtual bool WriteDefaultString(const std::string& Data) = 0;
  // Closes the open key, if any.
  virtual void CloseKey() = 0;
  // Tells the desktop shell that file associations changed.
  virtual void NotifyShell() = 0;
  // Releases the root and any key still open. The object may be opened again.
  virtual void CloseRoot() = 0;
};

// The registry of the platform the program runs on: the Windows registry on
// Windows, the user's freedesktop.org data and configuration folders
// elsewhere (taken from the XDG_* variables and HOME).
std::unique_ptr<TRegistry> CreatePlatformRegistry();
