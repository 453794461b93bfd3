# The tour in a Chromium-family browser over its DevTools pipe: a recording
# stand-in named chrome.exe, started once with no network port, given the
# pages in list order at each interval and wrapped; one that stops answering
# ended and started afresh; none left once Pelmor has closed.
. "$(dirname "$0")/lib.sh"
BROWSER_EXE=$(dirname "${DDESERVER_EXE:-}")/../pipebrowser/chrome.exe
[ -f "$BROWSER_EXE" ] || abort "chrome.exe (tests/pipebrowser) has not been built"

u=('http://127.0.0.1:9/a' 'http://127.0.0.1:9/b' '127.0.0.1:9/c')
printf '%s\r\n' "${u[@]}" >"$T/url.lst"
mkdir -p "$T/b" && cp "$BROWSER_EXE" "$T/b/chrome.exe"
write_ini key=1 reload=2 "iepath=$(pelmor_winpath "$T/b")\\chrome.exe"
navs() { cat "$T/b/rec" 2>/dev/null | grep -c '^Page.navigate'; }
starts() { cat "$T/b/starts" 2>/dev/null | grep -c .; }
running() { pgrep -fc "${T##*/}\\\\b\\\\chrome.exe"; }

stale=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -name Temp | head -1)/pelmor-browser-999999-1
mkdir -p "$stale/Default"  # left by a Pelmor killed before
pelmor_start
pm_ok check "hwnd=$(ctl 128 8)" state=1
start_measuring
wait_until 20 eval '[ "$(navs)" -ge 4 ]' || fail "fewer than four pages in 20 s: $(navs)"
check "started once, on the pipe, no port, its own profile under the temporary folder" \
    "$(starts) $(grep -c -- '--remote-debugging-port' "$T/b/starts")
$(grep -oE -- '--remote-debugging-pipe --remote-debugging-io-pipes=[0-9]+,[0-9]+' "$T/b/starts" | wc -l)
$(grep -ciE -- '--user-data-dir=[^"]*\\(temp|tmp)\\pelmor-browser-' "$T/b/starts")" "1 0
1
1"
check "the page found and attached to once, then the tour in list order, wrapped" \
    "$(head -6 "$T/b/rec")" "Target.getTargets
Target.attachToTarget
Page.navigate ${u[0]}
Page.navigate ${u[1]}
Page.navigate http://${u[2]}
Page.navigate ${u[0]}"

touch "$T/b/mute"
wait_until 40 eval '[ "$(starts)" -ge 2 ]' || fail "a browser that stopped answering was not started afresh"
wait_until 10 eval '[ "$(running)" = 1 ]' || fail "the browser that stopped answering still runs: $(running)"
rm -f "$T/b/mute"
n=$(navs)
wait_until 10 eval '[ "$(navs)" -gt "$n" ]' || fail "the browser started afresh was given no page"

pm_ok close "hwnd=$W"
pelmor_exit "close"
wait_until 10 eval '[ "$(running)" = 0 ]' || fail "a browser still runs after Pelmor closed: $(running)"
check "the browser asked to close; its profile folders, and the one left before, removed" \
    "$(tail -1 "$T/b/rec") $(find "$WINEPREFIX/drive_c" -maxdepth 6 -name 'pelmor-browser-*' 2>/dev/null | wc -l)" \
    "Browser.close 0"
