#!/usr/bin/env bash
# The Windows window program and its installer: builds Qt for Windows (or
# takes it from its cache), helixor.exe and helixor-cli.exe (the "windows-gui"
# preset), the installer helixor-VERSION-setup.exe, and checks them under
# Wine on Xvfb with openbox (tests/desktop/wine_desktop_test.py):
# the program as a user sees it; function files and pictures named in
# German, Greek, Chinese and emoji, and a path beyond 260 characters, opened
# and saved through the first argument and the dialogs by a copy of the
# program that runs with the code page 1252 (its manifest's UTF-8 request
# blanked, as Windows before 10 1903 ignores it); then a silent install, a
# start of the installed program and a silent uninstall that leaves nothing
# behind.
#
# Usage: check-windows-gui.sh [LINUX_BUILD_DIR]   (default build/default,
# which must hold cli/helixor-cli: the graph is compared with its pictures).
# Installs what it needs when missing (as root, or through sudo).
# Screenshots go to build/wine-desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build/default}
[ -x "$linux_build/cli/helixor-cli" ] || { echo "no Linux helixor-cli in $linux_build/cli" >&2; exit 1; }

bash scripts/setup.sh windows wm
bash scripts/build-qt-windows.sh

start=$(date +%s)
cmake --preset windows-gui >/dev/null
cmake --build --preset windows-gui --target helixor helixor-cli
built=$(date +%s)

# What the installer carries: the programs without their debugging data.
version=$(sed -n 's/^project(Helixor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=build/windows-gui/stage
rm -rf "$stage"
mkdir -p "$stage"
for program in app/helixor.exe cli/helixor-cli.exe; do
  x86_64-w64-mingw32-strip -o "$stage/$(basename "$program")" "build/windows-gui/$program"
done
setup=build/windows-gui/helixor-$version-setup.exe
# makensis reads relative paths from the script's folder: all are absolute.
makensis -V2 -DVERSION="$version" -DPROGRAMS_DIR="$PWD/$stage" -DSOURCE_DIR="$PWD" \
  -DOUT_FILE="$PWD/$setup" packaging/helixor.nsi
packed=$(date +%s)
echo "helixor.exe $(stat -c %s "$stage/helixor.exe") bytes, helixor-cli.exe" \
  "$(stat -c %s "$stage/helixor-cli.exe") bytes, $(basename "$setup") $(stat -c %s "$setup") bytes"

timeout 900 /usr/bin/python3 tests/desktop/wine_desktop_test.py "$stage/helixor.exe" \
  "$linux_build/cli/helixor-cli" resources/examples --installer "$setup" --shots build/wine-desktop
checked=$(date +%s)
echo "build $((built - start)) s, installer $((packed - built)) s, checks under Wine $((checked - packed)) s"
