#!/usr/bin/env bash
# Instructions per idle tick, per logging tick, per minute's first tick (history
# sample, graph and trace line) and per full-history redraw of
# the main window's logic (native build, callgrind), platform calls excluded:
# the fake platform does no work. Usage: bench/tick_cost.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-native}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target tick_bench -j2 >/dev/null
count() {  # mode n -> total instructions
  local out
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" "$build/bench/tick_bench" "$1" "$2" >/dev/null 2>&1
  callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1; exit}'
  rm -f "$out"
}
printf '%-6s %14s\n' work instructions
for mode in idle log minute draw; do
  a=$(count "$mode" 1000)
  b=$(count "$mode" 2000)
  printf '%-6s %14d\n' "$mode" $(( (b - a) / 1000 ))
done
