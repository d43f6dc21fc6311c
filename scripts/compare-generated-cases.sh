# Sourced by compare-cli.sh after its own comparisons: generated expressions
# and random curves through both builds, which must agree bit for bit (the
# evaluator's arithmetic and functions are the same on every platform). Uses
# that script's compare, compare_file, run_other, $work, $other, $linux_cli
# and $failures. HELIXOR_CASES_SEED picks other cases.
seed=${HELIXOR_CASES_SEED:-19}
expression_count=20000
curve_count=24

# Subnormal results, which a C library may flush to 0.
compare eval-subnormal eval "exp(-11356)" "2^-16383" "exp(-11398.8)" "e^-11380.25"
for side in linux "$other"; do
  if ! head -2 "$work/$side/eval-subnormal.out" | cmp -s - <(printf '%s\n' \
    "ok 1.41861159972323730773e-4932 0000:36022FBAC6CAF9D6" \
    "ok 1.68105157155604658509e-4932 0000:3FFFFFFFFFFFFE33"); then
    echo "differs: eval-subnormal: exp(-11356) or 2^-16383 on $side is not its subnormal value" >&2
    failures=$((failures + 1))
  fi
done

# The expressions, one process per build and value of t, read from
# standard input.
python3 scripts/random-cases.py expressions "$expression_count" "$seed" >"$work/linux/expressions.txt"
cp "$work/linux/expressions.txt" "$work/$other/expressions.txt"
generated_evaluations=0
for t in 0.37 -1e6; do
  (cd "$work/linux" && "$linux_cli" eval --t "$t" <expressions.txt >"expressions-$t.out" 2>&1) || true
  (cd "$work/$other" && run_other eval --t "$t" <expressions.txt >"expressions-$t.out" 2>&1) || true
  if [ "$(wc -l <"$work/linux/expressions-$t.out")" -ne "$expression_count" ]; then
    echo "differs: expressions-$t.out: the Linux build printed $(wc -l <"$work/linux/expressions-$t.out") lines" >&2
    failures=$((failures + 1))
  elif ! cmp -s "$work/linux/expressions-$t.out" "$work/$other/expressions-$t.out"; then
    echo "differs: expressions with t = $t:" >&2
    paste "$work/linux/expressions.txt" "$work/linux/expressions-$t.out" "$work/$other/expressions-$t.out" | awk -F '\t' -v other="$other" '$2 != $3 {print "  " $1 "\n    Linux: " $2 "\n    " other ": " $3}' | head -30 >&2
    failures=$((failures + 1))
  fi
  generated_evaluations=$((generated_evaluations + expression_count))
done

# Random curves in every view: the same report and the same picture.
generated_renders=0
curve=0
while IFS= read -r line; do
  curve=$((curve + 1))
  sets=()
  IFS=$'\t' read -r -a fields <<<"$line"
  for field in "${fields[@]}"; do sets+=(--set "$field"); done
  for view in isometric front left bottom; do
    compare "curve-$curve-$view" render "${sets[@]}" --view "$view" --output "curve-$curve-$view.bmp"
    # A curve whose drawing stops on a message writes no picture.
    if [ -f "$work/linux/curve-$curve-$view.bmp" ] || [ -f "$work/$other/curve-$curve-$view.bmp" ]; then
      compare_file "curve-$curve-$view.bmp"
    fi
    generated_renders=$((generated_renders + 1))
  done
done < <(python3 scripts/random-cases.py curves "$curve_count" "$seed")
echo "Generated cases (seed $seed): $generated_evaluations evaluations of $expression_count expressions," \
  "$generated_renders renders of $curve_count curves."
