# The browser is started only when no window answered the conversation. While
# another program's window hangs (a frozen DDE server of another service),
# the web-page ticks fail quietly and start nothing; once it is gone and no
# server answers, each tick starts the browser path again.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/load_lib.sh"

# The browser path: a program that notes each start in starts.txt beside it.
if [ "${PELMOR_WINE_BITS:-64}" = 32 ]; then cc=i686-w64-mingw32-gcc; else cc=x86_64-w64-mingw32-gcc; fi
command -v "$cc" >/dev/null || skip "no $cc to build the browser stand-in"
printf '%s\n' '#include <windows.h>' '#include <string.h>' \
    'int main(void) { char p[MAX_PATH]; DWORD n = GetModuleFileNameA(0, p, MAX_PATH - 16);' \
    '  while (n && p[n - 1] != 0x5c) n--; strcpy(p + n, "starts.txt");' \
    '  HANDLE f = CreateFileA(p, FILE_APPEND_DATA, FILE_SHARE_READ, 0, OPEN_ALWAYS, 0, 0); DWORD w;' \
    '  WriteFile(f, "start\n", 6, &w, 0); CloseHandle(f); return 0; }' >"$T/starter.c"
"$cc" -O2 -o "$T/starter.exe" "$T/starter.c" 2>"$ART/starter-build.txt" ||
    abort "the browser stand-in did not build: $(cat "$ART/starter-build.txt")"
starts() { [ -f "$T/starts.txt" ] && wc -l <"$T/starts.txt" || echo 0; }
started() { [ "$(starts)" -ge 1 ]; }

printf 'http://127.0.0.1:9/a\r\n' >"$T/url.lst"
write_ini key=3600 reload=2 "iepath=$(winpath "$T/starter.exe")"
dde_start frozen --mode freeze --service Other
pelmor_start
tick_box 128 8
start_measuring

sleep 10
check "while a window hangs, the ticks start no browser" "$(starts)" 0
pm_ok control "hwnd=$PELMOR_HWND" class=ListBox
pm_ok items "hwnd=$(pm_field control hwnd)"
check "and hand over no page" "$(pm_field listbox selected)" -1

dde_stop frozen
wait_until 12 started
check_match "with no window hanging and no server, a tick starts the browser" "$(starts)" '^[1-9]'
stop_measuring
pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not end: $PM_ERROR"
check "exit code" "${PELMOR_EXIT-}" 0
