#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while, side by side, each from its seeds and its growing corpus,
# and prints per target the executions, the corpus reached and the verdict. Exits 1 when a target crashed,
# leaked, timed out or ran out of memory; the input that did it is in <build>/fuzz/artifacts/<Target>/.
# Usage: fuzz/run.sh <fuzz build folder> [seconds in all, default 600] [targets side by side, default nproc]
#        The seconds are the length of the whole run: the targets share them out in rounds of <side by side>,
#        so each gets seconds / rounds (at least 1 s), and more cores fuzz each target longer in the same time.
#        FUZZ_TARGETS="A B" limits the run to those targets. FUZZ_SEED=N fixes libFuzzer's random seed, so that
#        a run of the same length tries the same inputs again (CI uses it); inputs kept under
#        fuzz/regressions/<target>/ are tried first.
set -euo pipefail
build="$(cd "${1:?usage: run.sh <fuzz build folder> [seconds] [parallel]}" && pwd)"
total="${2:-600}"
parallel="${3:-$(nproc)}"
dir="$build/fuzz"
targets="${FUZZ_TARGETS:-$(cat "$dir/targets.txt")}"
count=$(printf '%s\n' $targets | grep -c .)
rounds=$(((count + parallel - 1) / parallel))
seconds=$((total / rounds))
[[ $seconds -ge 1 ]] || seconds=1
echo "fuzz: $count targets, $parallel side by side, $seconds s each (about $((rounds * seconds)) s in all)"
mkdir -p "$dir/logs"

run_one() {
  local t="$1" dir="$2" seconds="$3" regressions="$4/$1"
  mkdir -p "$dir/corpus/$t" "$dir/artifacts/$t" "$dir/seeds/$t"
  local flags=() dirs=()
  if [[ -n "${FUZZ_SEED:-}" ]]; then flags+=(-seed="$FUZZ_SEED"); fi
  if [[ -d "$regressions" ]]; then dirs+=("$regressions"); fi
  # -timeout: one input may take at most 25 s; -rss_limit_mb: a decoder may never need 2 GiB.
  ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$dir/$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
    "${flags[@]}" -artifact_prefix="$dir/artifacts/$t/" "$dir/corpus/$t" "$dir/seeds/$t" "${dirs[@]}" \
    >"$dir/logs/$t.log" 2>&1
  echo $? >"$dir/logs/$t.rc"
}
export -f run_one
regressions="$(cd "$(dirname "$0")" && pwd)/regressions"
printf '%s\n' $targets | xargs -P "$parallel" -I{} bash -c 'run_one "$@"' _ {} "$dir" "$seconds" "$regressions"

failed=0
printf '%-26s %12s %8s %8s  %s\n' target executions exec/s corpus verdict
for t in $targets; do
  log="$dir/logs/$t.log"
  rc=$(cat "$dir/logs/$t.rc" 2>/dev/null || echo 1)
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  speed=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  corpus=$(find "$dir/corpus/$t" -type f | wc -l)
  verdict=ok
  if [[ $rc -ne 0 ]]; then
    failed=1
    verdict="FAILED (exit $rc): $(grep -m1 -o 'ERROR: [A-Za-z]*Sanitizer: [^ ]*\|ERROR: libFuzzer: [a-z-]*\|runtime error: .*' "$log" || echo 'see log') -> $(ls "$dir/artifacts/$t" | head -1)"
  fi
  printf '%-26s %12s %8s %8s  %s\n' "$t" "${execs:-?}" "${speed:-?}" "$corpus" "$verdict"
done
[[ $failed -eq 0 ]] || echo "fuzz: failures; logs in $dir/logs, inputs in $dir/artifacts" >&2
exit $failed
