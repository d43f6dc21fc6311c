#!/usr/bin/env bash
# Sets up, builds and runs Helixor on a bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
cli=build/default/cli/helixor-cli
for expr in "2+3*4" "2^3^2" "cos(pi)" "sqrt(2)" "7 MOD 3" "ln(0)"; do
  printf '%-10s ' "$expr"
  "$cli" eval "$expr" || true
done
