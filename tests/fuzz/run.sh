#!/usr/bin/env bash
# Runs the fuzz targets for a while from the committed seeds.
#   tests/fuzz/run.sh BUILD_DIR SECONDS_PER_TARGET [TARGET...]
# TARGET is settings, urllist, logline, profile, report or trace (default:
# all six). The test command gives each 15 s; a long run gives each 900 s, e.g.
# two at a time: run.sh B 900 settings urllist report & run.sh B 900 logline profile
# Exits non-zero when a target finds a crash, a leak or a broken invariant;
# the input that did it is kept in BUILD_DIR/fuzz-findings/.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build dir}
seconds=${2:-15}
shift 2 || shift $#
targets=${*:-settings urllist logline profile report trace}
out="$build/fuzz-findings"
mkdir -p "$out"
status=0
for target in $targets; do
  work="$build/fuzz-corpus/$target"
  mkdir -p "$work"
  if "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
       -artifact_prefix="$out/$target-" -print_final_stats=0 "$work" "$here/corpus/$target" \
       >"$out/$target.log" 2>&1; then
    echo "fuzz_$target: $(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$out/$target.log" | tail -1), no finding"
  else
    echo "fuzz_$target: FINDING (see $out/$target.log)"
    grep -E 'ERROR|SUMMARY' "$out/$target.log" | head -5
    status=1
  fi
done
exit $status
