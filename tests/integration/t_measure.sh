# After an earlier run (history and close time from pelmor.ini): a measurement with a
# Japanese comment while the battery and mains change, a stop from the menu bar, a second
# one started by closing the comment dialog, Windows shutting down; then pelmor.log and
# pelmor.ini byte for byte, and the trace beside them.
. "$(dirname "$0")/lib.sh"
need_fake_battery

# history_ini ENDTIME ENTRY...: the entries, their terminator, stale keys up to 125.
history_ini() {
    local end=$1 i=0 e
    shift
    printf '[setup]\r\niepath=C:\\ie\\iexplore.exe\r\nreload=60\r\nkey=10\r\n[log]\r\n'
    for e in "$@"; do printf '%d=%s\r\n' $((i++)) "$e"; done
    printf '%d=\r\n' $((i++))
    for (( ; i <= 125; i++)); do printf '%d=50 0\r\n' $i; done
    printf 'endtime=%d\r\n' "$end"
}
old=()  # two hours: charging, a long discharge, charging again
for ((i = 0; i < 20; i++)); do old+=("$((80 + i)) 1"); done
for ((i = 0; i < 80; i++)); do old+=("$((100 - i)) 0"); done
for ((i = 0; i < 20; i++)); do old+=("$((21 + 2 * i)) 1"); done
history_ini $((EPOCHSECONDS - 3725)) "${old[@]}" >"$INI"

t_up0=$EPOCHSECONDS
pelmor_start
t_up1=$EPOCHSECONDS
panels
d=${PANELS[2]-}
check_match "panel 2: one hour and two minutes since the earlier close" "$d" '^ 前回の電源断から 1:02:[0-9]{2}経過$'
secs=$((10#${d: -4:2}))
check "panel 2 counts from the saved endtime ($secs s past 1:02)" $((secs >= 5 && secs <= 6 + t_up1 - t_up0)) 1
wait_panel 1 "電池駆動  77%" || fail "panel 1: [${PANELS[1]-}]"
sleep 0.3
shot history
pm_ok find "hwnd=$W"
colours=$(convert "$ART/history.png" -crop "353x97+$(($(pm_field client_x) + 8))+$(($(pm_field client_y) + 128))" \
    +repage -format %c histogram:info:-)
check "graph: earlier samples dark red and dark green, this run's bright red, no bright green" \
    "$(for c in 640000 006400 FF0000 00FF00; do grep -ci "#$c" <<<"$colours"; done | tr '\n' ' ')" "1 1 1 0 "

EXPECT=()  # a line's text, "@date T0 T1" or "@sample LEVEL SOURCE LO HI" (elapsed LO..HI)
sample() {  # sample LEVEL SOURCE: a change to that state, and the line it logs
    local since=$EPOCHSECONDS
    battery_set "$1" "$2"
    wait_line "$1" "$2" && EXPECT+=("@sample $1 $2 $((since - t_ok1)) $((EPOCHSECONDS - t_ok0))")
}

comment_open
check "comment dialog: label and button" "$(text_of "$(ctl 8 8 "$DLG")") $(text_of "$(ctl 312 16 "$DLG")")" "ｺﾒﾝﾄ 測定開始"
edit=$(ctl 8 24 "$DLG")
pm_ok focus
check "the focus is in the empty comment edit" "$(pm_field focus)|$(text_of "$edit")" "$edit|"
comment="電池テスト ﾊﾝｶｸｶﾅ ＡＢＣ 1回目"
pm_ok settext "hwnd=$edit" "text=$comment"
t_ok0=$EPOCHSECONDS
pm_ok keys "hwnd=$DLG" enter
pm gone "hwnd=$DLG" || abort "Enter did not close the comment dialog"
t_ok1=$EPOCHSECONDS
t_ok_first=$t_ok0 t_ok_first1=$t_ok1
EXPECT+=("" "@date $t_ok0 $t_ok1" "' $comment")
sample 77 0
sample 75 0
sample 75 1
sample 74 0

# stop from the menu bar (Alt+E)
pm_ok keys "hwnd=$W" alt+e
wait_panel 0 "" || fail "the stop did not empty panel 0: [${PANELS[0]-}]"
lines=$(wc -l <"$LOG")
battery_set 73 0
sleep 1.5
check "no line is logged while idle" "$(wc -l <"$LOG")" "$lines"

comment_open
t_ok0=$EPOCHSECONDS
pm_ok close "hwnd=$DLG"
pm gone "hwnd=$DLG" || abort "WM_CLOSE did not close the comment dialog"
t_ok1=$EPOCHSECONDS
EXPECT+=("@sample 73 0 0 0")  # no header; 73 % differs from the last line logged
wait_line 73 0 && EXPECT[-1]="@sample 73 0 0 $((EPOCHSECONDS - t_ok0))"

t_close0=$EPOCHSECONDS
pm_ok endsession "hwnd=$W"
check "WM_QUERYENDSESSION: the session may end" "$(pm_field result)" 1
pelmor_exit "after WM_ENDSESSION"
t_close1=$EPOCHSECONDS
EXPECT+=("      0,   0,  2")

# pelmor.log: the header's date and elapsed seconds checked against their windows, then
# taken from the file
mapfile -t got < <(LC_ALL=C tr -d '\r' <"$LOG")
expected= i=0
for e in "${EXPECT[@]}"; do
    read -r kind a b lo hi <<<"$e"
    line=${got[i]-}
    if [ "$kind" = @date ]; then
        e="' $(LC_ALL=C date -d "@$a" '+%a %b %e %H:%M:%S %Y')"
        for ((s = a; s <= b; s++)); do
            [ "$line" = "' $(LC_ALL=C date -d "@$s" '+%a %b %e %H:%M:%S %Y')" ] && e=$line
        done
    elif [ "$kind" = @sample ]; then
        [[ $line =~ ^\ *(-?[0-9]+), ]] && el=${BASH_REMATCH[1]} || el=-99999
        [ "$el" -ge "$lo" ] && [ "$el" -le "$hi" ] || { el=$lo; note "log line $((i + 1)): elapsed not in $lo..$hi s"; }
        e=$(printf '%7d, %3d, %2d' "$el" "$a" "$b")
    fi
    expected+="$e"$'\r\n'
    i=$((i + 1))
done
printf '%s' "$expected" | iconv -f UTF-8 -t CP932 >"$ART/pelmor.log.expected"
cp "$LOG" "$ART/pelmor.log"
check "pelmor.log byte for byte (${#got[@]} lines)" "$(LC_ALL=C cat -v "$LOG")" "$(LC_ALL=C cat -v "$ART/pelmor.log.expected")"

# pelmor.ini: a new sample per wall-clock minute after the earlier ones, endtime of the close
mapfile -t ini < <(LC_ALL=C tr -d '\r' <"$INI")
new=()
for l in "${ini[@]}"; do [[ $l =~ ^(1[2-9][0-9])=(.+)$ ]] && [ "${BASH_REMATCH[1]}" = $((120 + ${#new[@]})) ] &&
    [ "${BASH_REMATCH[2]}" != "50 0" ] && new+=("${BASH_REMATCH[2]}"); done
end=$(LC_ALL=C sed -n 's/^endtime=\([0-9]*\)\r$/\1/p' "$INI")
lo=$(((t_close0 - 1) / 60 - (t_up1 + 2) / 60 + 1)) hi=$((t_close1 / 60 - t_up0 / 60 + 1))
check_match "new history samples: one per minute from start-up ($lo to $hi), the first at start-up" \
    "${#new[@]} ${new[*]}" "^[$lo-$hi] 77 0( (77|75|74|73) [01])*$"
check "endtime is the close" $((${end:-0} >= t_close0 && ${end:-0} <= t_close1)) 1
history_ini "$end" "${old[@]}" "${new[@]}" >"$ART/pelmor.ini.expected"
cp "$INI" "$ART/pelmor.ini"
check "pelmor.ini byte for byte" "$(LC_ALL=C cat -v "$INI")" "$(LC_ALL=C cat -v "$ART/pelmor.ini.expected")"

# pelmor-trace.csv: the columns' line, then each measurement's lines (Wine has no battery
# device: the energy columns empty). The times are read from the file and checked
# against each other, the clock's offset and the windows they were taken in.
TRACE=$T/pelmor-trace.csv
cp "$TRACE" "$ART/pelmor-trace.csv" 2>/dev/null
check "trace: the columns' line first, every line ends in CR LF" \
    "$(head -n 1 "$TRACE" | LC_ALL=C cat -v) $(grep -c $'\r$' "$TRACE") $(wc -l <"$TRACE")" \
    "started,time,event,elapsed_s,source,level,energy_mwh,full_mwh,design_mwh,power_mw,voltage_mv,cycles^M $(wc -l <"$TRACE") $(wc -l <"$TRACE")"
iso='([0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8})([+-][0-9]{2}:[0-9]{2})'
events=() bad=() minutes=0 crossed=0 slack=0
while IFS= read -r line; do
    line=${line%$'\r'}
    if ! [[ $line =~ ^$iso,$iso,([a-z]+),([0-9]+),(battery|mains),([0-9]+),,,,,,$ ]]; then
        bad+=("[$line]") && continue
    fi
    started=$(date -d "${BASH_REMATCH[1]}${BASH_REMATCH[2]}" +%s) at=$(date -d "${BASH_REMATCH[3]}${BASH_REMATCH[4]}" +%s)
    ev=${BASH_REMATCH[5]}
    [ "${BASH_REMATCH[4]}" = "$(date -d "@$at" +%:z)" ] || bad+=("offset: $line")
    [ $((at - started)) = "${BASH_REMATCH[6]}" ] || bad+=("elapsed: $line")
    case $ev in
    start) first=$at slack=$((slack + (at % 60 == 0))) ;;
    minute) minutes=$((minutes + 1)) && [ $((at % 60)) -le 2 ] || bad+=("not at a minute's start: $line") ;;
    stop | close) crossed=$((crossed + at / 60 - first / 60)) slack=$((slack + (at % 60 == 0))) ;;
    esac
    [ "$ev" = minute ] || events+=("$ev ${BASH_REMATCH[7]} ${BASH_REMATCH[8]}")
done < <(tail -n +2 "$TRACE")
check "trace: every line whole, elapsed and offset as the clock's" "${bad[*]}" ""
check "trace: the events of both measurements, the levels and sources of the log" "$(IFS='|' && echo "${events[*]}")" \
    "start battery 77|source mains 75|source battery 74|stop battery 74|start battery 73|close battery 73"
# A start or stop in a minute's first second may come before or after that minute's tick.
check "trace: one minute line at each minute crossed while measuring ($minutes, $crossed)" \
    $((minutes - crossed <= slack && crossed - minutes <= slack)) 1
t_first=$(date -d "$(head -n 2 "$TRACE" | tail -n 1 | cut -d, -f1)" +%s)
check "trace: the first measurement started at 測定開始" $((t_first >= ${t_ok_first:-0} && t_first <= ${t_ok_first1:-0})) 1
