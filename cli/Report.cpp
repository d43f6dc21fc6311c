#include "cli/Report.h"

#include <cstdio>

#include "evaluator/Faults.h"

void ReportProblem(const std::string& what, const std::string& name, const std::string& reason) {
  std::fflush(stdout);
  std::fprintf(stderr, "helixor-cli: %s '%s': %s\n", what.c_str(), name.c_str(), reason.c_str());
}

int UsageError(const std::string& command, const std::string& what, const std::string& name,
               const std::string& reason) {
  ReportProblem(what, name, reason);
  std::fprintf(stderr, "Try 'helixor-cli %s--help' for more information.\n",
               command.empty() ? "" : (command + " ").c_str());
  return 2;
}

std::string ReasonOfErrno(int errorNumber) { return IoFault::OfErrno(errorNumber).what(); }

std::string ReasonOfFault(const std::string& text) {
  if (!text.empty() && text.back() == '.') return text.substr(0, text.size() - 1);
  return text;
}
