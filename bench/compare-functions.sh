#!/usr/bin/env bash
# The elementary functions and the drawings of this revision against an
# older one (default 4df2965), side by side in the same runs:
#   1. evaluator_bench_base: per function, ours, the C library's long double
#      one and the older revision's, on wide arguments and on those drawings
#      pass; then the cost of one SIN inside an expression;
#   2. render_bench --base-cli: helixor-cli of both revisions, the floor
#      with our functions and the floor with the C library's, at 10^6
#      samples (helix and heavy curve), with the load average;
#   3. the same drawings against a second older revision (default 55ddbdd,
#      the commit before Helixor's own elementary functions), which the
#      drawings must beat too.
# All are built Release. Meant for a quiet machine: it says the load at the
# start and the end, and render_bench warns above 0.5. The older revisions
# are unpacked with git archive under build/compare-base* and built there.
#
# Usage: bench/compare-functions.sh [BASE_COMMIT [SECOND_BASE_COMMIT]]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
base=${1:-4df2965}
second=${2:-55ddbdd}
jobs=${JOBS:-2}

build_cli() {  # build_cli COMMIT DIR: that revision's helixor-cli in DIR/build
  rm -rf "$2/src"
  mkdir -p "$2/src"
  git archive "$1" | tar -x -C "$2/src"
  cmake -S "$2/src" -B "$2/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHELIXOR_BUILD_GUI=OFF \
    -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$2/build" --target helixor-cli -j"$jobs"
}
base_dir=$root/build/compare-base
second_dir=$root/build/compare-base-second
build_cli "$base" "$base_dir"
build_cli "$second" "$second_dir"

cmake --preset default -B build/compare -DHELIXOR_BUILD_GUI=OFF -DBUILD_TESTING=OFF -DHELIXOR_BUILD_BENCH=ON \
  -DCMAKE_BUILD_TYPE=Release -DHELIXOR_BENCH_BASE_SOURCE="$base_dir/src" >/dev/null
cmake --build build/compare --target evaluator_bench_base render_bench -j"$jobs"

echo "== this revision $(git rev-parse --short HEAD) against $base (and $second); $(nproc) processors"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "== 1. the functions (ns per call; medians of 9 repetitions in random order)"
build/compare/bench/evaluator_bench_base --benchmark_filter='^(fn-|call/)'
echo
echo "== 2. the drawings at 10^6 samples against $base (CPU time of whole processes)"
build/compare/bench/render_bench --no-gnuplot --base-cli="$base_dir/build/cli/helixor-cli" \
  --benchmark_filter='/1000000/'
echo
echo "== 3. the drawings at 10^6 samples against $second"
build/compare/bench/render_bench --no-gnuplot --base-cli="$second_dir/build/cli/helixor-cli" \
  --benchmark_filter='/1000000/'
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
