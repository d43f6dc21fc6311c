#!/usr/bin/env bash
# The package groups of scripts/setup.sh: documented and defined alike, every
# group a script asks for exists, and the groups of the two README commands
# hold none of the heavy tools that only the extra checks need.
# Usage: SetupGroupsTest.sh SOURCE_DIR
set -uo pipefail
cd "$1"
setup=scripts/setup.sh
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Groups listed in the header ("#   name  what  who") and in the table.
documented=$(sed -n '/^# Each task asks/,/^# To add a package/p' "$setup" | awk '$1 == "#" && $2 ~ /^[a-z][a-z0-9]*$/ && NF > 2 {print $2}' | sort -u)
defined=$(bash "$setup" --list 2>&1 | sed -n 's/.*groups: \(.*\), all).*/\1/p' | tr ' ' '\n' | sort -u)
[ -n "$defined" ] || fail "no group found in the table"
[ "$documented" = "$defined" ] || fail "documented groups ($(echo $documented)) differ from the table's ($(echo $defined))"

for group in $defined; do
  [ -n "$(bash "$setup" --list "$group")" ] || fail "group $group lists no package"
done
bash "$setup" --list no-such-group >/dev/null 2>&1 && fail "an unknown group is accepted"

# Every group a script or CI asks for.
for group in $(grep -ho 'setup\.sh [a-z0-9 ]*' scripts/*.sh .ci/run | sed 's/setup\.sh//' | tr ' ' '\n' | sort -u); do
  [ "$group" = all ] && continue
  bash "$setup" --list "$group" >/dev/null 2>&1 || fail "a script asks for the unknown group $group"
done

heavy='^(g\+\+-mingw-w64.*|clang.*|libclang-rt.*|gnuplot.*|libmuparser-dev|libbenchmark-dev|lintian|wine.*)$'
for groups in "build" "build test"; do
  found=$(bash "$setup" --list $groups | grep -E "$heavy" | tr '\n' ' ')
  [ -z "$found" ] || fail "'$groups' would install $found"
done
bash "$setup" --list build | grep -qE '^lib(gtest|gmock)-dev$' && fail "the run command would install the test framework"

[ "$failures" -eq 0 ] && echo "setup groups: $(echo $defined)"
exit $((failures > 0))
