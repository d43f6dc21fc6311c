#!/usr/bin/env bash
# Compiles the file-type association and its Windows registry back end with
# the mingw-w64 cross compiler and links them into a small Windows program,
# so that the Windows-only code is checked on Linux. Installs the compiler
# when it is missing (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh windows
cxx=x86_64-w64-mingw32-g++

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# RegistryFault is defined in its header, so the evaluator is not needed.
sources=(files/Association.cpp files/Registry.cpp
         files/RegistryWindows.cpp files/RegistryMemory.cpp files/RegistryXdg.cpp
         files/RegistryXdgIcon.cpp)
objects=()
for src in "${sources[@]}"; do
  obj="$out/$(basename "${src%.cpp}").o"
  "$cxx" -std=c++20 -Wall -Wextra -Werror -I. -c "$src" -o "$obj"
  objects+=("$obj")
done

# A program that reaches every entry point, so that the link resolves the
# registry and shell functions against the Windows import libraries.
cat > "$out/main.cpp" <<'CPP'
#include "files/Association.h"
int main(int argc, char**) {
  auto Registry = CreatePlatformRegistry();
  if (argc > 1) OfferFncAssociation(*Registry, [] { return true; }, "C:\\Helixor\\Helixor.exe");
  return 0;
}
CPP
"$cxx" -std=c++20 -Wall -Wextra -Werror -I. -c "$out/main.cpp" -o "$out/main.o"
"$cxx" -static -o "$out/check.exe" "$out/main.o" "${objects[@]}" -ladvapi32 -lshell32
nm "$out/RegistryWindows.o" | grep -q 'SHChangeNotify' || { echo "SHChangeNotify not referenced" >&2; exit 1; }
echo "Windows build check passed: ${sources[*]} compiled and linked with $cxx"
