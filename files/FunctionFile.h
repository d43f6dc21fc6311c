#pragma once
// Function files (".fnc"): the six input texts, one "Name=text" line each,
// CR LF after every line, texts as single bytes (Latin-1).

#include <string>
#include <string_view>

#include "plot/Fields.h"

// The main window's fields as the reader and the writer see them. Texts are
// UTF-8 here; the file holds them as Latin-1 bytes.
class TFunctionFields {
 public:
  virtual ~TFunctionFields() = default;
  virtual std::string FieldText(TField field) const = 0;
  virtual void SetFieldText(TField field, const std::string& text) = 0;
  // Whether the main window has a component of this name (compared without
  // regard to ASCII case) that is not one of the six fields: its labels,
  // buttons, dialogs and the evaluator. A file line naming one is an error.
  virtual bool IsOtherComponent(std::string_view name) const;
};

// The file's bytes: the six lines in their fixed order.
std::string FunctionFileBytes(const TFunctionFields& fields);

// Writes the six lines. The file is written beside the target and takes its
// place when complete, so a failed save leaves the old file intact.
// Throws IoFault ("File access denied", "Disk full", ...).
void SaveFunctionFile(const std::string& fileName, const TFunctionFields& fields);

// Reads a function file into the fields, line by line in file order: a line
// ends at LF or CR LF; the name is the text before the first "=" (any ASCII
// case), the value everything after it, verbatim. Empty lines, lines without
// "=" and unknown names are skipped. Only regular files are read: a FIFO or
// a device is refused at once with "File access denied". Throws IoFault
// ("File not found", ...) and InvalidCastFault ("Invalid class typecast")
// for a line that names a component which is not a field; lines before the
// fault stay applied.
void Load(const std::string& FileName, TFunctionFields& fields);
// The same over text already read, for tests and other sources.
void LoadFromBytes(std::string_view bytes, TFunctionFields& fields);

// Text conversions at the file boundary: characters outside Latin-1 (and
// malformed UTF-8) become "?".
std::string Utf8ToLatin1(std::string_view utf8);
std::string Latin1ToUtf8(std::string_view latin1);
