#!/usr/bin/env bash
# The bash completion of helixor-cli: what it offers, and that every option
# it offers is one the command's own help describes.
# Usage: completion-test.sh COMPLETION_FILE HELIXOR_CLI
set -euo pipefail
source "$1"
cli=$2
failures=0

offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _helixor_cli
  echo "${COMPREPLY[*]}"
}
expect() {
  local want=$1
  shift
  local got
  got=$(offers "$@")
  if [ "$got" != "$want" ]; then
    echo "completing '$*': got '$got', want '$want'" >&2
    failures=$((failures + 1))
  fi
}

expect "render" helixor-cli re
expect "eval render sample --help --version" helixor-cli ""
expect "isometric front left bottom" helixor-cli render --view ""
expect "front" helixor-cli sample --view fr
expect "bmp png svg" helixor-cli render --format ""
expect "--labels" helixor-cli render --l
expect "" helixor-cli sample --l
expect "AEdit= BEdit= xt= yt= zt= Precission=" helixor-cli render --set ""

for command in eval render sample; do
  help=$("$cli" "$command" --help)
  for option in $(offers helixor-cli "$command" -); do
    grep -q -- "$option" <<<"$help" || { echo "$command offers $option, which its help does not describe" >&2; failures=$((failures + 1)); }
  done
done

# File names: function files for render, pictures after -o.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
touch "$dir/a.fnc" "$dir/b.png" "$dir/c.txt"
expect "$dir/a.fnc" helixor-cli render "$dir/a"
expect "$dir/b.png" helixor-cli render -o "$dir/b"
expect "" helixor-cli render -o "$dir/c"

[ "$failures" -eq 0 ] && echo "bash completion: all offers as expected"
exit "$failures"
