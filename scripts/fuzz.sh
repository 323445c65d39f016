#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while, from the committed seeds plus what earlier
# runs found, and prints each target's coverage (cov, ft), executions and speed.
# Usage: scripts/fuzz.sh <fuzz build folder> <seconds per target>
set -uo pipefail
build=$1
seconds=$2
status=0
for target in "$build"/fuzz_*; do
  [ -x "$target" ] || continue
  name=${target##*/fuzz_}
  [ -d "fuzz/corpus/$name" ] || continue
  found="$build/corpus/$name"
  mkdir -p "$found"
  log="$build/fuzz-$name.log"
  dict=()
  [ -f "fuzz/$name.dict" ] && dict=(-dict="fuzz/$name.dict")
  "$target" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 "${dict[@]}" \
    -artifact_prefix="$build/crash-$name-" "$found" "fuzz/corpus/$name" >"$log" 2>&1
  rc=$?
  inited=$(grep -m1 -E '^#[0-9]+[[:space:]]+INITED' "$log" | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
  last=$(grep -E '^#[0-9]+[[:space:]]+(pulse|NEW|REDUCE|DONE)' "$log" | tail -n1 |
    grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[^ ]+' || true)
  execs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  speed=$(grep -oE 'stat::average_exec_per_sec: +[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  rss=$(grep -oE 'stat::peak_rss_mb: +[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  counters=$(grep -m1 -oE 'Loaded [0-9]+ modules +\([0-9]+ inline 8-bit counters\)' "$log" |
    grep -oE '\([0-9]+' | tr -d '(' || true)
  printf '%-24s counters %s | seeds %s | after %ss %s | %s runs, %s/s, peak %s MB\n' "$name" \
    "${counters:-?}" "${inited:-?}" "$seconds" "${last:-?}" "${execs:-?}" "${speed:-?}" "${rss:-?}"
  if [ $rc -ne 0 ]; then
    echo "  FAILED (exit $rc): see $log" >&2
    grep -E 'ERROR|SUMMARY' "$log" | head -n 5 >&2
    status=1
  fi
done
exit $status
