#include "cli/Report.h"

#include <cerrno>
#include <cstdio>

#include "evaluator/Faults.h"
#include "fileio/FileIo.h"

void ReportProblem(const std::string& what, const std::string& name, const std::string& reason) {
  (void)FlushStandardOutput();
  std::fprintf(stderr, "helixor-cli: %s '%s': %s\n", what.c_str(), ShownFileName(name).c_str(), reason.c_str());
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

namespace {

int outputError = 0;  // the system error of standard output's first failure
bool outputFailed = false;
int inputError = 0;
bool inputFailed = false;

void Report(const char* what, int errorNumber) {
  std::fprintf(stderr, "helixor-cli: %s: %s\n", what, ReasonOfErrno(errorNumber).c_str());
  std::fflush(stderr);
}

}  // namespace

bool StandardOutputFailed() {
  if (!outputFailed && std::ferror(stdout)) {
    outputError = errno ? errno : EIO;
    outputFailed = true;
  }
  return outputFailed;
}

bool WriteStandardOutput(const void* data, std::size_t size) {
  if (std::fwrite(data, 1, size, stdout) != size) {
    // A short write with the stream's error flag clear still failed.
    if (!StandardOutputFailed()) {
      outputError = errno ? errno : EIO;
      outputFailed = true;
    }
    return false;
  }
  return !StandardOutputFailed();
}

bool FlushStandardOutput() {
  if (std::fflush(stdout) != 0 && !outputFailed) {
    outputError = errno ? errno : EIO;
    outputFailed = true;
  }
  return !StandardOutputFailed();
}

void StandardInputFailed(int errorNumber) {
  if (inputFailed) return;
  inputError = errorNumber;
  inputFailed = true;
}

int FinishStandardStreams(int status) {
  (void)FlushStandardOutput();
  // The close reports what the system could only tell at the end, such as
  // a failed write-back to a network file.
  errno = 0;
  if (std::fclose(stdout) != 0 && !outputFailed) {
    outputError = errno ? errno : EIO;
    outputFailed = true;
  }
  if (inputFailed) {
    Report("cannot read standard input", inputError);
    return 2;
  }
  if (outputFailed) {
    Report("cannot write standard output", outputError);
    return 2;
  }
  return status;
}
