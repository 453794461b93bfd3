# The Win32 adapters against the system they wrap, under Wine:
# adapters_check.exe (log file, code page, profile, clock, power, version,
# foreground-lock timeout, mutex) and profilecheck.exe (the private-profile
# cases whose results the portable profile files are compared with in the
# unit tests). Both are built beside the program in the same build.
. "$(dirname "$0")/lib.sh"

build=$(cd "$(dirname "${PELMOR_EXE:-}")/../.." 2>/dev/null && pwd)
adapters=$build/tests/adapters/adapters_check.exe
profiles=$build/tests/profilecheck/profilecheck.exe
[ -f "$adapters" ] || abort "adapters_check.exe has not been built in $build"
[ -f "$profiles" ] || abort "profilecheck.exe has not been built in $build"

cp "$adapters" "$T/adapters_check.exe"
out=$(cd "$T" && timeout 120 "$PELMOR_WINE" adapters_check.exe 2>/dev/null)
rc=$?
printf '%s\n' "$out" | grep -vE '^PASS' | sed 's/^/  | /'
check "adapters_check.exe: no check failed" "$rc" 0
check_match "adapters_check.exe ran its checks" "$(printf '%s\n' "$out" | grep -c '^PASS')" "^[1-9][0-9]+$"

out=$(WINE=$PELMOR_WINE timeout 120 sh "$(dirname "$0")/../profilecheck/run.sh" "$profiles" 2>&1)
rc=$?
printf '%s\n' "$out" | tail -5 | sed 's/^/  | /'
check "Wine's profile functions read back what the recorded results say" "$rc" 0
