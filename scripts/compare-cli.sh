# Sourced by check-windows-build.sh and check-arm64-build.sh: helixor-cli of
# another build (OTHER: Windows under Wine, arm64 under qemu) against the
# Linux x86 build, byte for byte, on every bundled example and view, the
# command line's own cases, generated expressions and random curves.
# Needs: $work (a scratch folder), $linux_cli, $other (the other build's
# name: its runs go to $work/$other), run_other ARGS... (runs the other
# build's helixor-cli). Sets $failures, $renders and $evaluations.
failures=0
compare() {  # compare NAME ARGS...: runs both programs with ARGS in $work/linux and $work/$other
  local name=$1
  shift
  local status_linux=0 status_other=0
  (cd "$work/linux" && "$linux_cli" "$@" >"$name.out" 2>"$name.err") || status_linux=$?
  (cd "$work/$other" && run_other "$@" >"$name.out" 2>"$name.err") || status_other=$?
  if [ "$status_linux" != "$status_other" ]; then
    echo "differs: $name: status $status_linux on Linux, $status_other on $other" >&2
    failures=$((failures + 1))
  fi
  for kind in out err; do
    if ! cmp -s "$work/linux/$name.$kind" "$work/$other/$name.$kind"; then
      echo "differs: $name: standard ${kind/err/error}" >&2
      diff "$work/linux/$name.$kind" "$work/$other/$name.$kind" | head -5 >&2 || true
      failures=$((failures + 1))
    fi
  done
}
compare_file() {  # compare_file NAME: a file both runs wrote
  if [ ! -f "$work/linux/$1" ] || ! cmp -s "$work/linux/$1" "$work/$other/$1"; then
    echo "differs: $1" >&2
    failures=$((failures + 1))
  fi
}

mkdir -p "$work/linux" "$work/$other"
cp -r resources/examples "$work/linux/examples"
cp -r resources/examples "$work/$other/examples"

renders=0
evaluations=0
for example in resources/examples/*.fnc; do
  name=$(basename "$example" .fnc)
  for view in isometric front left bottom; do
    compare "render-$name-$view" render "examples/$name.fnc" --view "$view" --output "$name-$view.bmp"
    compare_file "$name-$view.bmp"
    renders=$((renders + 1))
  done
  # Every text of the example, and the three functions at both ends of the
  # segment, in between and far beyond, where the functions reduce their
  # arguments differently.
  texts=()
  while IFS='=' read -r field text; do
    texts+=("${text%$'\r'}")
  done <"$example"
  compare "eval-$name" eval "${texts[@]}"
  for t in 0 0.37 3.14159 -2.5 100.25 5000.5 1e6 123456789.125; do
    compare "eval-$name-$t" eval --t "$t" "${texts[2]}" "${texts[3]}" "${texts[4]}"
    evaluations=$((evaluations + 1))
  done
done

# The command line's own cases: failures, faults, usage, standard input with
# CR LF and a lone CR, a file that is missing or not a function file.
printf 't+1\r\n\n2 3\nsqr(t)\rx\n\x1a5*t' >"$work/linux/input.txt"
cp "$work/linux/input.txt" "$work/$other/input.txt"
compare eval-faults eval "6*7 MOD 4" "1/0" "1e4000*1e4000" "1e19 mod 2" "1" "ln(0)" "sqrt(-1)" "exp(11357)"
compare eval-numerals eval "0.1" "1e-4951" "1.18973149535723176502e+4932" "1e4933" "123456789012345678901234567890" \
  ".000000000000000000000000000001e30" "2.5e-4950" "7e-4951" "0.30000000000000000001e1"
compare eval-functions eval "atan(1)*4" "cos(1e18)" "sin(9e18)" "cos(4096.5)" "sin(-4100)" "exp(1)" "ln(10)" \
  "sqrt(2)" "2^0.5" "round(2.5)" "trunc(-2.5)" "abs(-1e-4940)"
compare eval-t eval --t=-0.5 "t*T" "t^3"
(cd "$work/linux" && "$linux_cli" eval --t 2 <input.txt >eval-stdin.out 2>&1) || true
(cd "$work/$other" && run_other eval --t 2 <input.txt >eval-stdin.out 2>&1) || true
compare_file eval-stdin.out
compare usage-none
compare usage-unknown frobnicate
compare usage-eval eval --t
compare usage-render render --view diagonal
compare render-missing render examples/none.fnc
compare render-sets render --set AEdit=0 --set BEdit=1 --set xt=t --set yt=q --set zt=0 --set Precission=100
compare render-zero render --set Precission=0 --set AEdit=0 --set BEdit=1 --set xt=t --set yt=0 --set zt=0
compare render-not-a-file render examples
compare render-to-folder render examples/helix.fnc --output examples
# Names beyond ASCII, given as UTF-8 on Linux and through the wide command
# line on Windows.
cp resources/examples/helix.fnc "$work/linux/examples/spirale-é.fnc"
cp resources/examples/helix.fnc "$work/$other/examples/spirale-é.fnc"
compare render-utf8 render "examples/spirale-é.fnc" --output "bézier-ω.bmp"
compare_file "bézier-ω.bmp"
compare version --version
compare help --help

# Generated expressions and random curves, in a script of their own.
source scripts/compare-generated-cases.sh
