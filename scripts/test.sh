#!/usr/bin/env bash
# The whole test suite, from a fresh clone, as root on Debian:
#   1. installs what it needs (scripts/deps.sh test);
#   2. builds the native Linux program and runs the native tests (ctest), the
#      layering check, then the native tests again in a clang build with
#      AddressSanitizer and UBSan, which also runs each fuzz target a while;
#   3. builds the 32-bit product (and, where Wine runs 64-bit programs only,
#      the 64-bit build of the same sources for the scenarios), and checks
#      that pelmor.exe imports system DLLs only, each function of
#      them on the list platform/win32/imports.txt and none newer than
#      Windows 95 / NT 4.0;
#   4. runs the Windows-side checks (tests/win32) and every integration
#      scenario (tests/integration/t_*.sh) under Wine on a private Xvfb
#      display (ctest). Where the kernel runs no 32-bit programs, Wine runs
#      the 64-bit build and the versions scenario the 32-bit pelmor.exe under
#      QEMU's user-mode emulator (qemu-user-static; as root, the binfmt_misc
#      entry for i386 is registered when missing).
# Ends with one summary line; the exit code is non-zero on any failure.
#
# Environment: PELMOR_BUILD (build root, default build/; give each concurrent
# run its own), PELMOR_JOBS (default 2), PELMOR_WINE_BITS, PELMOR_DISPLAY,
# PELMOR_WINEPREFIX, PELMOR_EMULATE_I386=1 (the 32-bit program under QEMU
# even where the kernel runs it; see scripts/wine-env.sh).
set -uo pipefail

# shellcheck source=scripts/wine-env.sh
. "$(dirname "$0")/wine-env.sh"
cd "$PELMOR_ROOT" || exit 1
B=$PELMOR_BUILD
JOBS=${PELMOR_JOBS:-2}
T0=$SECONDS
mkdir -p "$B"

step() { printf '\n==== %s (%d s)\n' "$*" "$((SECONDS - T0))"; }
results=()     # one line per stage
failed=0
passed_total=0
failed_total=0

# Reads ctest's closing line from a log into CTEST_LINE and the totals. A
# stage that fails without a count (a build, the import check) adds one
# failure of its own.
count_ctest() {
    local log=$1 f n
    CTEST_LINE=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
    [ -n "$CTEST_LINE" ] || return 1
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$CTEST_LINE")
    n=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$CTEST_LINE")
    passed_total=$((passed_total + n - f))
    failed_total=$((failed_total + f))
}

# Several runs in one build root would share builds, the prefix and the log:
# one at a time.
exec 9>"$B/.test.lock"
if ! flock -n 9; then
    echo "test: another run uses $B; waiting for it (set PELMOR_BUILD for a separate build root)"
    flock 9
fi

step "dependencies"
if ! scripts/deps.sh test; then
    echo "test: installing the dependencies failed"
    exit 1
fi

# The integration stage's Wine prefix is made meanwhile (once per build root):
# creating it is mostly waiting on Wine's own start-up.
pelmor_pick_wine >/dev/null 2>&1
prefix=${PELMOR_WINEPREFIX:-$B/wine/prefix-$PELMOR_WINE_BITS}
scripts/wine-env.sh prefix "$prefix" >"$B/wine-prefix.log" 2>&1 &
prefix_job=$!

# The native and Windows test builds carry no debug information: the code is
# the shipped one's (the packages strip it), built a fifth faster. The
# sanitized build keeps it for its reports' stack traces.
nodebug=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG")

# ---- unit tests ------------------------------------------------------------------
step "native build and unit tests"
native_ok=0
# The Linux program is part of this build: without Qt it fails.
if cmake --preset native -B "$B/native" "${nodebug[@]}" >"$B/native-configure.log" 2>&1 &&
    cmake --build "$B/native" -j"$JOBS" >"$B/native-build.log" 2>&1; then
    ctest --test-dir "$B/native" --output-on-failure -j"$JOBS" 2>&1 | tee "$B/native-ctest.log" |
        grep -vE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+: ' || true
    if count_ctest "$B/native-ctest.log"; then
        results+=("unit tests:        $CTEST_LINE")
        grep -q ' 0 tests failed' <<<"$CTEST_LINE" && native_ok=1
    else
        results+=("unit tests:        ctest printed no summary")
        failed_total=$((failed_total + 1))
    fi
else
    failed_total=$((failed_total + 1))
    cat "$B/native-configure.log" "$B/native-build.log" 2>/dev/null | tail -40
    results+=("unit tests:        BUILD FAILED (see $B/native-build.log)")
fi
[ "$native_ok" = 1 ] || failed=1

# ---- layering: Windows names only in the Windows folders ---------------------------
step "layering"
if bash tests/layering.sh; then
    results+=("layering:          ok")
    passed_total=$((passed_total + 1))
else
    results+=("layering:          FAILED (see above)")
    failed_total=$((failed_total + 1))
    failed=1
fi

# ---- the same unit tests under the sanitizers, and the fuzz targets ---------------
step "unit tests under AddressSanitizer and UBSan; fuzz targets"
san_ok=0
if cmake --preset sanitize -B "$B/sanitize" >"$B/sanitize-configure.log" 2>&1 &&
    cmake --build "$B/sanitize" -j"$JOBS" >"$B/sanitize-build.log" 2>&1; then
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "$B/sanitize" --output-on-failure -j"$JOBS" 2>&1 |
        tee "$B/sanitize-ctest.log" |
        grep -vE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+: ' || true
    if count_ctest "$B/sanitize-ctest.log"; then
        results+=("sanitized tests:   $CTEST_LINE")
        grep -q ' 0 tests failed' <<<"$CTEST_LINE" && san_ok=1
    else
        results+=("sanitized tests:   ctest printed no summary")
        failed_total=$((failed_total + 1))
    fi
    # 15 s a target, two at a time (one a core); tests/fuzz/run.sh runs longer
    # on request.
    tests/fuzz/run.sh "$B/sanitize" "${PELMOR_FUZZ_SECONDS:-15}" settings urllist report >"$B/fuzz-a.log" 2>&1 &
    fuzz_a=$!
    tests/fuzz/run.sh "$B/sanitize" "${PELMOR_FUZZ_SECONDS:-15}" logline profile trace >"$B/fuzz-b.log" 2>&1
    fuzz_b=$?
    wait "$fuzz_a"
    fuzz_a=$?
    cat "$B/fuzz-a.log" "$B/fuzz-b.log" | tee "$B/fuzz.log"
    ran=$(grep -c '^fuzz_[a-z]*:' "$B/fuzz.log")
    if [ "$fuzz_a" = 0 ] && [ "$fuzz_b" = 0 ] && [ "$ran" = 6 ]; then
        results+=("fuzz targets:      $ran ran, no finding")
        passed_total=$((passed_total + ran))
    else
        n=$(grep -c FINDING "$B/fuzz.log")
        results+=("fuzz targets:      $n of $ran found a fault (see $B/sanitize/fuzz-findings)")
        passed_total=$((passed_total + ran - n))
        failed_total=$((failed_total + n))
        san_ok=0
    fi
else
    failed_total=$((failed_total + 1))
    tail -40 "$B/sanitize-build.log" 2>/dev/null || tail -40 "$B/sanitize-configure.log"
    results+=("sanitized tests:   BUILD FAILED (see $B/sanitize-build.log)")
fi
[ "$san_ok" = 1 ] || failed=1

# ---- Windows builds --------------------------------------------------------------
# Only DLLs that every 32-bit Windows since 95/NT 4 ships.
system_dlls='^(kernel32|user32|gdi32|advapi32|comctl32|comdlg32|shell32|ole32|oleaut32|msvcrt|winmm|version|imm32|shlwapi|winspool\.drv|ws2_32|wsock32)\.dll$'

build_windows() {  # build_windows BITS
    local dir=$B/win$1
    cmake --preset "win$1" -B "$dir" "${nodebug[@]}" >"$dir-configure.log" 2>&1 &&
        cmake --build "$dir" -j"$JOBS" >"$dir-build.log" 2>&1
}

find_exe() {  # find_exe BUILD-DIR NAME
    find "$1" -name "$2" -not -path '*/CMakeFiles/*' -type f 2>/dev/null | head -1
}

win_ok=1
# The 64-bit build only where Wine runs it: the 32-bit one is the product.
wine_bits=32
[ "$PELMOR_WINE_BITS" = 64 ] && wine_bits="32 64"
for bits in $wine_bits; do
    step "Windows build, $bits-bit"
    mkdir -p "$B/win$bits"
    if build_windows "$bits"; then
        results+=("win$bits build:       ok")
    else
        tail -40 "$B/win$bits-build.log" 2>/dev/null || tail -40 "$B/win$bits-configure.log"
        results+=("win$bits build:       FAILED (see $B/win$bits-build.log)")
        failed_total=$((failed_total + 1))
        win_ok=0
    fi
done

step "imports of the 32-bit pelmor.exe"
exe32=$(find_exe "$B/win32" pelmor.exe)
if [ -n "$exe32" ]; then
    dlls=$(i686-w64-mingw32-objdump -p "$exe32" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    echo "$exe32 imports: $(echo $dlls)"
    bad=$(grep -vE "$system_dlls" <<<"$dlls" || true)
    machine=$(i686-w64-mingw32-objdump -f "$exe32" | sed -n 's/.*file format //p')
    if [ -n "$bad" ]; then
        results+=("imports:           FAILED: pelmor.exe needs $(echo $bad)")
        win_ok=0
    elif [ "$machine" != pei-i386 ]; then
        results+=("imports:           FAILED: pelmor.exe is $machine, not pei-i386")
        win_ok=0
    elif ! bash tests/imports_check.sh "$exe32" platform/win32/imports.txt | tee "$B/imports.log"; then
        results+=("imports:           FAILED: against platform/win32/imports.txt (see $B/imports.log)")
        win_ok=0
    elif ! bash tests/imports_check.sh "$(find_exe "$B/win32" pelmor-report.exe)" \
        platform/win32/imports-report.txt console | tee -a "$B/imports.log"; then
        results+=("imports:           FAILED: pelmor-report.exe against platform/win32/imports-report.txt")
        win_ok=0
    else
        results+=("imports:           ok ($(echo $dlls))")
    fi
else
    results+=("imports:           FAILED: no 32-bit pelmor.exe was built")
    win_ok=0
fi
[ "$win_ok" = 1 ] || failed=1
case ${results[-1]} in imports:*FAILED*) failed_total=$((failed_total + 1)) ;; esac

# ---- the Windows-side checks: tests/win32 under Wine ------------------------------
step "win32 checks under Wine"
pelmor_pick_wine
PELMOR_WINEPREFIX=${PELMOR_WINEPREFIX:-$B/wine/prefix-$PELMOR_WINE_BITS} \
    tests/win32/run.sh "$B/win$PELMOR_WINE_BITS" --gtest_brief=1 >"$B/win32-test.log" 2>&1
win32_rc=$?
cat "$B/win32-test.log"
ran=$(sed -nE 's/^\[==========\] ([0-9]+) tests? from .* ran\..*/\1/p' "$B/win32-test.log" | tail -1)
ok=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$B/win32-test.log" | tail -1)
if [ -n "$ran" ] && [ -n "$ok" ]; then
    passed_total=$((passed_total + ok))
    failed_total=$((failed_total + ran - ok))
    results+=("win32 checks:      $ok of $ran passed ($PELMOR_WINE_BITS-bit build)")
else
    failed_total=$((failed_total + 1))
    results+=("win32 checks:      no GoogleTest summary (see $B/win32-test.log)")
fi
[ "$win32_rc" = 0 ] && [ -n "$ran" ] && [ "$ran" = "$ok" ] || failed=1

# ---- integration scenarios -------------------------------------------------------
step "integration scenarios under Wine"
pelmor_pick_wine
wb=$B/win$PELMOR_WINE_BITS
exe=$(find_exe "$wb" pelmor.exe)
drive=$(find_exe "$wb" pmdrive.exe)
ddeserver=$(find_exe "$wb" ddeserver.exe)
# The prefix is made by the 64-bit Wine before any emulation is set up: a
# prefix made under QEMU takes many minutes.
wait "$prefix_job"
pelmor_i386_setup
case $PELMOR_WINE_BITS:$PELMOR_I386 in
32:*) echo "Wine runs the 32-bit build ($PELMOR_WINE)" ;;
*:emulated | *:private)
    echo "Wine runs the 64-bit build ($PELMOR_WINE); the versions scenario runs the 32-bit" \
        "pelmor.exe under QEMU ($PELMOR_I386)" ;;
*) echo "Wine runs the 64-bit build ($PELMOR_WINE); 32-bit programs cannot run on this machine" ;;
esac
if [ -z "$drive" ]; then
    results+=("integration:       NOT RUN: pmdrive.exe was not built")
    failed_total=$((failed_total + 1))
    failed=1
else
    [ -n "$exe" ] || echo "test: no pelmor.exe in $wb: the scenarios that start it will fail"
    cmake -S tests/integration -B "$B/integration" \
        -DPELMOR_EXE="${exe:-$wb/pelmor.exe}" -DPMDRIVE_EXE="$drive" -DDDESERVER_EXE="${ddeserver:-none}" \
        -DPELMOR_WINE="$PELMOR_WINE" -DPELMOR_WINESERVER="$PELMOR_WINESERVER" \
        -DPELMOR_WINE_BITS="$PELMOR_WINE_BITS" -DPELMOR_WINEPREFIX="$prefix" \
        -DPELMOR_EXE32="${exe32:-}" -DPELMOR_I386="$PELMOR_I386" \
        >"$B/integration-configure.log" 2>&1 || cat "$B/integration-configure.log"
    ctest --test-dir "$B/integration" --output-on-failure --timeout 300 2>&1 |
        tee "$B/integration-ctest.log"
    if count_ctest "$B/integration-ctest.log"; then
        results+=("integration:       $CTEST_LINE")
        grep -q ' 0 tests failed' <<<"$CTEST_LINE" || failed=1
    else
        results+=("integration:       ctest printed no summary")
        failed_total=$((failed_total + 1))
        failed=1
    fi
    echo "screenshots and the files of failed scenarios: $B/integration/artifacts"
fi

# ---- summary ---------------------------------------------------------------------
printf '\n==== summary (%d s)\n' "$((SECONDS - T0))"
printf '%s\n' "${results[@]}"
if [ "$failed" = 0 ]; then verdict=PASSED; else verdict=FAILED; fi
echo "suite $verdict in $((SECONDS - T0)) s"
echo "total: $passed_total passed, $failed_total failed"
exit "$failed"
