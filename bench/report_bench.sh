#!/usr/bin/env bash
# Time of pelmor-report over a log of a million lines (native Release build):
# 100 measurements of 3 header lines, 9,997 sample lines and, every other
# one, an end line; Shift-JIS comments, CR LF line ends; beside it a trace of
# a line a minute of each measurement (about half a million lines). Each
# output is made three times, then awk reads the same two files and adds up
# the time on battery of each measurement, as a floor of what reading them
# costs; last, a log whose comment is 20 MB. The load average is printed
# first, as the figures depend on it.
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
    # each its own start: 09:30:05 plus m minutes
    printf "\r\n\047 Mon Dec  7 %02d:%02d:05 2026\r\n\047 \223\144\222\162\203\145\203\130\203\147 %d\r\n", 9 + int((30 + m) / 60), (30 + m) % 60, m
    t = 0
    for (i = 0; i < 9997; i++) {
      t += 1 + (i * 7) % 60
      source = int(i / 500) % 4 == 3 ? 1 : 0
      printf "%7d, %3d, %2d\r\n", t, 100 - int(i / 100), source
    }
    if (m % 2) printf "      0,   0,  2\r\n"
  }
}' >"$dir/pelmor.log"
awk 'BEGIN {
  printf "started,time,event,elapsed_s,source,level,energy_mwh,full_mwh,design_mwh,power_mw,voltage_mv,cycles\r\n"
  for (m = 1; m <= 100; m++) {
    started = sprintf("2026-12-07T%02d:%02d:05+09:00", 9 + int((30 + m) / 60), (30 + m) % 60)
    # the same elapsed seconds as the log: the last line near 300,000 s
    for (e = 0; e <= 296000; e += 60) {
      source = int(e / 15000) % 4 == 3 ? "mains" : "battery"
      t = 9 * 3600 + (30 + m) * 60 + 5 + e
      time = sprintf("2026-12-%02dT%02d:%02d:%02d+09:00", 7 + int(t / 86400), int(t % 86400 / 3600), int(t % 3600 / 60), t % 60)
      printf "%s,%s,%s,%d,%s,%d,%d,50000,60000,7500,11800,42\r\n", started, time,
        e ? "minute" : "start", e, source, 100 - int(e / 3000), 50000 - int(e / 6)
    }
  }
}' >"$dir/pelmor-trace.csv"
echo "log: $(wc -l <"$dir/pelmor.log") lines, $(wc -c <"$dir/pelmor.log") bytes"
echo "trace: $(wc -l <"$dir/pelmor-trace.csv") lines, $(wc -c <"$dir/pelmor-trace.csv") bytes"
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
echo "first row: $("$exe" --summary-csv "$dir/pelmor.log" | sed -n 2p | cut -d, -f12-20)"
# awk: the log's lines counted by measurement, the trace's time on battery
# added up by start; the same two files.
for run in 1 2 3; do
  printf '%-14s run %d: ' awk "$run"
  { time awk -F, 'FNR == 1 { file++ } file == 1 { if (/^\047 [A-Z]/) m++; else lines[m]++; next }
    FNR > 1 { if ($1 == last && prev == "battery") on[$1] += $4 - before; last = $1; prev = $5; before = $4 }
    END { for (s in on) total += on[s]; print total }' "$dir/pelmor.log" "$dir/pelmor-trace.csv" >"$dir/out"; } 2>&1
done
# A comment of 20 MB (hand-edited, Shift-JIS with a bad byte now and then):
# the code page conversion must take it in large pieces.
awk 'BEGIN { printf "\r\n\047 Mon Dec  7 09:30:05 2026\r\n\047 "
  for (i = 0; i < 1000000; i++) printf "%s", i % 250 ? "\223\144\222\162\203\145\203\130\203\147 abcdefghi " : "\205 bad "
  printf "\r\n      1, 100,  0\r\n" }' >"$dir/comment.log"
for run in 1 2 3; do
  printf '%-14s run %d: ' "20 MB comment" "$run"
  { time "$exe" --summary-csv "$dir/comment.log" >"$dir/out"; } 2>&1
done
