#!/usr/bin/env bash
# Builds the Debian package from a configured build folder and checks it: its
# control fields, its file list, and a staged install (DESTDIR) from which
# helixor-cli must run, whose desktop entry must validate and whose MIME
# package must make *.fnc known.
# Usage: scripts/check-package.sh [BUILD_DIR]   (default: build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
[ -f "$build/CPackConfig.cmake" ] || { echo "$build is not a configured build folder" >&2; exit 1; }

# The program is only expected where the build has it.
has_target() { cmake --build "$build" --target help | grep -qE "^(\.\.\. )?$1(: phony)?\$"; }
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
[ -n "$(dpkg-deb -f "$deb" Depends)" ] || fail "no Depends"

dpkg-deb -c "$deb" | sed -E 's/^([^ ]+ +){5}\.//' >"$work/files"
expected=(
  /usr/bin/helixor-cli
  /usr/bin/help.html
  /usr/share/applications/helixor.desktop
  /usr/share/mime/packages/helixor.xml
  /usr/share/icons/hicolor/scalable/apps/helixor.svg
  /usr/share/icons/hicolor/scalable/mimetypes/application-x-helixor-function.svg
  /usr/share/man/man1/helixor-cli.1.gz
  /usr/share/bash-completion/completions/helixor-cli
)
for size in 16 32 48 64 128 256; do
  expected+=(/usr/share/icons/hicolor/${size}x${size}/apps/helixor.png)
done
$has_helixor && expected+=(/usr/bin/helixor)
for example in resources/examples/*.fnc; do
  [ -e "$example" ] && expected+=("/usr/share/doc/helixor/examples/$(basename "$example")")
done
for file in "${expected[@]}"; do
  grep -qxF "$file" "$work/files" || fail "missing from the package: $file"
done
$has_helixor || echo "package check: no helixor target in $build; checked without the program"

# A staged install, as the package would lay it out.
root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
version=$("$root/usr/bin/helixor-cli" --version)
[[ "$version" == *1.0* ]] || fail "helixor-cli --version printed '$version'"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/helixor.desktop" || fail "desktop entry invalid"
fi
if command -v update-mime-database >/dev/null; then
  update-mime-database "$root/usr/share/mime" >/dev/null 2>&1 || fail "MIME package rejected"
  grep -q '^[0-9]*:application/x-helixor-function:\*\.fnc' "$root/usr/share/mime/globs2" \
    || fail "the MIME package does not make *.fnc known"
fi
echo "package check passed: $(basename "$deb"), ${#expected[@]} expected files present, $version"
