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

// Whether Path names the file, pipe or device that standard output goes to
// (/dev/stdout, /proc/self/fd/1, or its name), so that a picture written
// there takes the report's place as "-" does.
bool NamesStandardOutput(const std::string& path);

// A standard stream that the tool was started without (closed by the
// caller) is held by a stand-in on which every transfer fails, so that no
// file the tool opens takes its place: output meant for the closed stream
// fails and is reported instead of landing in a file.
void HoldClosedStandardStreams();
