#pragma once
// How helixor-cli tells the user what went wrong, on standard error:
//   helixor-cli: <what> '<name>': <reason>
// and, after a usage error, where to read more.

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
