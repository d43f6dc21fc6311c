#!/usr/bin/env bash
# Installs the Debian packages of the named groups, when any of them is
# missing. Runs as root, or through sudo.
#
# Usage: scripts/setup.sh GROUP...          ("all" names every group)
#        scripts/setup.sh --list GROUP...   prints the groups' packages only
#
# Each task asks only for what it needs:
#   build     compile and run helixor and helixor-cli       scripts/run.sh
#   headless  a virtual display for the window              scripts/run.sh without a display
#   test      the test suite (with build)                   scripts/test.sh
#   package   the Debian package and its checks             scripts/check-package.sh
#   windows   the Windows cross compile                     scripts/check-windows-build.sh
#   sanitize  the AddressSanitizer and UBSan build          .ci/run
#   fuzz      the libFuzzer targets                         .ci/run
#   bench     the benchmarks and the programs they race     .ci/run
#   wm        the window-manager test                       .ci/run
#   qtwin     Qt for Windows, from Debian's source          scripts/build-qt-windows.sh
#   arm64     the arm64 cross build, run under qemu          scripts/check-arm64-build.sh
#   web       the page in WebAssembly, and serving it        scripts/serve-web.sh
#   webtest   its checks under Node and in headless Chromium scripts/check-web-build.sh
#
# To add a package, add one line "GROUP PACKAGE  # why" to the table below;
# a new group also wants a line above.
set -euo pipefail

table='
build     build-essential        # the compiler and make
build     cmake                  # the build
build     ninja-build            # the presets generator
build     qt6-base-dev           # the toolkit (widgets, and its runtime)
build     qt6-base-dev-tools     # moc and rcc
build     libgl-dev              # OpenGL headers the toolkit config asks for
build     libpng-dev             # PNG pictures of helixor-cli
build     fonts-wine             # Tahoma, the font of the windows and the help page
build     fonts-liberation       # the bold face of the axis letters and the About name
build     fonts-dejavu-core      # the face of the help page, whose bold is bold
build     libxcb1-dev            # the extents of the window frame, asked of the window manager
build     pkg-config             # finds xcb
headless  xvfb                   # xvfb-run, to see the window without a display
headless  xauth                  # xvfb-run needs it
test      libgtest-dev           # GoogleTest
test      libgmock-dev           # GoogleMock
test      desktop-file-utils     # desktop entries written by the association
test      shared-mime-info       # MIME packages written by the association
test      strace                 # file tests: injected read errors and interrupted reads
test      librsvg2-bin           # SVG pictures rendered against the BMP
test      locales                # locale sources: numerals are tested under a decimal comma
test      acl                    # setfacl and getfacl: saves keep access lists, new files take the folder default list
test      attr                   # setfattr and getfattr: saves keep extended attributes
test      e2fsprogs              # chattr and lsattr: saves keep inode flags (+d +A, append-only folders)
package   dpkg-dev               # dpkg-buildflags, dpkg-shlibdeps for the Depends line
package   file                   # CPack tells programs from data with it
package   lintian                # the Debian policy check
package   appstream              # appstreamcli validate
package   desktop-file-utils     # desktop-file-validate
package   shared-mime-info       # update-mime-database on the staged install
windows   g++-mingw-w64-x86-64   # the Windows cross compiler
windows   googletest             # the GoogleTest sources, built for the cross compiler
windows   wine                   # runs the Windows programs
windows   wine64                 # the 64-bit loader
windows   nsis                   # makensis, the installer of the Windows programs
sanitize  g++                    # the sanitizer runtimes come with the compiler
fuzz      clang                  # libFuzzer needs clang
fuzz      libclang-rt-14-dev     # the fuzzer and sanitizer runtimes of clang
bench     libbenchmark-dev       # Google Benchmark
bench     pkg-config             # finds muparser
bench     libmuparser-dev        # the evaluator benchmark peer
bench     gnuplot-nox            # the render benchmark peer
wm        xvfb                   # the display the window manager runs on
wm        xauth                  # xvfb-run needs it
wm        openbox                # a real window manager
wm        xdotool                # finds and drives the windows
wm        x11-utils              # xwininfo and xprop read the frames
wm        python3-pil            # measures the weight of the font on a screenshot
wm        xclip                  # pastes file names the keyboard map lacks into the Wine file dialogs
qtwin     dpkg-dev               # apt-get source unpacks and patches with dpkg-source
qtwin     perl                   # the header generator of the Qt build
qtwin     cmake                  # the Qt build
qtwin     ninja-build            # its generator
qtwin     g++-mingw-w64-x86-64   # the Windows cross compiler
qtwin     qt6-base-dev           # the host Qt the cross build takes its tools from
qtwin     qt6-base-dev-tools     # moc, rcc and uic of the host
arm64     g++-aarch64-linux-gnu  # the arm64 cross compiler
arm64     qemu-user              # qemu-aarch64 runs the arm64 programs and tests
arm64     qemu-user-binfmt       # the kernel hands arm64 programs that tests start to qemu
arm64     googletest             # the GoogleTest sources, built for the cross compiler
arm64     qt6-base-dev:arm64     # the toolkit for arm64, beside that of the host (multiarch)
arm64     libpng-dev:arm64       # PNG pictures of the arm64 helixor-cli
arm64     libgl-dev:arm64        # OpenGL headers the arm64 toolkit config asks for
arm64     libxcb1-dev:arm64      # the extents of the window frame, for the arm64 program
arm64     dpkg-dev               # dpkg-buildflags and dpkg-shlibdeps for the arm64 package
arm64     lintian                # checks the arm64 package
arm64     xvfb                   # the display the arm64 program is started on
arm64     xauth                  # xvfb-run needs it
arm64     xdotool                # types into the arm64 program
arm64     x11-utils              # xwininfo finds its windows
arm64     python3-pil            # compares its picture with that of helixor-cli
web       emscripten             # compiles the libraries and helixor-cli to WebAssembly
web       nodejs                 # runs the optimizer of emcc, and helixor-cli.js
web       cmake                  # the build
web       ninja-build            # its generator
web       python3                # serves the page (http.server)
web       fonts-wine             # Tahoma, the window font, served with the page
webtest   chromium               # the real browser the page is checked in, headless
webtest   chromium-driver        # drives it
webtest   python3-selenium       # from the test script
webtest   python3-pil            # reads the downloaded PNG
webtest   build-essential        # the x86 helixor-cli the WebAssembly one is compared with
webtest   libpng-dev             # its PNG pictures
webtest   fonts-wine             # the face of the fields and buttons, as on the desktop
webtest   fonts-liberation       # the bold face of the axis letters
'

declare -A known=()
groups=()
rows=()
while read -r group package _; do
  [ -z "${group:-}" ] || [ "${group:0:1}" = "#" ] && continue
  [ -n "${known[$group]:-}" ] || groups+=("$group")
  known[$group]=1
  rows+=("$group $package")
done <<<"$table"

list=false
if [ "${1:-}" = --list ]; then list=true; shift; fi
[ $# -gt 0 ] || { echo "usage: scripts/setup.sh [--list] GROUP... (groups: ${groups[*]}, all)" >&2; exit 2; }
declare -A wanted=()
for group in "$@"; do
  if [ "$group" = all ]; then
    for g in "${groups[@]}"; do wanted[$g]=1; done
  elif [ -n "${known[$group]:-}" ]; then
    wanted[$group]=1
  else
    echo "setup: unknown group '$group' (groups: ${groups[*]}, all)" >&2
    exit 2
  fi
done

declare -A seen=()
missing=()
for row in "${rows[@]}"; do
  read -r group package <<<"$row"
  [ -n "${wanted[$group]:-}" ] && [ -z "${seen[$package]:-}" ] || continue
  seen[$package]=1
  if $list; then echo "$package"; continue; fi
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Packages of another architecture (NAME:ARCH) need that architecture known
# to dpkg first (multiarch).
for package in "${missing[@]}"; do
  arch=${package#*:}
  if [ "$arch" != "$package" ] && ! { dpkg --print-architecture; dpkg --print-foreign-architectures; } | grep -qx "$arch"; then
    $sudo dpkg --add-architecture "$arch"
  fi
done
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
