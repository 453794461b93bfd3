# The web-page load seen from a recording DDE server: the list shown as
# read from url.lst, one conversation per tick, the tour order with its
# wrap, the selection following it, and the entry that was due sent again
# after the server was away.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/load_lib.sh"

u0='http://127.0.0.1:9/a?x=1&y=2'
u1='http://127.0.0.1:9/日本語/ﾃｽﾄ'
u2='http://127.0.0.1:9/c'
long="http://127.0.0.1:9/$(printf 'L%.0s' $(seq 300))"
# Two on the first line, a token too long to take, blank lines, CR LF.
printf '%s %s\r\n\r\n  %s\r\n\t%s\r\n' "$u0" "$u1" "$long" "$u2" | iconv -f UTF-8 -t CP932 >"$T/url.lst"
write_ini key=3600 reload=2 'iepath=C:\no-browser-here\iexplore.exe'

dde_start srv
pelmor_start
list=$(field "$(control_at 128 32 "$PELMOR_HWND")" hwnd) || abort "no list box"
pm_ok items "hwnd=$list"
check "three entries: the over-long token is left out" "$(pm_field listbox count)" 3
check "entries in file order, Japanese shown" \
    "$(pm_field item text 0)|$(pm_field item text 1)|$(pm_field item text 2)" "$u0|$u1|$u2"
check "nothing selected before the first page" "$(pm_field listbox selected)" -1
sleep 2.5
check "no page is sent before a measurement" "$(dde_count srv)" 0

tick_box 128 8
start_measuring
t0=$SECONDS
# Watch the selection while the pages go out.
sel=()
while [ "$(dde_count srv)" -lt 5 ] && [ $((SECONDS - t0)) -lt 20 ]; do
    pm items "hwnd=$list" && s=$(pm_field listbox selected) && { [ ${#sel[@]} -gt 0 ] && [ "${sel[-1]}" = "$s" ] || sel+=("$s"); }
    sleep 0.2
done
expected=$(printf '%s\n' "$u0" "$u1" "$u2" "$u0" | iconv -f UTF-8 -t CP932)
check "tour order 0, 1, 2, 0, the bytes of each entry as in url.lst" "$(dde_commands srv | head -4)" "$expected"
check_match "the selection follows the tour" "${sel[*]}" '^(-1 )?0 1 2 0'
events=$(tr '\n' ' ' <"$T/srv/events")
check_match "one conversation per page, closed after it" "$events" \
    '^(connect execute cb=[0-9]+ zero=1 disconnect ){4}'
check "each command carries its terminating zero and nothing else" \
    "$(sed -n 's/.*cb=\([0-9]*\).*/\1/p' "$T/srv/events" | head -1)" "$(( $(printf '%s' "$u0" | wc -c) + 1 ))"

# The server goes away for a few ticks: nothing is sent, then the entry
# that was due is the first one sent when it is back.
dde_stop srv
sent=$(dde_count srv)
sleep 5
dde_start back
wait_until 10 test -s "$T/back/rec" || fail "no page sent after the server came back"
due=$(printf '%s\n' "$u0" "$u1" "$u2" | iconv -f UTF-8 -t CP932 | sed -n "$(( sent % 3 + 1 ))p")
check "after $sent pages and a pause, entry $(( sent % 3 )) comes next" "$(head -1 "$T/back/rec")" "$due"

screenshot load-url "$PELMOR_HWND"
stop_measuring
dde_stop back
