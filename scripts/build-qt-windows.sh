#!/usr/bin/env bash
# Builds Qt for Windows (Core, Gui, Widgets, Test and the qwindows platform
# plugin, static, Release) from Debian's own qt6-base source, at the version
# of the installed qt6-base-dev, with the project's MinGW-w64 toolchain, and
# installs it into a cache folder outside the repository:
#
#   ${HELIXOR_CACHE:-/var/cache/helixor}/qt-VERSION-HASH
#
# HASH is taken from everything that changes the build (cache_key below):
# the configure options, the source's Debian version, the configure lines
# of this script, the toolchain file and the MinGW-w64 packages' versions,
# so the folder is the same as long as they are. When the folder is there and complete, nothing is done. The installed
# Qt holds its own absolute path, so a restored cache must sit at this path.
#
# Usage: build-qt-windows.sh [--print-prefix]
#   --print-prefix   only prints the cache folder (it need not exist yet).
# Runs as root, or through sudo: it adds a deb-src entry to apt for the run
# and removes it again. A cold build takes about 20 minutes on 2 cores.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# The version of an installed package, else the version apt would install;
# only read, never installed here.
# The host's own architecture is asked for: with multiarch another
# architecture's package of the same name may be installed beside it.
package_version() {
  local version
  version=$(dpkg-query -W -f='${Version}' "$1:$(dpkg --print-architecture)" 2>/dev/null ||
            dpkg-query -W -f='${Version}' "$1:all" 2>/dev/null || true)
  [ -n "$version" ] || version=$(apt-cache policy "$1" 2>/dev/null | sed -n 's/^  Candidate: //p')
  echo "$version"
}

debian_version=$(package_version qt6-base-dev)
upstream=${debian_version%%+*}
upstream=${upstream%%-*}
# Everything that changes the build: the configure options, the source's
# version, the configure lines of this script, the toolchain file and the
# MinGW-w64 compilers' and libraries' versions.
cache_key() {
  cat scripts/qt-windows.options
  echo "$debian_version"
  sed -n '/^cmake -S/,/^cmake --build/p' "$root/scripts/build-qt-windows.sh"
  cat cmake/mingw-w64-x86_64.cmake
  for package in gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
                 mingw-w64-x86-64-dev; do
    echo "$package $(package_version "$package")"
  done
}
hash=$(cache_key | sha256sum | cut -c1-12)
cache=${HELIXOR_CACHE:-/var/cache/helixor}
prefix=$cache/qt-$upstream-$hash

if [ "${1:-}" = --print-prefix ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$prefix/.complete" ]; then
  echo "Qt for Windows: $prefix"
  exit 0
fi

bash scripts/setup.sh qtwin
# What the setup installed may differ from what apt offered before.
hash=$(cache_key | sha256sum | cut -c1-12)
prefix=$cache/qt-$upstream-$hash
if [ -f "$prefix/.complete" ]; then
  echo "Qt for Windows: $prefix"
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo mkdir -p "$cache"
$sudo chown "$(id -u):$(id -g)" "$cache"

# One build at a time; a second run waits for the first and then finds it.
exec 9>"$cache/.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
  echo "Qt for Windows: $prefix"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/var/tmp}/helixor-qt.XXXXXX")
sources=/etc/apt/sources.list.d/helixor-qt-source.sources
cleanup() {
  if [ -f "$sources" ]; then
    $sudo rm -f "$sources"
    $sudo apt-get update -qq || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

start=$(date +%s)
# The source package, from the same archive as the binary packages.
echo "Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | $sudo tee "$sources" >/dev/null
$sudo apt-get update -qq
(cd "$work" && apt-get source -q "qt6-base=$debian_version")
$sudo rm -f "$sources"
$sudo apt-get update -qq || true
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -1)
[ -n "$src" ] || { echo "build-qt-windows: no source folder in $work" >&2; exit 1; }
fetched=$(date +%s)

mapfile -t options < <(grep -v '^#' scripts/qt-windows.options | grep -v '^[[:space:]]*$')
rm -rf "$prefix"
# The compilers of the POSIX thread model, by name: the plain names are the
# Win32 thread model, without std::thread.
cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_C_COMPILER="$(command -v x86_64-w64-mingw32-gcc-posix)" \
  -DCMAKE_CXX_COMPILER="$(command -v x86_64-w64-mingw32-g++-posix)" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  "${options[@]}"
configured=$(date +%s)
cmake --build "$work/build" -j2
cmake --install "$work/build"
touch "$prefix/.complete"
done_at=$(date +%s)

echo "Qt for Windows: $prefix"
echo "  fetch $((fetched - start)) s, configure $((configured - fetched)) s," \
  "build and install $((done_at - configured)) s; $(du -sh "$prefix" | cut -f1)"
