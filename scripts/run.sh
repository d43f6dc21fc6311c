#!/usr/bin/env bash
# Sets up, builds and runs Helixor on the bundled helix. Installs only what
# building and running need; the tests are not built.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
cmake --preset default -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset default --target helixor helixor-cli
example=resources/examples/helix.fnc
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/default/app/helixor "$example"
fi
# No display: draw the example headless instead.
echo "No display found. To see the window, run it under a virtual display:"
command -v xvfb-run >/dev/null || echo "  bash scripts/setup.sh headless"
echo "  xvfb-run -a build/default/app/helixor $example"
echo "Drawing $example with helixor-cli instead:"
build/default/cli/helixor-cli render "$example" --output build/helix.bmp
echo "The picture is in build/helix.bmp."
