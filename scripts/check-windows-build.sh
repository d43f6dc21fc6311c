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
failures=0
compare() {  # compare NAME ARGS...: runs both programs with ARGS in $work/linux and $work/windows
  local name=$1
  shift
  local status_linux=0 status_windows=0
  (cd "$work/linux" && "$linux_cli" "$@" >"$name.out" 2>"$name.err") || status_linux=$?
  (cd "$work/windows" && wine "$win_cli" "$@" >"$name.out" 2>"$name.err") || status_windows=$?
  # Now and then Wine fails to start a program: it ends with status 1 having
  # printed nothing at all, where the Linux run printed. Such a run is tried
  # once more, and said so.
  if [ "$status_windows" = 1 ] && [ ! -s "$work/windows/$name.out" ] && [ ! -s "$work/windows/$name.err" ] &&
     { [ -s "$work/linux/$name.out" ] || [ -s "$work/linux/$name.err" ]; }; then
    echo "note: $name: Wine ended the program silently with status 1; running it again" >&2
    status_windows=0
    (cd "$work/windows" && wine "$win_cli" "$@" >"$name.out" 2>"$name.err") || status_windows=$?
  fi
  if [ "$status_linux" != "$status_windows" ]; then
    echo "differs: $name: status $status_linux on Linux, $status_windows on Windows" >&2
    failures=$((failures + 1))
  fi
  for kind in out err; do
    if ! cmp -s "$work/linux/$name.$kind" "$work/windows/$name.$kind"; then
      echo "differs: $name: standard ${kind/err/error}" >&2
      diff "$work/linux/$name.$kind" "$work/windows/$name.$kind" | head -5 >&2 || true
      failures=$((failures + 1))
    fi
  done
}
compare_file() {  # compare_file NAME: a file both runs wrote
  if [ ! -f "$work/linux/$1" ] || ! cmp -s "$work/linux/$1" "$work/windows/$1"; then
    echo "differs: $1" >&2
    failures=$((failures + 1))
  fi
}
mkdir -p "$work/linux" "$work/windows"
cp -r resources/examples "$work/linux/examples"
cp -r resources/examples "$work/windows/examples"

renders=0
evaluations=0
for example in resources/examples/*.fnc; do
  name=$(basename "$example" .fnc)
  for view in isometric front left bottom; do
    compare "render-$name-$view" render "examples/$name.fnc" --view "$view" --output "$name-$view.bmp"
    compare_file "$name-$view.bmp"
    renders=$((renders + 1))
  done
  # Every text of the example, and the three functions at both ends of the
  # segment, in between and far beyond, where the functions reduce their
  # arguments differently.
  texts=()
  while IFS='=' read -r field text; do
    texts+=("${text%$'\r'}")
  done <"$example"
  compare "eval-$name" eval "${texts[@]}"
  for t in 0 0.37 3.14159 -2.5 100.25 5000.5 1e6 123456789.125; do
    compare "eval-$name-$t" eval --t "$t" "${texts[2]}" "${texts[3]}" "${texts[4]}"
    evaluations=$((evaluations + 1))
  done
done

# The command line's own cases: failures, faults, usage, standard input with
# CR LF and a lone CR, a file that is missing or not a function file.
printf 't+1\r\n\n2 3\nsqr(t)\rx\n\x1a5*t' >"$work/linux/input.txt"
cp "$work/linux/input.txt" "$work/windows/input.txt"
compare eval-faults eval "6*7 MOD 4" "1/0" "1e4000*1e4000" "1e19 mod 2" "1" "ln(0)" "sqrt(-1)" "exp(11357)"
compare eval-numerals eval "0.1" "1e-4951" "1.18973149535723176502e+4932" "1e4933" "123456789012345678901234567890" \
  ".000000000000000000000000000001e30" "2.5e-4950" "7e-4951" "0.30000000000000000001e1"
compare eval-functions eval "atan(1)*4" "cos(1e18)" "sin(9e18)" "cos(4096.5)" "sin(-4100)" "exp(1)" "ln(10)" \
  "sqrt(2)" "2^0.5" "round(2.5)" "trunc(-2.5)" "abs(-1e-4940)"
compare eval-t eval --t=-0.5 "t*T" "t^3"
(cd "$work/linux" && "$linux_cli" eval --t 2 <input.txt >eval-stdin.out 2>&1) || true
(cd "$work/windows" && wine "$win_cli" eval --t 2 <input.txt >eval-stdin.out 2>&1) || true
compare_file eval-stdin.out
compare usage-none
compare usage-unknown frobnicate
compare usage-eval eval --t
compare usage-render render --view diagonal
compare render-missing render examples/none.fnc
compare render-sets render --set AEdit=0 --set BEdit=1 --set xt=t --set yt=q --set zt=0 --set Precission=100
compare render-zero render --set Precission=0 --set AEdit=0 --set BEdit=1 --set xt=t --set yt=0 --set zt=0
compare render-not-a-file render examples
compare render-to-folder render examples/helix.fnc --output examples
# Names beyond ASCII, given as UTF-8 on Linux and through the wide command
# line on Windows.
cp resources/examples/helix.fnc "$work/linux/examples/spirale-é.fnc"
cp resources/examples/helix.fnc "$work/windows/examples/spirale-é.fnc"
compare render-utf8 render "examples/spirale-é.fnc" --output "bézier-ω.bmp"
compare_file "bézier-ω.bmp"
compare version --version
compare help --help

# Generated expressions and random curves, in a script of their own.
source scripts/check-windows-generated.sh
done_at=$(date +%s)

if [ "$failures" -ne 0 ]; then
  echo "Windows build check failed: $failures difference(s) between helixor-cli.exe and helixor-cli" >&2
  exit 1
fi
echo "Windows build check passed: the tests under Wine; helixor-cli.exe as the Linux build in $renders renders" \
  "(every example and view), $evaluations evaluations of the examples and the command line's own cases."
echo "Seconds: build $((built - start)), Wine start $((booted - built)), tests $((tested - booted)), comparisons $((done_at - tested))."
