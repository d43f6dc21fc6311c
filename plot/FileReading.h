#pragma once
// Opening a file for reading its bytes, by a UTF-8 path on every platform.

#include <cstdio>
#include <string>

// The file opened in binary mode, or null with errno telling why.
std::FILE* OpenFileForReading(const std::string& path);
