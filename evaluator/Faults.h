#pragma once
// Faults: the errors that end a command and reach the user in the standard
// error box. Each carries the user's text; the box adds the full stop.

#include <stdexcept>
#include <string>

class Fault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Floating point overflow": a result beyond the 80-bit range.
class OverflowFault : public Fault {
 public:
  OverflowFault() : Fault("Floating point overflow") {}
};

// "Invalid floating point operation": 0/0, an integer conversion out of range.
class InvalidOperationFault : public Fault {
 public:
  InvalidOperationFault() : Fault("Invalid floating point operation") {}
};

// "Floating point division by zero".
class DivisionByZeroFault : public Fault {
 public:
  DivisionByZeroFault() : Fault("Floating point division by zero") {}
};

// A text that does not convert, e.g. "'abc' is not a valid integer value".
class ConversionFault : public Fault {
 public:
  using Fault::Fault;
};

// A file operation that failed with an I/O code ("File not found", ...), or
// with a system error that has no code of its own ("I/O error 5").
class IoFault : public Fault {
 public:
  explicit IoFault(int code);
  // The code of the table below; 0 for a system error outside it.
  int Code() const { return code_; }
  // The system's error number when the fault came from one, else 0.
  int SystemError() const { return systemError_; }
  // The user's text for an I/O code: 2 "File not found", 3 "Invalid
  // filename", 4 "Too many open files", 5 "File access denied", 100 "Read
  // beyond end of file", 101 "Disk full", 106 "Invalid numeric input",
  // otherwise "I/O error <code>".
  static std::string TextOf(int code);
  // The code for a C library errno value by its meaning (not found, invalid
  // name, too many open files, access denied, disk full); 0 when the table
  // has no such meaning. Creating tells that the file was being created,
  // where a missing folder reads as an invalid name.
  static int CodeOfErrno(int err, bool creating = false);
  // The fault for an errno value: the table's text by meaning, otherwise
  // "I/O error <err>" with the system's number.
  static IoFault OfErrno(int err, bool creating = false);

 private:
  IoFault(int code, int systemError, const std::string& text);
  int code_;
  int systemError_ = 0;
};

// "Cannot create file <path>".
class CreateFileFault : public Fault {
 public:
  explicit CreateFileFault(const std::string& path) : Fault("Cannot create file " + path) {}
};

// "Invalid class typecast": a function-file line that names a component
// which is not a field.
class InvalidCastFault : public Fault {
 public:
  InvalidCastFault() : Fault("Invalid class typecast") {}
};

// "Failed to set data for '<name>'": a registry write with no key open.
class RegistryFault : public Fault {
 public:
  explicit RegistryFault(const std::string& valueName)
      : Fault("Failed to set data for '" + valueName + "'") {}
};

// Internal consistency errors of the evaluator ("Bad token state",
// "Invalid reduction"); the tables never raise them.
class InternalFault : public Fault {
 public:
  using Fault::Fault;
};

// The text as the standard error box shows it: a full stop is added unless
// the text is empty or its last character is "." or sorts before it.
std::string WithFullStop(const std::string& text);

// "Out of memory": what the user reads when memory could not be had.
extern const char* const OutOfMemoryText;
// The user's text for an error that ends a command: a fault's own text,
// "Out of memory" for a failed allocation, never a type's name.
std::string UserTextOf(const std::exception& error);
