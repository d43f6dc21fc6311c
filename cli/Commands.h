#pragma once
// The sub-commands of helixor-cli. Each takes the arguments after its name
// and returns the process exit status: 0 success, 1 a failed or faulted
// result, 2 a usage error.

#include <string>
#include <vector>

int RunEval(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);

// The usage text printed by --help and on a usage error.
extern const char* const CliUsage;
