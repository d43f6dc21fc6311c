// make_background_runs: writes plot/BackgroundRuns.cpp to standard output,
// the two backgrounds as DrawBackground draws them, in runs.
//
//   build/default/tests/make_background_runs > plot/BackgroundRuns.cpp
#include <cstdint>
#include <cstdio>
#include <vector>

#include "plot/Picture.h"

namespace {

void Print(const char* name, TBackground background) {
  const TPicture picture = DrawBackground(background);
  std::vector<std::uint32_t> words;
  const std::uint8_t* p = picture.Pixels();
  for (int k = 0; k < TPicture::PixelCount;) {
    int run = 1;
    while (k + run < TPicture::PixelCount && p[k + run] == p[k]) ++run;
    words.push_back(static_cast<std::uint32_t>(run) << 8 | p[k]);
    k += run;
  }
  std::printf("\nconst std::uint32_t %sWords[] = {", name);
  for (std::size_t i = 0; i < words.size(); ++i)
    std::printf("%s0x%X,", i % 10 == 0 ? "\n    " : " ", words[i]);
  std::printf("\n};\n");
}

}  // namespace

int main() {
  std::printf(
      "// Made by make_background_runs (tests/plot/MakeBackgroundRuns.cpp) from\n"
      "// DrawBackground; do not edit. See plot/BackgroundRuns.h.\n"
      "#include \"plot/BackgroundRuns.h\"\n\nnamespace {\n");
  Print("Coord2D", TBackground::Coord2D);
  Print("Coord3D", TBackground::Coord3D);
  std::printf("\n}  // namespace\n\n");
  for (const char* name : {"Coord2D", "Coord3D"})
    std::printf("const TBackgroundRuns %sRuns{%sWords, sizeof %sWords / sizeof %sWords[0]};\n", name, name, name,
                name);
  return 0;
}
