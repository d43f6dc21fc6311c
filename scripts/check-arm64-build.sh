#!/usr/bin/env bash
# Cross-builds Helixor for arm64 Linux (the "arm64" preset: Debian's
# aarch64-linux-gnu compilers and arm64 libraries through multiarch) and
# checks it under qemu-aarch64: the test suite must pass; helixor-cli must
# print the same bytes, end with the same status and write the same pictures
# as the x86 build on every bundled example and view, the command line's own
# cases, generated expressions and random curves; the window program must
# draw the helix as the x86 helixor-cli draws it (a screenshot is kept in
# build/arm64-shots); and the arm64 Debian package is built and checked as
# the amd64 one is.
#
# Usage: check-arm64-build.sh [X86_BUILD_DIR]   (default build/default,
# which must hold cli/helixor-cli and the labels module). Installs what it
# needs (scripts/setup.sh arm64; as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
x86_build=${1:-build/default}
linux_cli=$root/$x86_build/cli/helixor-cli
[ -x "$linux_cli" ] || { echo "no x86 helixor-cli at $linux_cli" >&2; exit 1; }

bash scripts/setup.sh arm64 wm

# Tests start helixor-cli and other arm64 programs of their own: the kernel
# hands arm64 programs to qemu-aarch64 (binfmt_misc, with the handler that
# qemu-user-binfmt describes; without systemd nobody has registered it).
binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/qemu-aarch64" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  [ -e "$binfmt/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
  $sudo sh -c "cat /usr/lib/binfmt.d/qemu-aarch64.conf > $binfmt/register"
fi

start=$(date +%s)
# With Debian's hardening flags for arm64, so that the package below is
# made from this very build.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(DEB_HOST_ARCH=arm64 dpkg-buildflags --get CXXFLAGS) $(DEB_HOST_ARCH=arm64 dpkg-buildflags --get CPPFLAGS)"
ldflags=$(DEB_HOST_ARCH=arm64 dpkg-buildflags --get LDFLAGS)
cmake --preset arm64 -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DCMAKE_MODULE_LINKER_FLAGS="$ldflags"
cmake --build --preset arm64
built=$(date +%s)
# Five tests cannot hold under user-mode emulation and are left to the
# native runs: three limit the process's address space (ulimit -v), which
# qemu needs for its own and the guest's; one starts helixor-cli with
# standard input closed, a descriptor that the kernel's hand-over of the
# program to qemu (binfmt_misc) fills; one starts the test program again
# through a link, which under emulation does not come back.
emulation='Platform\.ProgramFolderIsThatOfTheFileALinkLeadsTo|SaveFaultTest\.ALongTableIsWrittenInLittleMemory'
emulation+='|SaveCasesTest\.AnSvgOfManySamplesIsWrittenInLittleMemory|CliStreamsTest\.AFailedReadOfStandardInputIsReported'
emulation+='|CliStreamsTest\.EvalReadsEndlessInputInBoundedMemory'
ctest --preset arm64 -E "^($emulation)\$"
tested=$(date +%s)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
arm_cli=$root/build/arm64/cli/helixor-cli
other=arm64
run_other() { qemu-aarch64 -L / "$arm_cli" "$@"; }
source scripts/compare-cli.sh
compared=$(date +%s)

# The window program, once, on a real X server.
shots=$root/build/arm64-shots
timeout 600 /usr/bin/python3 tests/desktop/arm64_desktop_test.py build/arm64/app/helixor "$linux_cli" \
  resources/examples/helix.fnc --shots "$shots" || failures=$((failures + 1))
shown=$(date +%s)

# The arm64 package, made from this build and checked as the amd64 one.
bash scripts/check-package.sh --arch arm64 build/arm64 || failures=$((failures + 1))
packaged=$(date +%s)

if [ "$failures" -ne 0 ]; then
  echo "arm64 build check failed: $failures difference(s) or failed check(s)" >&2
  exit 1
fi
echo "arm64 build check passed: the tests under qemu-aarch64; helixor-cli as the x86 build in $renders renders" \
  "(every example and view), $evaluations evaluations of the examples and the command line's own cases," \
  "and the generated cases; the window program draws the helix as the x86 build; the package is lintian-clean."
echo "Seconds: build $((built - start)), tests $((tested - built)), comparisons $((compared - tested))," \
  "window $((shown - compared)), package $((packaged - shown))."
