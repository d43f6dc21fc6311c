#include "files/FunctionFile.h"

#include <array>

#include "evaluator/Faults.h"
#include "fileio/FileIo.h"

bool TFunctionFields::IsOtherComponent(std::string_view name) const {
  static constexpr std::array<std::string_view, 24> Components{
      "Label1",      "Label2",      "Label3",     "Label4",       "Label5",       "Label6",
      "Label7",      "SegmentLabel", "FunctionLabel", "ArrowLabel", "DrawButton",  "FrontButton",
      "LeftButton",  "BottomButton", "Isometric",  "SaveButton",   "LoadButton",   "BmpButton",
      "ShowButton",  "HelpButton",  "AboutButton", "Parser",      "SaveDialog",   "LoadDialog"};
  if (SameNameIgnoringCase(name, "Save")) return true;
  for (std::string_view component : Components)
    if (SameNameIgnoringCase(name, component)) return true;
  return false;
}

std::string Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    int length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (lead >= 0xF5) length = 0;
    std::uint32_t code = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    int k = 1;
    for (; k < length && i + k < utf8.size(); ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) break;
      code = code << 6 | (next & 0x3F);
    }
    if (length == 0 || k < length) {
      out += '?';  // malformed: one "?" per bad lead byte
      i += length == 0 ? 1 : k;
      continue;
    }
    out += code <= 0xFF ? static_cast<char>(code) : '?';
    i += length;
  }
  return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | byte >> 6);
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

std::string FunctionFileBytes(const TFunctionFields& fields) {
  std::string out;
  for (TField field : AllFields) {
    out += FieldName(field);
    out += '=';
    out += Utf8ToLatin1(fields.FieldText(field));
    out += "\r\n";
  }
  return out;
}

void SaveFunctionFile(const std::string& fileName, const TFunctionFields& fields) {
  const std::string bytes = FunctionFileBytes(fields);
  if (auto error = ReplaceFileContents(fileName, bytes.data(), bytes.size())) {
    const IoFault fault = IoFault::OfErrno(error->Errno, error->Creating);
    const std::string text = WithSaveNote(fault.what(), *error);
    if (text == fault.what()) throw fault;
    throw Fault(text);
  }
}

namespace {

void ApplyLine(std::string_view line, TFunctionFields& fields) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;  // no name: skipped
  const std::string_view name = line.substr(0, equals);
  if (auto field = FieldByName(name)) {
    fields.SetFieldText(*field, Latin1ToUtf8(line.substr(equals + 1)));
  } else if (fields.IsOtherComponent(name)) {
    throw InvalidCastFault();
  }
}

std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

void LoadFromBytes(std::string_view bytes, TFunctionFields& fields) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::size_t length = end == std::string_view::npos ? bytes.size() : end + 1;
    ApplyLine(WithoutLineEnd(bytes.substr(0, length)), fields);
    bytes.remove_prefix(length);
  }
}

void Load(const std::string& FileName, TFunctionFields& fields) {
  std::string bytes;
  if (auto error = ReadRegularFile(FileName, bytes)) {
    // The whole lines read before a failed read are applied, as a reader
    // going line by line would have done.
    if (!error->Opening) {
      const std::size_t end = bytes.rfind('\n');
      if (end != std::string::npos) LoadFromBytes(std::string_view(bytes).substr(0, end + 1), fields);
    }
    throw IoFault::OfErrno(error->Errno);
  }
  LoadFromBytes(bytes, fields);
}
