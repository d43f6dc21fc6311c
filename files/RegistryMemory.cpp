#include "files/RegistryMemory.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

std::string Hex(std::uint32_t Access) {
  char Text[16];
  std::snprintf(Text, sizeof Text, "0x%x", static_cast<unsigned>(Access));
  return Text;
}

}  // namespace

bool TMemoryRegistry::TCaseInsensitiveLess::operator()(const std::string& A,
                                                       const std::string& B) const {
  return std::lexicographical_compare(A.begin(), A.end(), B.begin(), B.end(), [](char X, char Y) {
    return std::tolower(static_cast<unsigned char>(X)) < std::tolower(static_cast<unsigned char>(Y));
  });
}

std::optional<std::string> TMemoryRegistry::Value(const std::string& Key) const {
  const auto It = Keys.find(Key);
  if (It == Keys.end()) return std::nullopt;
  return It->second;
}

bool TMemoryRegistry::Refused() { return ++Opens_ == RefuseOpenNumber; }

void TMemoryRegistry::OpenRoot() {
  Log.push_back("OpenRoot");
  RootOpen_ = true;
}

bool TMemoryRegistry::KeyExists(const std::string& Key, std::uint32_t Access) {
  const std::string Entry = "KeyExists " + Key + " " + Hex(Access);
  if (!RootOpen_ || Refused()) {
    Log.push_back(Entry + " refused");
    return false;
  }
  Log.push_back(Entry);
  return HasKey(Key);
}

bool TMemoryRegistry::OpenKey(const std::string& Key, std::uint32_t Access) {
  Current_.reset();
  const std::string Entry = "OpenKey " + Key + " " + Hex(Access);
  if (!RootOpen_ || Refused() || Key.empty()) {
    Log.push_back(Entry + " refused");
    return false;
  }
  Log.push_back(Entry);
  // Creating a key creates each missing parent, without a value.
  for (std::size_t Slash = Key.find('\\'); Slash != std::string::npos;
       Slash = Key.find('\\', Slash + 1))
    Keys.try_emplace(Key.substr(0, Slash));
  Keys.try_emplace(Key);
  Current_ = Key;
  return true;
}

bool TMemoryRegistry::WriteDefaultString(const std::string& Data) {
  if (!Current_) {
    Log.push_back("Write (no key)=" + Data);
    return false;
  }
  Log.push_back("Write " + *Current_ + "=" + Data);
  Keys[*Current_] = Data;
  return true;
}

void TMemoryRegistry::CloseKey() {
  Log.push_back("CloseKey");
  Current_.reset();
}

void TMemoryRegistry::NotifyShell() {
  Log.push_back("NotifyShell");
  ++NotifyCount;
}

void TMemoryRegistry::CloseRoot() {
  Log.push_back("CloseRoot");
  Current_.reset();
  RootOpen_ = false;
}
