#!/usr/bin/env bash
# Builds Helixor's page (the module and its static files) into build/web/, a
# plain folder that any web server can host, and serves it at
# http://localhost:8000/.
#
# Usage: scripts/serve-web.sh [--port N] [--no-serve]
set -euo pipefail

port=8000
serve=1
while [[ $# -gt 0 ]]; do
  case "$1" in
    --port)
      [[ $# -ge 2 && "$2" =~ ^[0-9]+$ ]] || { echo "serve-web.sh: --port needs a number" >&2; exit 2; }
      port="$2"
      shift 2
      ;;
    --port=*)
      port="${1#--port=}"
      [[ "$port" =~ ^[0-9]+$ ]] || { echo "serve-web.sh: --port needs a number" >&2; exit 2; }
      shift
      ;;
    --no-serve) serve=0; shift ;;
    -h|--help) sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "serve-web.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/setup.sh web

# Debian's emcc finds its acorn through NODE_PATH when the node on the PATH
# is another one; the preset sets it for the build.
cmake --preset web
cmake --build --preset web -j 2

site=build/wasm/web/site
out=build/web
[[ -f "$site/index.html" && -f "$site/helixor-web.wasm" ]] || { echo "serve-web.sh: no page in $site" >&2; exit 1; }
rm -rf "$out.new"
cp -R "$site" "$out.new"
# The service worker's cache name follows the files, so that a visitor's
# browser takes a rebuilt page instead of the cached one.
stamp="$(cd "$out.new" && find . -type f ! -name sw.js -print0 | sort -z | xargs -0 sha256sum | sha256sum | cut -c1-16)"
sed -i "s/^const VERSION = '[^']*';/const VERSION = 'helixor-$stamp';/" "$out.new/sw.js"
rm -rf "$out"
mv "$out.new" "$out"
echo "The page is in $out/."

if [[ $serve -eq 1 ]]; then
  echo "Serving it at http://localhost:$port/ (Ctrl+C ends)."
  exec python3 -m http.server --directory "$out" "$port"
fi
