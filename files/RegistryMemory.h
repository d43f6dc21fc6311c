#pragma once
// A registry held in memory, for tests: keys compare without regard to case
// as in the Windows registry, creating a key creates its missing parents,
// and any single open or create can be made to fail. Every call is logged.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "files/Registry.h"

class TMemoryRegistry : public TRegistry {
 public:
  struct TCaseInsensitiveLess {
    bool operator()(const std::string& A, const std::string& B) const;
  };
  // Key path -> default value (none until written).
  using TKeys = std::map<std::string, std::optional<std::string>, TCaseInsensitiveLess>;

  TKeys Keys;
  // The 1-based number of the OpenKey or KeyExists call that fails, counted
  // together in call order; 0 refuses none.
  int RefuseOpenNumber = 0;
  // Calls in order: "OpenRoot", "KeyExists .fnc 0x20009",
  // "OpenKey .fnc 0xf003f", "Write .fnc=Vector Function", "CloseKey",
  // "NotifyShell", "CloseRoot". Refused opens end with " refused".
  std::vector<std::string> Log;
  int NotifyCount = 0;

  bool RootOpen() const { return RootOpen_; }
  bool AnyKeyOpen() const { return Current_.has_value(); }
  // The default value of Key, if the key exists and has one.
  std::optional<std::string> Value(const std::string& Key) const;
  bool HasKey(const std::string& Key) const { return Keys.count(Key) != 0; }

  void OpenRoot() override;
  bool KeyExists(const std::string& Key, std::uint32_t Access) override;
  bool OpenKey(const std::string& Key, std::uint32_t Access) override;
  bool WriteDefaultString(const std::string& Data) override;
  void CloseKey() override;
  void NotifyShell() override;
  void CloseRoot() override;

 private:
  bool Refused();

  bool RootOpen_ = false;
  int Opens_ = 0;
  std::optional<std::string> Current_;
};
