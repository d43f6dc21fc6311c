// Builds without libpng write no PNG files; the command line says so.
#include "evaluator/Faults.h"
#include "plot/PictureFiles.h"

namespace {
[[noreturn]] void Unavailable() { throw Fault("PNG pictures are not available in this build"); }
}  // namespace

bool PngAvailable() { return false; }
std::vector<std::uint8_t> PngBytes(const TPicture&) { Unavailable(); }
std::vector<std::uint8_t> PngBytes(const TRgbImage&) { Unavailable(); }
