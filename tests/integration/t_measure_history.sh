# The history of an earlier run, from a settings file written beforehand:
# two hours of samples come back in the dark colours, panel 2 shows the time
# since that run's close, and the close writes them back unmarked after the
# new samples, over the stale keys of a longer save, leaving section setup
# alone. Then a hand-edited section of 200 entries: the newest are kept.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"

need_fake_battery
battery_set 64 1

# ini_history FILE FIRST-STALE LAST-STALE ENTRY...: a settings file with a
# setup section, the entries, their terminator, stale keys and endtime
# ($ENDTIME).
ini_history() {
    local file=$1 from=$2 to=$3 i=0 e
    shift 3
    {
        printf '[setup]\r\niepath=C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE\r\nreload=60\r\nkey=10\r\n'
        printf '[log]\r\n'
        for e in "$@"; do printf '%d=%s\r\n' "$i" "$e"; i=$((i + 1)); done
        printf '%d=\r\n' "$i"
        for ((i = from; i <= to; i++)); do printf '%d=50 0\r\n' "$i"; done
        printf 'endtime=%d\r\n' "$ENDTIME"
    } >"$file"
}

# ---- two hours: charging, a long discharge, charging again ----------------------
entries=()
for ((i = 0; i < 20; i++)); do entries+=("$((80 + i)) 1"); done
for ((i = 0; i < 80; i++)); do entries+=("$((100 - i)) 0"); done
for ((i = 0; i < 20; i++)); do entries+=("$((21 + 2 * i)) 1"); done
ENDTIME=$(($(now) - 3725))
ini_history "$INI" 121 125 "${entries[@]}"
cp "$INI" "$ART/pelmor.ini.before"

t_up0=$(now)
pelmor_start
t_up1=$(now)
w=$PELMOR_HWND
find_status_bar
panel_texts "$sb"
d=${PANELS[2]-}
check_match "panel 2: one hour and two minutes since the earlier close" "$d" '^ 前回の電源断から 1:02:[0-9]{2}経過$'
secs=$((10#${d:(-4):2}))
if [ "$secs" -lt 5 ] || [ "$secs" -gt $((5 + t_up1 - t_up0 + 1)) ]; then
    fail "panel 2 counts $secs s past 1:02"
fi
wait_panel 1 "ＡＣ駆動  64%" || fail "panel 1: [${PANELS[1]-}]"
sleep 0.5
screenshot earlier-history "$w"
if [ -f "$ART/earlier-history.png" ]; then
    colours=$(graph_colours "$ART/earlier-history.png")
    check "the earlier run's battery samples in dark red" "$(grep -ci '#640000' <<<"$colours")" 1
    check "the earlier run's mains samples in dark green" "$(grep -ci '#006400' <<<"$colours")" 1
    check "this run's first sample on the mains in bright green" "$(grep -ci '#00FF00' <<<"$colours")" 1
    check "no bright red" "$(grep -ci '#FF0000' <<<"$colours")" 0
fi

t_close0=$(now)
pm_ok close "hwnd=$w"
pelmor_wait_exit || fail "Pelmor did not end on WM_CLOSE: $PM_ERROR"
t_close1=$(now)

# The file keeps its order: setup, the entries (the new ones after the old),
# the terminator, the stale keys after it, endtime.
if [[ $(LC_ALL=C grep -a '^endtime=' "$INI") =~ ^endtime=([0-9]+)$'\r'$ ]]; then
    end=${BASH_REMATCH[1]}
    [ "$end" -ge "$t_close0" ] && [ "$end" -le "$t_close1" ] ||
        fail "endtime $end is not the close ($t_close0 to $t_close1)"
else
    fail "no endtime in pelmor.ini"
    end=0
fi
n=$(LC_ALL=C grep -ac '^[0-9]*=64 1'$'\r''$' "$INI")
lo=$(((t_close0 - 1) / 60 - (t_up1 + 2) / 60 + 1))
hi=$((t_close1 / 60 - t_up0 / 60 + 1))
if [ "$n" -lt "$lo" ] || [ "$n" -gt "$hi" ]; then fail "$n new samples, expected $lo to $hi"; fi
new=()
for ((i = 0; i < n; i++)); do new+=("64 1"); done
ENDTIME=$end
ini_history "$ART/pelmor.ini.expected" $((121 + n)) 125 "${entries[@]}" "${new[@]}"
cp "$INI" "$ART/pelmor.ini"
if cmp -s "$ART/pelmor.ini.expected" "$INI"; then
    check "pelmor.ini byte for byte: $n new sample(s) after the 120 earlier ones, all unmarked" 1 1
else
    fail "pelmor.ini differs from $ART/pelmor.ini.expected"
    diff <(LC_ALL=C cat -A "$ART/pelmor.ini.expected") <(LC_ALL=C cat -A "$INI") | head -20
fi

# ---- a hand-edited section of 200 entries ----------------------------------------
rm -f "$INI"
entries=()
for ((i = 0; i < 200; i++)); do entries+=("$((i % 101)) $((i % 2))"); done
ENDTIME=$(($(now) - 60))
ini_history "$INI" 1 0 "${entries[@]}"
pelmor_start
find_status_bar
wait_panel 1 "ＡＣ駆動  64%" || fail "panel 1: [${PANELS[1]-}]"
sleep 0.5
pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not end on WM_CLOSE: $PM_ERROR"
cp "$INI" "$ART/pelmor.ini.200"
# Loaded: the newest 179 (entries 21..199). The first tick's sample filled
# the 180th slot, so the oldest 30 went: entries 51..199 and the new sample
# are keys 0..149, then the terminator; the later keys stay from the edit.
# (A change of minute while the program ran adds a second sample.)
mapfile -t got < <(LC_ALL=C sed -n 's/^\([0-9]*\)=\(.*\)\r$/\1=\2/p' "$INI")
n=1
[ "${got[150]-}" = "150=64 1" ] && n=2
expect=()
for ((i = 0; i < 149; i++)); do expect+=("$i=${entries[51 + i]}"); done
for ((i = 149; i < 149 + n; i++)); do expect+=("$i=64 1"); done
expect+=("$((149 + n))=")
for ((i = 150 + n; i < 200; i++)); do expect+=("$i=${entries[i]}"); done
expect+=("200=")
check "a 200-entry section: the newest entries kept, slid by the first sample" \
    "$(printf '%s\n' "${got[@]}")" "$(printf '%s\n' "${expect[@]}")"
