#!/usr/bin/env bash
# Builds Helixor for WebAssembly (the "web" preset: Debian's emscripten) and
# checks it: helixor-cli.js under Node must print the same bytes, end with
# the same status and write the same pictures as the x86 build on every
# bundled example and view, the command line's own cases, generated
# expressions and random curves (scripts/compare-cli.sh); the page, served
# from build/web, must pass tests/web/web_test.py in headless Chromium
# (screenshots of each step in build/web-test).
#
# Usage: check-web-build.sh [X86_BUILD_DIR]   (default build/default, which
# must hold cli/helixor-cli). Installs what it needs (scripts/setup.sh web
# webtest; as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
x86_build=${1:-build/default}
linux_cli=$root/$x86_build/cli/helixor-cli
[ -x "$linux_cli" ] || { echo "no x86 helixor-cli at $linux_cli" >&2; exit 1; }

bash scripts/setup.sh web webtest
start=$(date +%s)
bash scripts/serve-web.sh --no-serve
built=$(date +%s)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
node_cli=$root/build/wasm/cli/helixor-cli.js
other=wasm
run_other() { node "$node_cli" "$@"; }
source scripts/compare-cli.sh

# What Node's file calls do differently from the system's: a FIFO takes the
# picture (written without positions), and a reader that goes away early
# gives the same message, with Linux's number for the error.
through_fifo() {  # through_fifo SIDE RUNNER: renders the helix into a FIFO
  local dir=$work/$1
  rm -f "$dir/pipe"
  mkfifo "$dir/pipe"
  cat "$dir/pipe" >"$dir/from-pipe.bmp" &
  local reader=$!
  (cd "$dir" && "$2" render examples/helix.fnc -o pipe >fifo.out 2>fifo.err) || echo "status $?" >>"$dir/fifo.err"
  wait "$reader"
}
run_linux() { "$linux_cli" "$@"; }
through_fifo linux run_linux
through_fifo "$other" run_other
for name in from-pipe.bmp fifo.out fifo.err; do compare_file "$name"; done
for side in linux "$other"; do
  runner=run_linux
  [ "$side" = linux ] || runner=run_other
  (cd "$work/$side" && trap "" PIPE && { "$runner" render examples/helix.fnc -o - 2>early.err | head -c 10 >/dev/null; }) || true
done
compare_file early.err
compared=$(date +%s)

timeout 900 /usr/bin/python3 tests/web/web_test.py build/web "$linux_cli" --shots "$root/build/web-test" ||
  failures=$((failures + 1))
browsed=$(date +%s)

if [ "$failures" -ne 0 ]; then
  echo "web build check failed: $failures difference(s) or failed check(s)" >&2
  exit 1
fi
echo "web build check passed: helixor-cli.js under Node as the x86 build in $renders renders (every example" \
  "and view), $evaluations evaluations of the examples and the command line's own cases, and the generated" \
  "cases; the page passes its checks in headless Chromium (screenshots in build/web-test)."
echo "Seconds: build $((built - start)), comparisons $((compared - built)), browser $((browsed - compared))."
