# The keystroke load seen from outside: with its box ticked and a keystroke
# interval of 1 s, the memo gets one line of digits per second, is emptied
# before the eleventh line, keeps getting lines when another window had the
# foreground, and gets none while the box is clear.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/load_lib.sh"

write_ini key=1 reload=3600 'iepath=C:\no-browser-here\iexplore.exe'
pelmor_start
memo_line=$(control_at 8 32 "$PELMOR_HWND") || abort "no memo: $PM_ERROR"
memo=$(field "$memo_line" hwnd)
tick_box 8 8
start_measuring

# Watch the memo through more than ten ticks. Each change must be one more
# line, or the emptying after the tenth (possibly caught before the new line
# is complete).
prev=0
seen=0
emptied=0
top=0
bad=
end=$((SECONDS + 16))
while [ "$SECONDS" -lt "$end" ]; do
    memo_state "$memo"
    [ -n "$MEMO_BAD" ] && bad=$MEMO_BAD
    n=$MEMO_LINES
    if [ "$n" != "$prev" ]; then
        seen=$((seen + 1))
        if [ "$n" = $((prev + 1)) ] && [ "$n" -le 10 ]; then
            :
        elif [ "$prev" = 10 ] && { [ "$n" = 0 ] || [ "$n" = 1 ]; }; then
            emptied=$((emptied + 1))
        else
            bad="the memo went from $prev to $n lines"
        fi
        [ "$n" -gt "$top" ] && top=$n
        prev=$n
    fi
    sleep 0.15
done
check "every line typed is the digit line, and lines come one at a time" "$bad" ""
check "the memo reached ten lines" "$top" 10
check "and was emptied before the eleventh" "$((emptied >= 1))" 1
note "memo changes watched: $seen; lines now: $prev"

# Another window takes the foreground; the next tick brings Pelmor back and
# its line still lands in the memo.
if [ -f "${PMTESTWIN_EXE:-}" ]; then
    cp "$PMTESTWIN_EXE" "$T/pmtestwin.exe"
    pm_ok start "path=$(winpath "$T/pmtestwin.exe")"
    other_pid=$(pm_field process pid)
    pm_ok find class=PmTestWin "pid=$other_pid"
    other=$(pm_field window hwnd)
    pm_ok control "hwnd=$other" at=8,32
    other_edit=$(pm_field control hwnd)
    pm_ok text "hwnd=$other_edit"
    other_text=$(pm_field text text)
    pm_ok find title=Pelmor "pid=$PELMOR_PID"
    pm_ok foreground "hwnd=$other"
    memo_state "$memo"
    before=$MEMO_LINES
    pm_ok focus
    check "the other window had the foreground" "$(pm_field focus foreground)" "$other"
    changed=0
    for _ in $(seq 30); do
        memo_state "$memo"
        if [ "$MEMO_LINES" != "$before" ]; then changed=1; break; fi
        sleep 0.1
    done
    check "the next tick typed its line into the memo" "$changed" 1
    check "the memo text is still only digit lines" "$MEMO_BAD" ""
    pm_ok focus
    check "Pelmor is in the foreground again" "$(pm_field focus foreground)" "$PELMOR_HWND"
    check "the memo has the keyboard focus" "$(pm_field focus focus)" "$memo"
    pm_ok text "hwnd=$other_edit"
    check "nothing was typed into the other window's edit" "$(pm_field text text)" "$other_text"
    pm_ok kill "pid=$other_pid"
fi

# With the box clear the memo stays as it is.
box=$(control_at 8 8 "$PELMOR_HWND")
pm_ok check "hwnd=$(field "$box" hwnd)" state=0
sleep 1.2
memo_state "$memo"
before=$MEMO_LINES
sleep 2.5
memo_state "$memo"
check "no line typed while the box is clear" "$MEMO_LINES" "$before"

screenshot load-keys "$PELMOR_HWND"
stop_measuring
pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not close: $PM_ERROR"

# The same under a Windows XP identity, where the foreground-lock timeout
# is lifted around the switch: the program, renamed, gets that version from
# Wine's per-program settings.
if [ -f "${PMTESTWIN_EXE:-}" ]; then
    "$PELMOR_WINE" reg add 'HKCU\Software\Wine\AppDefaults\pelmorxp.exe' /v Version /d winxp /f \
        >/dev/null 2>&1 || fail "could not set the XP identity"
    mkdir -p "$T/xp"
    cp "$PELMOR_EXE" "$T/xp/pelmorxp.exe"
    cp "$T/pelmor.ini" "$T/xp/pelmor.ini"
    pm_ok start "path=$(winpath "$T/xp/pelmorxp.exe")"
    PELMOR_PID=$(pm_field process pid)
    pm_ok find title=Pelmor "pid=$PELMOR_PID" timeout=20000
    PELMOR_HWND=$(pm_field window hwnd)
    memo=$(field "$(control_at 8 32 "$PELMOR_HWND")" hwnd)
    tick_box 8 8
    start_measuring
    pm_ok start "path=$(winpath "$T/pmtestwin.exe")"
    other_pid=$(pm_field process pid)
    pm_ok find class=PmTestWin "pid=$other_pid"
    other=$(pm_field window hwnd)
    pm_ok foreground "hwnd=$other"
    memo_state "$memo"
    before=$MEMO_LINES
    changed=0
    for _ in $(seq 30); do
        memo_state "$memo"
        if [ "$MEMO_LINES" != "$before" ]; then changed=1; break; fi
        sleep 0.1
    done
    check "XP identity: the tick typed its line" "$changed" 1
    pm_ok focus
    check "XP identity: Pelmor is in the foreground again" "$(pm_field focus foreground)" "$PELMOR_HWND"
    check "XP identity: the memo has the keyboard focus" "$(pm_field focus focus)" "$memo"
    pm_ok kill "pid=$other_pid"
    stop_measuring
fi
