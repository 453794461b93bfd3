# The tour with a browser path naming a program that runs but never serves the tour:
# it is started once, not again at every page, and again only when it has ended; keys
# typed while a page waits for it are handled once the wait ends.
. "$(dirname "$0")/lib.sh"
[ -f "${DDESERVER_EXE:-}" ] || abort "ddeserver.exe has not been built"

M=$T/mute
mkdir -p "$M" && echo mute >"$M/mode" && cp "$DDESERVER_EXE" "$M/ddeserver.exe"
printf 'http://127.0.0.1:9/a\r\n' >"$T/url.lst"
write_ini reload=2 "iepath=$(pelmor_winpath "$M")\\ddeserver.exe"

starts() { cat "$M/starts" 2>/dev/null | wc -l; }
running() {  # how many processes of the program run
    local p n=0 exe
    exe=$(pelmor_winpath "$M")\\ddeserver.exe
    for p in /proc/[0-9]*; do
        tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -qiF "${exe#?:}" && n=$((n + 1))
    done
    echo "$n"
}
stopped() { panel_is 0 ""; }

pelmor_start
pm_ok check "hwnd=$(ctl 128 8)" state=1
start_measuring
wait_until 10 eval '[ "$(starts)" -ge 1 ]' || abort "the program was not started"
sleep 10
check "after 10 s of pages every 2 s: started once, one process" "$(starts) $(running)" "1 1"

touch "$M/stop"
wait_until 5 eval '[ "$(running)" = 0 ]' || abort "the program did not end"
n=$(starts)
rm -f "$M/stop"
wait_until 8 eval '[ "$(starts)" -gt "$n" ]' || abort "the program was not started again once it had ended"
# The page now waits up to 5 s for the service: Ctrl+S typed meanwhile stops the measurement.
t0=$SECONDS
pm_ok keys "hwnd=$W" ctrl+s
wait_until 8 stopped
check "Ctrl+S typed while the page waits stops the measurement when the wait ends" "$?" 0
note "stopped $((SECONDS - t0)) s after the keys"

n=$(starts)
start_measuring
sleep 6
check "measuring on: no more starts, one process" "$(($(starts) - n)) $(running)" "0 1"

pm_ok keys "hwnd=$W" ctrl+s
wait_until 8 stopped || fail "Ctrl+S did not stop the measurement"
touch "$M/stop"
pm_ok close "hwnd=$W"
pelmor_exit "close"
