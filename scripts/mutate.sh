#!/usr/bin/env bash
# Mutation run of the toolkit-neutral code: samples single-site changes
# (a comparison or arithmetic operator swapped, a constant off by one, a call
# statement removed) in forms/, app/, the neutral and rule files of
# platform/ and the POSIX and Linux services the tests cover, rebuilds the
# unit tests and the report's tests (the report shares the POSIX services) for
# each in a copy of the tree, runs them, and prints the mutants that survived
# and the score.
#   scripts/mutate.sh [COUNT] [SEED]      default 80 mutants, seed 1
# Not part of scripts/test.sh: it takes about half a minute a mutant.
set -uo pipefail
count=${1:-80}
seed=${2:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
work=${PELMOR_MUTATE_DIR:-/tmp/pelmor-mutate}
rm -rf "$work"
mkdir -p "$work"
git -C "$root" ls-files -z | (cd "$root" && xargs -0 cp --parents -t "$work")
cmake -S "$work" -B "$work/build" >/dev/null || exit 1
targets=(--target pelmor_unit --target pelmor_report_test)
cmake --build "$work/build" -j2 "${targets[@]}" >/dev/null || exit 1
unit=$work/build/tests/unit/pelmor_unit
report=$work/build/tests/report/pelmor_report_test
passes() { timeout 120 "$unit" >/dev/null 2>&1 && timeout 120 "$report" >/dev/null 2>&1; }
passes || { echo "mutate: the unmutated suite fails"; exit 1; }

# The candidate sites, one per line: file, line, column, old text, new text.
python3 - "$work" "$count" "$seed" >"$work/mutants.txt" <<'EOF'
import random, re, sys, pathlib
work, count, seed = pathlib.Path(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
files = sorted(p for pattern in ("forms/*.cpp", "app/*.cpp", "platform/*.cpp",
                                 "platform/win32/Foreground.cpp", "platform/win32/Keys.cpp",
                                 "platform/win32/Power.cpp", "platform/win32/Browser.cpp",
                                 "platform/win32/Instance.cpp", "platform/posix/*.cpp",
                                 "platform/linux/Power.cpp", "platform/linux/DataFolder.cpp")
               for p in work.glob(pattern))
swap = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==",
        "+": "-", "-": "+", "*": "/", "/": "*", "&&": "||", "||": "&&"}
op = re.compile(r"(?<![<>=!+\-*/&|])(<=|>=|==|!=|&&|\|\||<|>|\+|-|\*|/)(?![<>=+\-*/&|])")
num = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
call = re.compile(r"^\s*[\w:.>-]+\(.*\);\s*$")
sites = []
for f in files:
    for n, line in enumerate(f.read_text(encoding="utf-8").splitlines(), 1):
        code = line.split("//")[0]
        s = code.strip()
        if not s or s.startswith(("#", "*", "static_assert")) or '"' in code:
            continue
        for m in op.finditer(code):
            if m.group(1) in ("<", ">") and ("template" in code or "::" in code[m.start():m.start() + 3]):
                continue
            if code[m.start():m.start() + 2] in ("->",) or (m.group(1) == "-" and code[m.end():m.end() + 1] == ">"):
                continue
            if m.group(1) == "*" and re.match(r"\s*\w", code[m.end():]) and re.search(r"[\w>]\s*$", code[:m.start()]) and "=" not in code[:m.start()]:
                continue  # a pointer declaration
            sites.append((f, n, m.start(), m.group(1), swap[m.group(1)]))
        for m in num.finditer(code):
            sites.append((f, n, m.start(), m.group(1), str(int(m.group(1)) + 1)))
        if call.match(code) and not s.startswith(("return", "throw")):
            sites.append((f, n, 0, code, ""))
random.Random(seed).shuffle(sites)
for f, n, c, old, new in sites[:count]:
    print(f"{f.relative_to(work)}\t{n}\t{c}\t{old}\t{new}")
EOF

killed=0 survived=0 broken=0
survivors=()
while IFS=$'\t' read -r file line col old new; do
    src=$work/$file
    cp "$src" "$src.orig"
    python3 - "$src" "$line" "$col" "$old" "$new" <<'EOF'
import sys
path, line, col, old, new = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
lines = open(path, encoding="utf-8").read().split("\n")
text = lines[line - 1]
assert text[col:col + len(old)] == old
lines[line - 1] = text[:col] + new + text[col + len(old):]
open(path, "w", encoding="utf-8").write("\n".join(lines))
EOF
    what="$file:$line  '$old' -> '${new:-<removed>}'"
    if ! cmake --build "$work/build" -j2 "${targets[@]}" >/dev/null 2>&1; then
        broken=$((broken + 1))
        echo "does not compile  $what"
    elif passes; then
        survived=$((survived + 1))
        survivors+=("$what")
        echo "SURVIVED          $what"
    else
        killed=$((killed + 1))
        echo "killed            $what"
    fi
    mv "$src.orig" "$src"
    touch "$src"
done <"$work/mutants.txt"

compiled=$((killed + survived))
echo
echo "survivors:"
printf '  %s\n' "${survivors[@]}"
echo "mutants: $((compiled + broken)) sampled, $broken did not compile, $killed of $compiled killed" \
    "($(( compiled ? killed * 100 / compiled : 0 )) %)"
