// helixor-cli's side of the labels: the module is looked for beside the
// program (a build folder) and then in the installed program folder, loaded
// on the first use and kept to the end of the process.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "evaluator/Faults.h"
#include "paint/LabelledPicture.h"
#include "paint/module/LabelsModule.h"

namespace {

struct TLoadedModule {
  const THelixorLabelsModule* Module = nullptr;
  std::string Problem;
};

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  const std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.find_last_of('/'));
}

TLoadedModule Load() {
  TLoadedModule loaded;
  const std::string folder = ProgramFolder();
  if (folder.empty()) {
    loaded.Problem = "the program's own folder is unknown, so its labels module cannot be found";
    return loaded;
  }
  const std::vector<std::string> candidates = {
      folder + "/" + LabelsModuleFile,
      folder + "/" HELIXOR_LABELS_FROM_PROGRAM "/" + LabelsModuleFile};
  for (const std::string& path : candidates) {
    if (::access(path.c_str(), F_OK) != 0) continue;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = ::dlerror();
      loaded.Problem = why ? why : "the labels module " + path + " cannot be loaded";
      return loaded;
    }
    using TEntry = const THelixorLabelsModule* (*)();
    const auto entry = reinterpret_cast<TEntry>(::dlsym(handle, LabelsModuleEntry));
    const THelixorLabelsModule* module = entry ? entry() : nullptr;
    if (!module || module->Version != LabelsModuleVersion) {
      loaded.Problem = "the labels module " + path + " belongs to another build";
      return loaded;
    }
    loaded.Module = module;
    return loaded;
  }
  loaded.Problem = std::string("the labels module ") + LabelsModuleFile + " is not installed";
  return loaded;
}

const TLoadedModule& Loaded() {
  static const TLoadedModule loaded = Load();
  return loaded;
}

const THelixorLabelsModule& Module() {
  if (!Loaded().Module) throw Fault(Loaded().Problem);
  return *Loaded().Module;
}

}  // namespace

bool GraphLabelsAvailable() { return Loaded().Module != nullptr; }

std::string GraphLabelsUnavailableReason() { return Loaded().Problem; }

TRgbImage GraphWindowImage(const TPicture& picture, const TGraphLabelTexts& texts) {
  return Module().WindowImage(picture.Pixels(), picture.Palette(), texts);
}

std::vector<TPlacedLabel> PlaceGraphLabels(const TGraphLabelTexts& texts) {
  return Module().PlaceLabels(texts);
}
