# Helpers of the measuring scenarios (t_measure*.sh), sourced after lib.sh:
# the status bar, the comment dialog, and what pelmor.log and pelmor.ini must
# hold, built up while the scenario runs and compared byte for byte at the end.

now() { date +%s; }

# find_status_bar: sets sb to the main window's status bar.
find_status_bar() {
    local bar
    bar=$(pm control "hwnd=$PELMOR_HWND" class=msctls_statusbar32 timeout=3000 &&
        printf '%s' "${PM_LINES[0]}") || abort "no status bar: $PM_ERROR"
    sb=$(field "$bar" hwnd)
}

# wait_panel N TEXT: waits up to 5 s for status panel N to show TEXT.
wait_panel() {
    _panel_is() { panel_texts "$sb" && [ "${PANELS[$1]-}" == "$2" ]; }
    wait_until 5 _panel_is "$1" "$2"
}

# comment_dialog: waits for the comment dialog; prints its window handle.
comment_dialog() {
    pm find "title=測定ﾛｸﾞのｺﾒﾝﾄ" "pid=$PELMOR_PID" timeout=10000 || return 1
    pm_field window hwnd
}

# wait_next_minute: until the wall-clock minute has changed and the tick of
# the new minute has run.
wait_next_minute() {
    local m0
    m0=$(date +%M)
    _minute_changed() { [ "$(date +%M)" != "$m0" ]; }
    wait_until 65 _minute_changed || abort "the clock's minute did not change"
    sleep 1.5
}

# graph_colours SHOT: the colour histogram of Image1 (client 8,128, 353x97)
# in SHOT, a screenshot of the main window.
graph_colours() {
    pm geometry "hwnd=$PELMOR_HWND" || return 1
    local x=$(($(pm_field geometry client_x) - $(pm_field geometry x) + 8))
    local y=$(($(pm_field geometry client_y) - $(pm_field geometry y) + 128))
    convert "$1" -crop "353x97+$x+$y" +repage -format %c histogram:info:-
}

# ---- the log ---------------------------------------------------------------------

LOG=$T/pelmor.log
LOG_EXPECT=()   # "header T0 T1 INDEX" | "sample LEVEL SOURCE LO HI" | "end"
LOG_COMMENTS=()

log_line_count() {
    if [ -f "$LOG" ]; then LC_ALL=C grep -c '' "$LOG"; else echo 0; fi
}

log_last_line() {
    [ -f "$LOG" ] && LC_ALL=C tail -n 1 "$LOG"
}

# expect_header T0 T1 COMMENT: a header dated between T0 and T1 is due.
expect_header() {
    LOG_COMMENTS+=("$3")
    LOG_EXPECT+=("header $1 $2 $((${#LOG_COMMENTS[@]} - 1))")
}

# expect_sample LEVEL SOURCE SINCE START0 START1 DESCRIPTION: waits for the
# sample line LEVEL, SOURCE that a tick after SINCE logs, in a measurement
# started between START0 and START1 (seconds), and records what its elapsed
# field may hold.
expect_sample() {
    local level=$1 source=$2 since=$3 s0=$4 s1=$5 what=$6 pattern
    pattern="^ *-?[0-9]+, +$level, +$source"$'\r'"\$"
    _sample_logged() { [[ $(log_last_line) =~ $pattern ]]; }
    if wait_until 6 _sample_logged; then
        local seen
        seen=$(now)
        check "$what: line logged" 1 1
        LOG_EXPECT+=("sample $level $source $((since - s1)) $((seen - s0))")
    else
        fail "$what: no line '$level, $source' (last line: [$(log_last_line | tr -d '\r')])"
    fi
}

# drain LEVEL AC START0 START1 DESCRIPTION: the battery changes, a line follows.
drain() {
    local since
    since=$(now)
    battery_set "$1" "$2"
    expect_sample "$1" "$2" "$since" "$3" "$4" "$5"
}

expect_end_line() { LOG_EXPECT+=("end"); }

# ctime texts ("Www Mmm dd hh:mm:ss yyyy", local time) of the seconds T0..T1.
ctimes() {
    local s
    for ((s = $1; s <= $2; s++)); do LC_ALL=C date -d "@$s" '+%a %b %e %H:%M:%S %Y'; done
}

# check_log: pelmor.log against what was recorded with expect_*. The numbers
# the scenario cannot know to the second (the header's date, elapsed
# seconds) are checked against their time windows and then taken from the
# file; everything else is compared byte for byte.
check_log() {
    local LC_ALL=C
    LOG_LINES_AT_CHECK=$(log_line_count)
    if [ ! -f "$LOG" ]; then
        fail "no pelmor.log"
        return
    fi
    local -a lines
    mapfile -t lines <"$LOG"
    local expected="" i=0 e kind a b c d date comment elapsed
    for e in "${LOG_EXPECT[@]}"; do
        read -r kind a b c d <<<"$e"
        case $kind in
        header)
            date=${lines[i + 1]-}
            date=${date#"' "}
            date=${date%$'\r'}
            if grep -qxF -- "$date" <(ctimes "$a" "$b"); then
                check "log: header dated $date, the moment of OK" 1 1
            else
                fail "log line $((i + 2)): [${lines[i + 1]-}] is no ctime date between $(ctimes "$a" "$a") and $(ctimes "$b" "$b")"
            fi
            comment=$(printf '%s' "${LOG_COMMENTS[$c]}" | iconv -f UTF-8 -t CP932)
            expected+=$'\r\n'"' $date"$'\r\n'"' $comment"$'\r\n'
            i=$((i + 3))
            ;;
        sample)
            elapsed=
            [[ ${lines[i]-} =~ ^\ *(-?[0-9]+), ]] && elapsed=${BASH_REMATCH[1]}
            if [ -n "$elapsed" ] && [ "$elapsed" -ge "$c" ] && [ "$elapsed" -le "$d" ]; then
                check "log: $a %, source $b after $elapsed s (between $c and $d)" 1 1
            else
                fail "log line $((i + 1)): [${lines[i]-}]: elapsed not between $c and $d s"
                elapsed=${elapsed:-0}
            fi
            expected+=$(printf '%7d, %3d, %2d\r\n_' "$elapsed" "$a" "$b")
            expected=${expected%_}
            i=$((i + 1))
            ;;
        end)
            expected+="      0,   0,  2"$'\r\n'
            i=$((i + 1))
            ;;
        esac
    done
    printf '%s' "$expected" >"$ART/pelmor.log.expected"
    cp "$LOG" "$ART/pelmor.log"
    if cmp -s "$ART/pelmor.log.expected" "$LOG"; then
        check "pelmor.log byte for byte ($(wc -c <"$LOG") bytes, ${#lines[@]} lines)" 1 1
    else
        fail "pelmor.log differs from $ART/pelmor.log.expected:"
        diff <(od -c "$ART/pelmor.log.expected") <(od -c "$LOG") | head -20
    fi
}

# ---- the settings file -------------------------------------------------------------

INI=$T/pelmor.ini

# check_history_file UP0 UP1 CLOSE0 CLOSE1 ALLOWED-REGEX: pelmor.ini holds
# section log only: the history (one entry per wall-clock minute between
# start-up in UP0..UP1 and the close in CLOSE0..CLOSE1, each matching
# ALLOWED), the empty terminator and endtime within the close. Sets HIST
# (the entries) and HIST_END.
check_history_file() {
    local LC_ALL=C
    HIST=()
    HIST_END=
    if [ ! -f "$INI" ]; then
        fail "no pelmor.ini after the close"
        return
    fi
    cp "$INI" "$ART/pelmor.ini"
    local -a lines
    mapfile -t lines <"$INI"
    local i=1 expected=$'[log]\r\n'
    [ "${lines[0]-}" == $'[log]\r' ] || { fail "pelmor.ini starts with [${lines[0]-}]"; }
    local entry
    while [[ ${lines[i]-} =~ ^([0-9]+)=([0-9]+\ [0-9]+)$'\r'$ ]] && [ "${BASH_REMATCH[1]}" = $((i - 1)) ]; do
        entry=${BASH_REMATCH[2]}
        HIST+=("$entry")
        [[ $entry =~ $5 ]] || { fail "history entry $((i - 1)) holds $entry"; }
        expected+="$((i - 1))=$entry"$'\r\n'
        i=$((i + 1))
    done
    local n=${#HIST[@]}
    local lo=$(((($3 - 1) / 60) - (($2 + 2) / 60) + 1)) hi=$((($4 / 60) - ($1 / 60) + 1))
    if [ "$n" -ge "$lo" ] && [ "$n" -le "$hi" ]; then
        check "history: $n entries, one per wall-clock minute ($lo to $hi)" 1 1
    else
        fail "history: $n entries, expected $lo to $hi"
    fi
    check "history: the terminator after the last entry" "${lines[i]-}" "$n="$'\r'
    expected+="$n="$'\r\n'
    if [[ ${lines[i + 1]-} =~ ^endtime=([0-9]+)$'\r'$ ]]; then
        HIST_END=${BASH_REMATCH[1]}
        if [ "$HIST_END" -ge "$3" ] && [ "$HIST_END" -le "$4" ]; then
            check "history: endtime $HIST_END is the close" 1 1
        else
            fail "history: endtime $HIST_END not between $3 and $4"
        fi
        expected+="endtime=$HIST_END"$'\r\n'
    else
        fail "history: no endtime after the terminator: [${lines[i + 1]-}]"
    fi
    printf '%s' "$expected" >"$ART/pelmor.ini.expected"
    if cmp -s "$ART/pelmor.ini.expected" "$INI"; then
        check "pelmor.ini byte for byte ($(wc -c <"$INI") bytes)" 1 1
    else
        fail "pelmor.ini differs from $ART/pelmor.ini.expected"
        diff <(od -c "$ART/pelmor.ini.expected") <(od -c "$INI") | head -20
    fi
}
