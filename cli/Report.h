#pragma once
// How helixor-cli tells the user what went wrong, on standard error:
//   helixor-cli: <what> '<name>': <reason>
// and, after a usage error, where to read more.

#include <cstddef>
#include <string>

// One line: "helixor-cli: <what> '<name>': <reason>".
void ReportProblem(const std::string& what, const std::string& name, const std::string& reason);
// A usage error of a command: the problem, then a pointer to its --help.
// Returns 2, the status of a usage error.
int UsageError(const std::string& command, const std::string& what, const std::string& name,
               const std::string& reason);
// The reason for a system error number, in the program's own words.
std::string ReasonOfErrno(int errorNumber);
// The reason a fault gives: its text without the full stop.
std::string ReasonOfFault(const std::string& text);

// Standard output and input. A failed transfer on either ends the command
// with a non-zero status and one line on standard error:
//   helixor-cli: cannot write standard output: <reason>
//   helixor-cli: cannot read standard input: <reason>
// Whether standard output has failed so far; the first failure's system
// error is kept for the report. Call right after writing, while the
// error number is still the failed write's.
bool StandardOutputFailed();
// Flushes standard output; false when that (or an earlier write) failed.
bool FlushStandardOutput();
// Writes the bytes to standard output; false when that failed.
bool WriteStandardOutput(const void* data, std::size_t size);
// Records that reading standard input failed with this system error.
void StandardInputFailed(int errorNumber);
// Flushes and closes standard output and reports a failure of either
// stream. Returns the status the tool ends with: Status, or 2 after a
// failure.
int FinishStandardStreams(int status);
