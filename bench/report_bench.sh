#!/usr/bin/env bash
# Time of pelmor-report over a log of a million lines (native Release build):
# 100 measurements of 3 header lines, 9,997 sample lines and, every other
# one, an end line; Shift-JIS comments, CR LF line ends. Each output is made
# three times; the load average is printed first, as the figures depend on it.
# Usage: bench/report_bench.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-native}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target pelmor-report -j2 >/dev/null
exe=$build/report/pelmor-report
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

awk 'BEGIN {
  for (m = 1; m <= 100; m++) {
    # "電池テスト" and the number of the run
    printf "\r\n\047 Mon Dec  7 09:30:05 2026\r\n\047 \223\144\222\162\203\145\203\130\203\147 %d\r\n", m
    t = 0
    for (i = 0; i < 9997; i++) {
      t += 1 + (i * 7) % 60
      source = int(i / 500) % 4 == 3 ? 1 : 0
      printf "%7d, %3d, %2d\r\n", t, 100 - int(i / 100), source
    }
    if (m % 2) printf "      0,   0,  2\r\n"
  }
}' >"$dir/pelmor.log"
echo "log: $(wc -l <"$dir/pelmor.log") lines, $(wc -c <"$dir/pelmor.log") bytes"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"

TIMEFORMAT='%R s (user %U s, sys %S s)'
for mode in table --summary-csv --csv --html; do
  case $mode in
  table) args=() ;;
  --html) args=(--html "$dir/report.html") ;;
  *) args=("$mode") ;;
  esac
  for run in 1 2 3; do
    printf '%-14s run %d: ' "$mode" "$run"
    { time "$exe" "${args[@]}" "$dir/pelmor.log" >"$dir/out"; } 2>&1
  done
done
echo "page: $(wc -c <"$dir/report.html") bytes"
