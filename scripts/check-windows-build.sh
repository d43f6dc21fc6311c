#!/usr/bin/env bash
# Builds the toolkit-free core, helixor-cli and their tests for Windows
# (the "windows" preset: MinGW-w64, statically linked) and runs them under
# Wine: the test programs must pass, and helixor-cli.exe must print the same
# bytes, end with the same status and write the same pictures as the Linux
# build for every bundled example and view.
#
# Usage: check-windows-build.sh [LINUX_BUILD_DIR]   (default build/default,
# which must hold cli/helixor-cli). Installs the cross compiler, the
# GoogleTest sources and Wine when missing (as root, or through sudo).
# Needs no display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux_build=${1:-build/default}
linux_cli=$root/$linux_build/cli/helixor-cli
[ -x "$linux_cli" ] || { echo "no Linux helixor-cli at $linux_cli" >&2; exit 1; }

bash scripts/setup.sh windows

start=$(date +%s)
cmake --preset windows
cmake --build --preset windows
built=$(date +%s)

# A Wine of its own in a temporary folder, quiet, without a display.
work=$(mktemp -d)
mkdir -p "$work/wine"
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The server stays up between the programs instead of starting for each.
wineserver -p
wineboot -i >/dev/null 2>&1
booted=$(date +%s)

ctest --preset windows
tested=$(date +%s)

# helixor-cli.exe against the Linux build, byte for byte.
win_cli=$root/build/windows/cli/helixor-cli.exe
other=windows
# Now and then Wine fails to start a program: it ends with status 1 having
# printed nothing at all. Such a run is tried once more, and said so.
run_other() {
  local status=0 out err
  out=$(mktemp) err=$(mktemp)
  wine "$win_cli" "$@" >"$out" 2>"$err" || status=$?
  if [ "$status" = 1 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
    echo "note: Wine ended helixor-cli.exe $* silently with status 1; running it again" >"$err.note"
    status=0
    wine "$win_cli" "$@" >"$out" 2>"$err" || status=$?
  fi
  cat "$out"
  cat "$err" >&2
  [ -f "$err.note" ] && cat "$err.note" >>"$work/wine-retries.txt"
  rm -f "$out" "$err" "$err.note"
  return "$status"
}
source scripts/compare-cli.sh
[ -f "$work/wine-retries.txt" ] && cat "$work/wine-retries.txt" >&2
done_at=$(date +%s)

if [ "$failures" -ne 0 ]; then
  echo "Windows build check failed: $failures difference(s) between helixor-cli.exe and helixor-cli" >&2
  exit 1
fi
echo "Windows build check passed: the tests under Wine; helixor-cli.exe as the Linux build in $renders renders" \
  "(every example and view), $evaluations evaluations of the examples and the command line's own cases."
echo "Seconds: build $((built - start)), Wine start $((booted - built)), tests $((tested - booted)), comparisons $((done_at - tested))."
