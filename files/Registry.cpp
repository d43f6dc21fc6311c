#include "files/Registry.h"

#ifdef _WIN32
#include "files/RegistryWindows.h"
#else
#include "files/RegistryXdg.h"
#endif

std::unique_ptr<TRegistry> CreatePlatformRegistry() {
#ifdef _WIN32
  return std::make_unique<TWinRegistry>();
#else
  return std::make_unique<TXdgRegistry>(TXdgDirs::FromEnvironment());
#endif
}
