# A browser that does not answer never freezes the window: with a DDE
# server that takes commands and never answers them, one that stops
# handling messages on its first command, and one that stops right after
# registering its service, the elapsed time in panel 0 (and panel 1, when
# the battery changes) goes on updating every second. Pages go on in order
# once a server answers again.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/load_lib.sh"

printf 'http://127.0.0.1:9/u0\nhttp://127.0.0.1:9/u1\nhttp://127.0.0.1:9/u2\n' >"$T/url.lst"
write_ini key=3600 reload=2 'iepath=C:\no-browser-here\iexplore.exe'

pelmor_start
bar=$(pm control class=msctls_statusbar32 && printf '%s' "${PM_LINES[0]}") || abort "no status bar"
sb=$(field "$bar" hwnd)

# watch_panels SECONDS: samples the panels; sets WATCH_GAP (longest time in
# ms without a change of panel 0), WATCH_CHANGES, and PANEL1_SEEN (the
# distinct texts of panel 1, | separated).
watch_panels() {
    local end=$((SECONDS + $1)) last= last_t now gap=0
    last_t=${EPOCHREALTIME/./}
    WATCH_CHANGES=0
    PANEL1_SEEN=
    while [ "$SECONDS" -lt "$end" ]; do
        if panel_texts "$sb"; then
            now=${EPOCHREALTIME/./}
            if [ "${PANELS[0]}" != "$last" ]; then
                [ -n "$last" ] && WATCH_CHANGES=$((WATCH_CHANGES + 1))
                last=${PANELS[0]}
                [ $(((now - last_t) / 1000)) -gt "$gap" ] && gap=$(((now - last_t) / 1000))
                last_t=$now
            fi
            case "|$PANEL1_SEEN|" in *"|${PANELS[1]}|"*) ;; *) PANEL1_SEEN+="${PANEL1_SEEN:+|}${PANELS[1]}" ;; esac
        fi
        sleep 0.2
    done
    now=${EPOCHREALTIME/./}
    [ $(((now - last_t) / 1000)) -gt "$gap" ] && gap=$(((now - last_t) / 1000))
    WATCH_GAP=$gap
}

expect_live() {  # expect_live WHAT SECONDS
    watch_panels "$2"
    note "$1: panel 0 changed $WATCH_CHANGES times in $2 s, longest still $WATCH_GAP ms"
    check "$1: the elapsed time never stood still for 2.5 s" "$((WATCH_GAP < 2500))" 1
    check "$1: it changed at least $(($2 - 4)) times" "$((WATCH_CHANGES >= $2 - 4))" 1
}

# 1. A server that never answers a command.
dde_start hang --mode hang
tick_box 128 8
start_measuring
battery_pid=
if [ "$PELMOR_FAKE_BATTERY" = 1 ]; then
    (sleep 6 && battery_set 61 0) &
    battery_pid=$!
fi
expect_live "server never answering" 14
[ -n "$battery_pid" ] && wait "$battery_pid"
if [ "$PELMOR_FAKE_BATTERY" = 1 ]; then
    check_match "panel 1 followed the battery meanwhile" "$PANEL1_SEEN" '77%.*61%'
fi
check_match "its commands came in tour order all the same" "$(dde_commands hang | tr '\n' ' ')" \
    '^http://127.0.0.1:9/u0 http://127.0.0.1:9/u1 '
dde_stop hang

# 2. A server that hangs for good on the first command it gets.
sleep 2.5
dde_start stall --mode stall
expect_live "server stuck on a command" 12
check "it got exactly one command before it stuck" "$(dde_count stall)" 1
stuck=$(dde_commands stall)
dde_stop stall

# 3. A server stuck before any conversation.
dde_start frozen --mode freeze
expect_live "server stuck from the start" 8
dde_stop frozen

# Back to a server that answers: the tour goes on after the stuck command.
dde_start ok
wait_until 10 test -s "$T/ok/rec" || fail "no page sent to a working server"
next=$(( (${stuck##*u} + 1) % 3 ))
check "after the stuck command ($stuck) the next page is u$next" "$(head -1 "$T/ok/rec")" \
    "http://127.0.0.1:9/u$next"
stop_measuring
dde_stop ok
