#pragma once
// The sub-commands of helixor-cli. Each takes the arguments after its name
// and returns the process exit status: 0 success, 1 a failed or faulted
// result, 2 a usage error or a file that could not be read or written.

#include <string>
#include <vector>

int RunEval(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);
int RunSample(const std::vector<std::string>& args);

// The usage of the whole tool (--help, and without a command).
extern const char* const CliUsage;
// Each command's own --help: its options and an example.
extern const char* const EvalHelp;
extern const char* const RenderHelp;
extern const char* const SampleHelp;
