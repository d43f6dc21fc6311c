// Read any bytes as a function file: no crash, no sanitizer report, only the
// file errors escape, the bytes read from memory and from a real file give
// the same fields or the same error, and saving what was read and reading it
// again gives the same texts.
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <typeinfo>

#include "evaluator/Faults.h"
#include "files/FunctionFile.h"
#include "fileio/FileIo.h"

namespace {

class TFields : public TFunctionFields {
 public:
  TFields() {
    for (TField f : AllFields) texts[static_cast<std::size_t>(f)] = std::string(InitialText(f));
  }
  std::string FieldText(TField f) const override { return texts[static_cast<std::size_t>(f)]; }
  void SetFieldText(TField f, const std::string& t) override { texts[static_cast<std::size_t>(f)] = t; }
  std::array<std::string, 6> texts;
};

struct Outcome {
  std::array<std::string, 6> texts;
  std::string error;  // the fault's type and text; empty when the load went through
  bool operator==(const Outcome&) const = default;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

template <typename Read>
Outcome Run(Read read) {
  TFields fields;
  Outcome o;
  try {
    read(fields);
  } catch (const InvalidCastFault& fault) {
    o.error = std::string("cast: ") + fault.what();
  } catch (const IoFault& fault) {
    o.error = std::string("io: ") + fault.what();
  }
  // Anything else escaping is a finding: the exception ends the run.
  o.texts = fields.texts;
  return o;
}

// A folder in memory where there is one, so that the fuzzer is not held up
// by the disk.
std::string Folder() {
  const char* tmp = std::getenv("TMPDIR");
  for (const char* dir : {"/dev/shm", tmp ? tmp : "/tmp", "/tmp"})
    if (::access(dir, W_OK) == 0) return dir;
  return ".";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = Folder();
  static const std::string input = folder + "/helixor-fuzz-input-" + std::to_string(::getpid()) + ".fnc";
  static const std::string saved = folder + "/helixor-fuzz-saved-" + std::to_string(::getpid()) + ".fnc";
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const Outcome fromMemory = Run([&](TFields& f) { LoadFromBytes(bytes, f); });
  Check(fromMemory.error.empty() || fromMemory.error == "cast: Invalid class typecast");

  Check(!ReplaceFileContents(input, data, size));
  const Outcome fromFile = Run([&](TFields& f) { Load(input, f); });
  Check(fromFile == fromMemory);

  // What was read is saved as six lines and read back unchanged.
  TFields read;
  read.texts = fromMemory.texts;
  const std::string written = FunctionFileBytes(read);
  std::size_t lines = 0;
  for (char c : written) lines += c == '\n';
  Check(lines == 6);
  SaveFunctionFile(saved, read);
  const Outcome again = Run([&](TFields& f) { Load(saved, f); });
  Check(again.error.empty());
  Check(again.texts == fromMemory.texts);
  return 0;
}
