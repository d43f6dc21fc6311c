#include "plot/FileReading.h"

std::FILE* OpenFileForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }
