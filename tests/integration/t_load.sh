# Both loads in one measurement: digit lines in the memo (also after another window took
# the foreground), the tour handed to a recording DDE server; then servers that do not
# answer, no browser file, no browser started while a window hangs and one started once
# none hangs, then one that never serves the tour: the window stays live throughout.
. "$(dirname "$0")/lib.sh"
[ -f "${DDESERVER_EXE:-}" ] || abort "ddeserver.exe has not been built"

cp932() { iconv -f UTF-8 -t CP932; }
u=('http://127.0.0.1:9/a?x=1&y=2' 'http://127.0.0.1:9/日本語/ﾃｽﾄ' 'http://127.0.0.1:9/c')
printf '%s %s\r\n\r\n%s\r\n' "${u[@]}" | cp932 >"$T/url.lst"
write_ini key=1 reload=2 "iepath=$(pelmor_winpath "$T/app")\\ddeserver.exe"

declare -A DDE_PID
dde_start() {  # dde_start NAME [MODE]: starts a server and waits until it is registered
    mkdir -p "$T/$1" && echo "${2:-accept}" >"$T/$1/mode"
    cp "$DDESERVER_EXE" "$T/$1/ddeserver.exe"
    pm_ok start "path=$(pelmor_winpath "$T/$1/ddeserver.exe")"
    DDE_PID[$1]=$(pm_field pid)
    wait_until 30 test -f "$T/$1/ready" || abort "ddeserver $1 did not register its service"
}
dde_stop() {
    touch "$T/$1/stop"
    pm wait-exit "pid=${DDE_PID[$1]}" || fail "ddeserver $1 did not end: $PM_ERROR"
}
sent() { cat "$T/$1/rec" 2>/dev/null | wc -l; }
nth() { sed -n "$(($1 % 3 + 1))p" <<<"$(printf '%s\n' "${u[@]}" | cp932)"; }  # entry N of the tour, as bytes

memo_ok() {  # the memo holds MEMO_LINES digit lines and the start of one
    local text
    text=$(pm text "hwnd=$MEMO" && pm_field text && printf x) || return 1
    text=${text%x}
    MEMO_LINES=0
    while [[ $text == 0123456789$'\r\n'* ]]; do text=${text#*$'\n'} MEMO_LINES=$((MEMO_LINES + 1)); done
    [[ 0123456789 == "$text"* ]]
}

live() {  # live WHAT SECONDS: panel 0 (the elapsed time) never still for 2.5 s
    local end=$((SECONDS + $2)) last= t n gap=0
    t=${EPOCHREALTIME/./}
    while [ "$SECONDS" -lt "$end" ]; do
        panels || { fail "$1: the status bar did not answer: $PM_ERROR"; return; }
        n=${EPOCHREALTIME/./}
        [ "${PANELS[0]}" != "$last" ] && last=${PANELS[0]} t=$n
        [ $(((n - t) / 1000)) -gt "$gap" ] && gap=$(((n - t) / 1000))
        sleep 0.2
    done
    check "$1: the elapsed time went on (longest still: $gap ms)" $((gap < 2500)) 1
}

dde_start srv
pelmor_start
pm_ok items "hwnd=$(ctl 128 32)"
check "the list: the entries in file order, Japanese shown, none selected" \
    "$(pm_field count) $(pm_field selected) $(pm_field text 1)|$(pm_field text 2)|$(pm_field text 3)" \
    "3 -1 ${u[0]}|${u[1]}|${u[2]}"
MEMO=$(ctl 8 32)
pm_ok check "hwnd=$(ctl 8 8)" state=1
pm_ok check "hwnd=$(ctl 128 8)" state=1
start_measuring

sel=() prev= end=$((SECONDS + 20))
while [ "$SECONDS" -lt "$end" ]; do
    n=$(sent srv)  # first: a page is selected before it is sent
    pm items "hwnd=$(ctl 128 32)" && s=$(pm_field selected) && [ "$prev" != "$s" ] && sel+=("$s") prev=$s
    [ "$n" -ge 4 ] && break
    sleep 0.2
done
check "tour order 0, 1, 2, 0, each entry's bytes as in url.lst" "$(head -4 "$T/srv/rec")" "$(nth 0; nth 1; nth 2; nth 0)"
check_match "the selection follows the tour" "${sel[*]}" '^(-1 )?0 1 2 0'
events=
for i in 0 1 2 0; do events+="connect execute cb=$(($(nth $i | wc -c))) zero=1 disconnect "; done
check "one conversation per page; each command ends in its zero" "$(head -16 "$T/srv/events" | tr '\n' ' ')" "$events"

memo_ok
check "the memo holds only digit lines, at least two" "$?$((MEMO_LINES >= 2))" 01
notepad
other_edit=$(pm control "hwnd=$OTHER" class=Edit && pm_field hwnd)
pm_ok foreground "hwnd=$OTHER"
memo_ok
before=$MEMO_LINES
wait_until 3 eval 'memo_ok && [ "$MEMO_LINES" != "$before" ]' || fail "no line typed after notepad took the foreground"
pm_ok focus
check "Pelmor is in front again, the memo has the focus, notepad got nothing" \
    "$(pm_field foreground) $(pm_field focus) [$(text_of "$other_edit")]" "$W $MEMO []"
pm_ok close "hwnd=$OTHER"

dde_stop srv
dde_start hang hang
live "a server that never answers a command" 6
check "it got the entries in tour order all the same" "$(head -1 "$T/hang/rec")" "$(nth "$(sent srv)")"
dde_stop hang
size=$(wc -c <"$LOG")
live "no server and no browser program" 4
check "no box, nothing logged" "$(box_count) $(wc -c <"$LOG")" "0 $size"

# a server stuck on its first command: while its window hangs, no browser is started
dde_start stall stall
wait_until 5 eval '[ "$(sent stall)" -ge 1 ]'
mkdir -p "$T/app" && cp "$DDESERVER_EXE" "$T/app/ddeserver.exe"
live "a server stuck on its first command" 6
check "it got one command; no browser program started meanwhile" "$(sent stall) $(cat "$T/app/starts" 2>/dev/null)" "1 "
due=$(($(sent srv) + $(sent hang) + 1))
dde_stop stall

wait_until 15 eval '[ "$(sent app)" -ge 2 ]' || fail "the started program did not get two pages"
check "the started program got the entry due, then the next" "$(cat "$T/app/rec")" "$(nth $due; nth $((due + 1)))"

pm_ok check "hwnd=$(ctl 8 8)" state=0
echo mute >"$T/app/mode" && touch "$T/app/stop"
wait_until 10 eval '[ "$(grep -c . "$T/app/starts")" = 2 ]' || abort "the program was not started again"
pm_ok keys "hwnd=$W" ctrl+s
wait_until 8 panel_is 0 "" && start_measuring || fail "Ctrl+S typed while the page waits was lost"
sleep 8
check "one program started; started again, it does not serve the tour: not once more, one process" \
    "$(grep -c . "$T/app/starts") $(pgrep -fc "${T##*/}\\\\app\\\\ddeserver")" "2 1"
pm_ok keys "hwnd=$W" ctrl+s
touch "$T/app/stop"
pm_ok close "hwnd=$W"
pelmor_exit "close"
