#include "files/Association.h"

#include <string>

#include "evaluator/Faults.h"

namespace {

// Keeps the registry open for the routine's lifetime and closes it on every
// way out, exceptions included.
class TOpenRegistry {
 public:
  explicit TOpenRegistry(TRegistry& Registry) : Registry_(Registry) { Registry_.OpenRoot(); }
  ~TOpenRegistry() { Registry_.CloseRoot(); }
  TOpenRegistry(const TOpenRegistry&) = delete;
  TOpenRegistry& operator=(const TOpenRegistry&) = delete;

  // Creates or opens Key, writes its default value and closes it again.
  // A key that cannot be opened is not reported by itself: the write then
  // finds no key open and fails.
  void WriteKey(const std::string& Key, const std::string& Data) {
    const bool Opened = Registry_.OpenKey(Key, KeyAllAccess);
    if (!Opened || !Registry_.WriteDefaultString(Data)) {
      Registry_.CloseKey();
      throw RegistryFault("");
    }
    Registry_.CloseKey();
  }

 private:
  TRegistry& Registry_;
};

}  // namespace

void RegisterFileType(TRegistry& Registry, const TAnsweredNo& AnsweredNo,
                      const std::string& Extension, const std::string& FileType,
                      const std::string& Description, const std::string& ProgramPath,
                      int IconIndex, bool NotifyShell) {
  TOpenRegistry Reg(Registry);
  if (Registry.KeyExists(Extension, KeyReadAccess)) return;
  if (AnsweredNo && AnsweredNo()) return;

  Reg.WriteKey(Extension, FileType);
  Reg.WriteKey(FileType, Description);
  Reg.WriteKey(FileType + "\\DefaultIcon", ProgramPath + "," + std::to_string(IconIndex));
  Reg.WriteKey(FileType + "\\Shell\\Open", "&Open");
  Reg.WriteKey(FileType + "\\Shell\\Open\\Command", "\"" + ProgramPath + "\" \"%1\"");
  if (NotifyShell) Registry.NotifyShell();
}

void OfferFncAssociation(TRegistry& Registry, const TAnsweredNo& AnsweredNo,
                         const std::string& ProgramPath) {
  RegisterFileType(Registry, AnsweredNo, std::string(FncExtension), std::string(FncFileType),
                   std::string(FncDescription), ProgramPath, FncIconIndex, true);
}
