# The browser started by the program: with no DDE server running, the first
# web-page tick starts the program at iepath and hands it the page once its
# service is up; ticks that fire meanwhile start nothing more. Then the same
# with Wine's own browser, a DDE server that this project did not write.
#
# The scenario runs in a network namespace of its own, so a browser it
# starts cannot reach any network; the browser part is skipped where no such
# namespace can be made.
if [ -z "${PELMOR_OWN_NET:-}" ]; then
    if [ "$(id -u)" = 0 ] && unshare -n true 2>/dev/null; then
        PELMOR_OWN_NET=1 exec unshare -n bash "$0" "$@"
    fi
    export PELMOR_OWN_NET=0
fi
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/load_lib.sh"

# A browser left running would answer in place of the program started here.
pm_ok windows class=IEFrame
[ ${#PM_LINES[@]} -eq 0 ] || abort "a browser window is already open in this prefix: ${PM_LINES[0]}"

# 1. The recording server as the browser program.
printf 'http://127.0.0.1:9/first\nhttp://127.0.0.1:9/second\n' >"$T/url.lst"
dde_prepare app
write_ini key=3600 reload=2 "iepath=$(winpath "$DDE_EXE")"
pelmor_start
tick_box 128 8
start_measuring
t0=${EPOCHREALTIME/./}
wait_until 25 test -s "$T/app/rec" || abort "the browser program was not started, or got no page"
took=$(((${EPOCHREALTIME/./} - t0) / 1000))
check "the started program got the first entry" "$(head -1 "$T/app/rec")" "http://127.0.0.1:9/first"
starts=$(grep -c ready "$T/app/ready")
if [ "$took" -le 7000 ]; then
    # First tick at 2 s, up to 5 s of waiting for the service: the ticks at
    # 4 and 6 s fired during that wait.
    check "one program started, though ticks fired while it came up ($took ms)" "$starts" 1
else
    note "the first page took $took ms (a slow start): $starts programs were started"
fi
two_pages() { [ "$(dde_count app)" -ge 2 ]; }
wait_until 10 two_pages || fail "no second page"
check "the next tick talked to the running program" "$(sed -n 2p "$T/app/rec")" "http://127.0.0.1:9/second"
check "no further program was started" "$(grep -c ready "$T/app/ready")" "$starts"
stop_measuring
touch "$T/app/stop"
pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not close: $PM_ERROR"

# 2. Wine's own browser.
ie='C:\Program Files\Internet Explorer\iexplore.exe'
if [ "$PELMOR_OWN_NET" != 1 ]; then
    note "no network namespace: Wine's browser is not tried"
elif [ ! -f "$WINEPREFIX/drive_c/Program Files/Internet Explorer/iexplore.exe" ]; then
    note "this Wine has no iexplore.exe: not tried"
else
    # A start page of its own, not one on the network.
    "$PELMOR_WINE" reg add 'HKCU\Software\Microsoft\Internet Explorer\Main' /v 'Start Page' \
        /d about:blank /f >/dev/null 2>&1
    mkdir -p "$T/ie"
    printf 'http://127.0.0.1:9/one\r\nhttp://127.0.0.1:9/two\r\n' >"$T/ie/url.lst"
    printf '[setup]\r\niepath=%s\r\nreload=3\r\nkey=3600\r\n' "$ie" >"$T/ie/pelmor.ini"
    pelmor_start "$T/ie"
    tick_box 128 8
    start_measuring
    pm find class=IEFrame timeout=25000 || abort "Wine's browser did not start: $PM_ERROR"
    ie_pid=$(pm_field window pid)
    # ie_shows URL: some window of the browser has URL in its address box.
    ie_shows() {
        local frames l
        pm windows class=IEFrame || return 1
        frames=("${PM_LINES[@]}")
        for l in "${frames[@]}"; do
            pm control "hwnd=$(field "$l" hwnd)" class=Edit timeout=500 &&
                [ "$(pm_field control text)" = "$1" ] && return 0
        done
        return 1
    }
    if wait_until 20 ie_shows http://127.0.0.1:9/one; then
        check "Wine's browser took the first page over DDE" one one
    else
        fail "no window of Wine's browser shows the first page"
    fi
    if wait_until 10 ie_shows http://127.0.0.1:9/two; then
        check "and the next one" two two
    else
        fail "no window of Wine's browser shows the second page"
    fi
    pm_ok windows class=IEFrame
    pids=$(for l in "${PM_LINES[@]}"; do field "$l" pid; echo; done | sort -u | wc -l)
    check "one browser program for all the pages" "$pids" 1
    note "Wine's browser has ${#PM_LINES[@]} windows: it opens each page it gets in a window of its own"
    sleep 0.5
    pm_ok focus
    check "Pelmor is in front of the browser after the page" "$(pm_field focus foreground)" "$PELMOR_HWND"
    screenshot load-url-iexplore
    stop_measuring
    pm kill "pid=$ie_pid" >/dev/null
fi
