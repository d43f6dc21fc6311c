#pragma once
// What helixor-cli needs of the platform's console: its arguments and its
// standard streams, the same on every platform.

#include <string>
#include <vector>

// Makes standard input, output and error pass bytes unchanged: lines end in
// LF alone, a picture written to standard output arrives whole, and no byte
// of the input ends it early.
void UseBinaryStandardStreams();

// The command-line arguments in UTF-8, the program's name first.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
