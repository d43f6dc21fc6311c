#include "cli/Console.h"

// The streams carry bytes as they are, and arguments are the bytes given.
void UseBinaryStandardStreams() {}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}
