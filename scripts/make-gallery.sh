#!/usr/bin/env bash
# Remakes the README's pictures with Helixor itself:
#   docs/gallery/<example>.png  each bundled example as the graph window
#                               shows it (helixor-cli render --labels)
#   docs/screenshot.png         both windows after "Draw !" on the helix,
#                               taken under a virtual display
# Needs, besides the build: xvfb, openbox, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in Xvfb openbox xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb openbox xdotool imagemagick)" >&2; exit 1; }
done

cmake --preset default >/dev/null
cmake --build --preset default --target helixor helixor-cli
cli=build/default/cli/helixor-cli
app=build/default/app/helixor

mkdir -p docs/gallery
for example in resources/examples/*.fnc; do
  name=$(basename "$example" .fnc)
  LC_ALL=C "$cli" render "$example" --labels -o "docs/gallery/$name.png" >/dev/null
  echo "docs/gallery/$name.png"
done

# Both windows on a small virtual screen, with a window manager for the frames.
display=:$((90 + RANDOM % 100))
work=$(mktemp -d)
Xvfb "$display" -screen 0 1000x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  [ -n "${helixor:-}" ] && kill "$helixor" 2>/dev/null || true
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
# A HOME of its own, so the user's file associations are not touched; the
# association question that comes up there is answered No.
mkdir -p "$work/home"
XDG_DATA_DIRS=${XDG_DATA_DIRS:-/usr/local/share:/usr/share} HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
  XDG_CONFIG_HOME="$work/home/.config" "$app" resources/examples/helix.fnc >/dev/null 2>&1 &
helixor=$!
main=""
for _ in $(seq 100); do
  if question=$(xdotool search --onlyvisible --name '^Confirm$' 2>/dev/null | head -1) && [ -n "$question" ]; then
    xdotool windowactivate --sync "$question" key Escape || true
  fi
  main=$(xdotool search --onlyvisible --name '^Helixor' 2>/dev/null | head -1 || true)
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || { echo "the main window did not appear" >&2; exit 1; }
sleep 1
# "Draw !" stands at (416, 60), 73 x 27, in the main window.
xdotool mousemove --window "$main" 452 73 click 1
sleep 1
xdotool mousemove 999 799
sleep 0.5
import -window root "$work/screen.png"
# Cut to the two windows: the main window's frame at the top, the graph
# window's below it.
convert "$work/screen.png" -trim +repage -colors 128 -strip docs/screenshot.png
echo "docs/screenshot.png"
