#pragma once
// The Windows registry under HKEY_CLASSES_ROOT. Windows builds only.

#ifdef _WIN32

#include "files/Registry.h"

class TWinRegistry : public TRegistry {
 public:
  TWinRegistry() = default;
  ~TWinRegistry() override;
  TWinRegistry(const TWinRegistry&) = delete;
  TWinRegistry& operator=(const TWinRegistry&) = delete;

  void OpenRoot() override;
  bool KeyExists(const std::string& Key, std::uint32_t Access) override;
  bool OpenKey(const std::string& Key, std::uint32_t Access) override;
  bool WriteDefaultString(const std::string& Data) override;
  void CloseKey() override;
  void NotifyShell() override;
  void CloseRoot() override;

 private:
  // HKEY values, kept opaque so that this header needs no system header.
  void* Root_ = nullptr;
  void* Current_ = nullptr;
};

#endif  // _WIN32
