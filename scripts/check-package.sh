#!/usr/bin/env bash
# Builds the Debian package with Debian's hardening flags and checks it: its
# control fields, its file list, lintian (no error, no warning), the AppStream
# metainfo, and a staged install (DESTDIR) from which helixor-cli must run,
# whose desktop entry must validate, whose MIME package must make *.fnc known
# and whose link in bin must lead to the program beside its help page. The
# package is left in the build folder.
# Usage: scripts/check-package.sh [BUILD_DIR]
#        scripts/check-package.sh --arch arm64
#   Without BUILD_DIR the package preset is configured and built in
#   build/package; a BUILD_DIR given must be configured already (and built
#   with the same flags, or lintian finds the hardening missing). --arch
#   arm64 cross-builds the arm64 package in build/package-arm64 (preset
#   package-arm64) and runs its programs under qemu-aarch64.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=$(dpkg --print-architecture 2>/dev/null || echo amd64)
run=()
preset=package
if [ "${1:-}" = --arch ]; then
  [ "${2:-}" = arm64 ] || { echo "check-package: only --arch arm64 is known" >&2; exit 2; }
  arch=arm64
  preset=package-arm64
  run=(qemu-aarch64 -L /)
  # dpkg-buildflags and dpkg-shlibdeps take the architecture from here.
  export DEB_HOST_ARCH=arm64
  shift 2
  bash scripts/setup.sh build package arm64
else
  bash scripts/setup.sh build package
fi
if [ $# -eq 0 ]; then
  build=build/$preset
  # The flags Debian builds its packages with, every hardening feature on.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
  ldflags=$(dpkg-buildflags --get LDFLAGS)
  cmake --preset "$preset" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
else
  build=$1
fi
[ -f "$build/CPackConfig.cmake" ] || { echo "$build is not a configured build folder" >&2; exit 1; }

# The program is only expected where the build has it.
# (The list is read whole: grep -q would close the pipe on the generator.)
targets=$(cmake --build "$build" --target help)
has_target() { grep -qE "^(\.\.\. )?$1(: phony)?\$" <<<"$targets"; }
programs=(helixor-cli helixor-man)
has_helixor=false
if has_target helixor; then has_helixor=true; programs+=(helixor); fi
cmake --build "$build" --parallel 2 --target "${programs[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! (cd "$build" && cpack -G DEB -B "$work/deb") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  exit 1
fi
deb=$(ls "$work"/deb/helixor_*.deb)
fail() { echo "package check: $*" >&2; exit 1; }

[ "$(dpkg-deb -f "$deb" Package)" = helixor ] || fail "package name is not helixor"
[ "$(dpkg-deb -f "$deb" Version)" = 1.0 ] || fail "version is not 1.0"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "architecture is not $arch"
[ -n "$(dpkg-deb -f "$deb" Depends)" ] || fail "no Depends"

dpkg-deb -c "$deb" | sed -E 's/^([^ ]+ +){5}\.//' >"$work/files"
expected=(
  /usr/bin/helixor-cli
  /usr/share/applications/helixor.desktop
  /usr/share/metainfo/org.helixor.Helixor.metainfo.xml
  /usr/share/mime/packages/helixor.xml
  /usr/share/icons/hicolor/scalable/apps/helixor.svg
  /usr/share/icons/hicolor/scalable/mimetypes/application-x-helixor-function.svg
  /usr/share/man/man1/helixor.1.gz
  /usr/share/man/man1/helixor-cli.1.gz
  /usr/share/bash-completion/completions/helixor-cli
  /usr/share/doc/helixor/copyright
  /usr/share/doc/helixor/changelog.gz
)
for size in 16 32 48 64 128 256; do
  expected+=(/usr/share/icons/hicolor/${size}x${size}/apps/helixor.png)
done
$has_helixor && expected+=(/usr/libexec/helixor/helixor /usr/libexec/helixor/help.html
                          /usr/libexec/helixor/helixor-labels.so "/usr/bin/helixor -> ../libexec/helixor/helixor")
for example in resources/examples/*.fnc; do
  [ -e "$example" ] && expected+=("/usr/share/doc/helixor/examples/$(basename "$example")")
done
for file in "${expected[@]}"; do
  grep -qxF "$file" "$work/files" || fail "missing from the package: $file"
done
$has_helixor || echo "package check: no helixor target in $build; checked without the program"

# Nothing but programs in bin.
while read -r file; do
  case "$file" in
    /usr/bin/ | /usr/bin/?*/) ;;
    /usr/bin/*) [ "$file" = "/usr/bin/helixor -> ../libexec/helixor/helixor" ] || [ "$file" = /usr/bin/helixor-cli ] \
                  || fail "not a program in /usr/bin: $file" ;;
  esac
done <"$work/files"

# Debian's own checks: any error or warning fails (information is shown).
if ! lintian --fail-on error,warning --info "$deb" >"$work/lintian.log" 2>&1; then
  cat "$work/lintian.log" >&2
  fail "lintian reported errors or warnings"
fi
cat "$work/lintian.log"
appstreamcli validate --no-net resources/org.helixor.Helixor.metainfo.xml >"$work/appstream.log" 2>&1 \
  || { cat "$work/appstream.log" >&2; fail "AppStream metainfo rejected"; }

# A staged install, as the package would lay it out.
root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
version=$("${run[@]}" "$root/usr/bin/helixor-cli" --version)
[[ "$version" == *1.0* ]] || fail "helixor-cli --version printed '$version'"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/helixor.desktop" || fail "desktop entry invalid"
fi
if command -v update-mime-database >/dev/null; then
  update-mime-database "$root/usr/share/mime" >/dev/null 2>&1 || fail "MIME package rejected"
  grep -q '^[0-9]*:application/x-helixor-function:\*\.fnc' "$root/usr/share/mime/globs2" \
    || fail "the MIME package does not make *.fnc known"
fi
if $has_helixor; then
  # The link leads to the program, whose folder (the folder of its own file,
  # even when started through the link) holds the page.
  [ "$(readlink -f "$root/usr/bin/helixor")" = "$(readlink -f "$root/usr/libexec/helixor/helixor")" ] \
    || fail "/usr/bin/helixor does not lead to /usr/libexec/helixor/helixor"
  cmp -s "$root/usr/libexec/helixor/help.html" resources/help.html || fail "help.html differs from resources/help.html"
  # helixor-cli finds the labels module in the program's folder.
  "${run[@]}" "$root/usr/bin/helixor-cli" render resources/examples/helix.fnc --labels -o "$work/labels.png" >/dev/null \
    || fail "helixor-cli render --labels failed in the staged install"
  [ "$(head -c 8 "$work/labels.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] \
    || fail "helixor-cli render --labels wrote no PNG in the staged install"
fi
cp "$deb" "$build/"
echo "package check passed: $build/$(basename "$deb"), ${#expected[@]} expected files present, $version"
