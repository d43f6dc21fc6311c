// helixor: draws a parametric space curve.
#include <cstdio>
#include <cstring>

#include "app/Application.h"

namespace {

const char* const Usage =
    "usage: helixor [FILE.fnc]\n"
    "       helixor -h | --help | -V | --version\n"
    "\n"
    "Draws a curve in space given by x(t), y(t) and z(t) over a segment [a, b],\n"
    "and opens the function file FILE.fnc when one is named. A file whose name\n"
    "starts with a minus is opened through its folder, as ./--help.\n"
    "\n"
    "  -h, --help     shows this help and exits\n"
    "  -V, --version  shows the version and exits\n"
    "\n"
    "helixor-cli evaluates expressions and draws function files without a window.\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before any window or display is needed.
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(Usage, stdout);
    return 0;
  }
  if (argc >= 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
    std::puts("helixor 1.0");
    return 0;
  }
  return RunHelixor(argc, argv);
}
