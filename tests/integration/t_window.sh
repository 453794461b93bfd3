# A fresh folder: the main window, its controls and texts, the status panels; the about
# box and settings dialog (pelmor.ini byte for byte); a second copy closed behind its
# dialogs; the exit item; a start with the instance mutex's name taken.
. "$(dirname "$0")/lib.sh"

DEFAULT_PATH='C:\PROGRA~1\INTERN~1\IEXPLORE.EXE'
ini_is() {  # ini_is DESCRIPTION EXPECTED-UTF-8-TEXT: pelmor.ini in code page 932
    check "$1" "$(LC_ALL=C cat -v "$INI" 2>&1)" "$(printf '%s' "$2" | iconv -f UTF-8 -t CP932 | LC_ALL=C cat -v)"
}
window_field() { pm find "hwnd=$1" && pm_field "$2"; }

# --help and --version print on standard output and end without a window or a file.
check "--version, then --help's first line" \
    "$(for o in --version --help; do timeout 60 "$PELMOR_WINE" "$T/pelmor.exe" $o 2>/dev/null | head -1; done | tr -d '\r')" \
    $'Pelmor 1.01\nUsage: pelmor.exe [--help | --version]'

t0=${EPOCHREALTIME/./}
pelmor_start
panels || fail "status panels unreadable: $PM_ERROR"
early=$(((${EPOCHREALTIME/./} - t0) / 1000))
check "three status panels, empty before the first tick" "${#PANELS[@]}|${PANELS[0]-}|${PANELS[2]-}" "3||"
if [ "$early" -lt 600 ]; then check "panel 1 empty before the first tick" "${PANELS[1]-}" ""; fi
pm_ok status "hwnd=$SB"
check_match "panel widths 90, 90 and 50 (or to the end)" \
    "$(pm_field width 0),$(pm_field width 1),$(pm_field width 2)" '^90,90,(50|-1)$'
pm_ok mutex name=ravoshu-pelmor
check "the instance mutex exists while Pelmor runs" "$(pm_field exists)" 1
check "no file written at start-up" "$(ls "$T")" pelmor.exe

pm_ok find "hwnd=$W"
check "caption, place and client area" \
    "$(pm_field title) $(pm_field x),$(pm_field y) $(pm_field client_w)x$(pm_field client_h)" "Pelmor 306,99 373x246"
check "system menu and minimise box; no maximise box, fixed frame" $(($(pm_field style) & 0xF0000)) $((0xA0000))

for row in "8,8 Button 113x17 ｷｰｽﾄﾛｰｸ出力 0" "128,8 Button 113x17 Web巡回 0" "8,32 Edit 113x89 - -" \
    "128,32 ListBox 233x89 - -" "8,128 PelmorImage 353x97 - -" "0,0 Static 373x9 - -" \
    "0,227 msctls_statusbar32 373x19 - -"; do
    at=${row%% *}
    pm control "hwnd=$W" "at=$at" || { fail "no control at $at"; continue; }
    l=${PM_LINES[0]} t=$(pm_field text) c=$(pm_field checked)
    check "control at $at" "$(field "$l" class) $(field "$l" w)x$(field "$l" h) ${t:--} ${c:--} $(field "$l" visible)$(field "$l" enabled)" "${row#* } 11"
done
pm_ok items "hwnd=$(ctl 128 32)"
check "the URL list is empty without url.lst" "$(pm_field count)" 0
pm_ok foreground "hwnd=$W"
pm_ok focus
check "the focus starts on the keystroke check box" "$(pm_field focus)" "$(ctl 8 8)"

if [ "$PELMOR_FAKE_BATTERY" = 1 ]; then
    for row in "77|0|電池駆動  77%" "50|1|ＡＣ駆動  50%" "100|1|ＡＣ駆動 満充電" "-|-|ＡＣ駆動 満充電"; do
        IFS='|' read -r pct ac want <<<"$row"
        if [ "$pct" = - ]; then rm -rf "$PELMOR_POWER/BAT0"; else battery_set "$pct" "$ac"; fi
        wait_panel 1 "$want"
        check "panel 1 with battery $pct % on mains $ac" "${PANELS[1]-}" "$want"
    done
else
    wait_panel 1 x
    check_match "panel 1 after the first tick" "${PANELS[1]-}" '^(電池駆動|ＡＣ駆動|　不明　) ( *[0-9]+%|満充電)$'
fi
shot main-window

# the about box: Alt+F, A
pm_ok keys "hwnd=$W" alt+f a
pm find class=TfrmAbout "pid=$PELMOR_PID" || abort "Alt+F, A opened no about box: $PM_ERROR"
about=$(pm_field hwnd)
check "about box: caption, name and version" "$(pm_field title)|$(text_of "$(ctl 58 14 "$about")")" "about Pelmor|Pelmor V1.01"
check "the main window is disabled meanwhile" "$(window_field "$W" enabled)" 0
pm_ok click "hwnd=$(ctl 248 16 "$about")"
pm gone "hwnd=$about" || fail "the about box's OK did not close it"
pm_ok focus
check "the main window is active and enabled again" "$(pm_field active) $(window_field "$W" enabled)" "$W 1"

# the settings dialog: Alt+F, S
setup_open() {
    pm_ok keys "hwnd=$W" alt+f s
    pm find class=TfrmSetup "pid=$PELMOR_PID" || abort "Alt+F, S opened no settings dialog: $PM_ERROR"
    DLG=$(pm_field hwnd)
    EDITS=("$(ctl 16 24 "$DLG")" "$(ctl 104 52 "$DLG")" "$(ctl 104 76 "$DLG")")
    SHOWN="$(text_of "${EDITS[0]}")|$(text_of "${EDITS[1]}")|$(text_of "${EDITS[2]}")"
}
fill() { pm_ok settext "hwnd=${EDITS[0]}" "text=$1" && pm_ok settext "hwnd=${EDITS[1]}" "text=$2" &&
    pm_ok settext "hwnd=${EDITS[2]}" "text=$3"; }

setup_open
check "settings: the caption and the defaults shown" "$(window_field "$DLG" title)|$SHOWN" "設定|$DEFAULT_PATH|60|10"

# Rejected: a keystroke interval that is no number; the two fields before it are written.
fill "$DEFAULT_PATH" 45 abc
pm_ok click "hwnd=$(ctl 312 14 "$DLG")"
pm find class=#32770 "pid=$PELMOR_PID" || abort "no error box for the keystroke interval abc: $PM_ERROR"
box=$(pm_field hwnd)
check_match "the conversion error names the text" "$(box_text "$box")" "'abc'"
pm_ok keys "hwnd=$box" enter
pm gone "hwnd=$box" || fail "the error box did not close with Enter"
check "the dialog stays open after the error" "$(window_field "$DLG" class)" TfrmSetup
ini_is "rejected: pelmor.ini holds the path and 45" $'[setup]\r\niepath='"$DEFAULT_PATH"$'\r\nreload=45\r\n'

# Accepted with Enter: a Japanese path, in code page 932 in the file.
jp='C:\ﾌﾞﾗｳｻﾞ\起動.EXE'
fill "$jp" 30 2
pm_ok keys "hwnd=$DLG" enter
pm gone "hwnd=$DLG" || fail "Enter with valid values did not close the dialog"
ini_is "accepted: all three written" $'[setup]\r\niepath='"$jp"$'\r\nreload=30\r\nkey=2\r\n'
setup_open
check "reopened, it shows what was stored" "$SHOWN" "$jp|30|2"
pm_ok keys "hwnd=$DLG" esc
pm gone "hwnd=$DLG" || fail "Esc did not close the settings dialog"

# a second copy, closed from outside while its about box, then its settings dialog, is open
first_pid=$PELMOR_PID first=$W
for kind in a:TfrmAbout s:TfrmSetup; do
    rm -f "$INI"
    pelmor_start
    pm_ok find title=Pelmor
    check "a second copy: a process of its own, two main windows" "$((PELMOR_PID != first_pid)) ${#PM_LINES[@]}" "1 2"
    pm_ok keys "hwnd=$W" alt+f "${kind%:*}"
    pm find "class=${kind#*:}" "pid=$PELMOR_PID" || abort "no ${kind#*:} in the second copy: $PM_ERROR"
    dlg=$(pm_field hwnd)
    pm_ok close "hwnd=$W"
    pm wait-exit "pid=$PELMOR_PID" timeout=700 && fail "closed while its ${kind#*:} was open"
    pm_ok keys "hwnd=$dlg" enter
    pelmor_exit "closed behind its ${kind#*:}"
    check "the history saved at that close" "$(grep -c ^endtime= "$INI")" 1
done
pm_ok mutex name=ravoshu-pelmor
check "the first copy still holds the mutex" "$(pm_field exists)" 1
PELMOR_PID=$first_pid W=$first

# the exit item: Alt+F, Up (wraps to the last item), Enter
pm_ok keys "hwnd=$W" alt+f
pm find class=#32768 "pid=$PELMOR_PID" timeout=3000 || fail "Alt+F opened no drop-down: $PM_ERROR"
pm_ok keys up enter
pelmor_exit "exit item"
pm_ok mutex name=ravoshu-pelmor
check "the mutex is gone with the last copy" "$(pm_field exists)" 0

pm_ok event name=ravoshu-pelmor
mkdir "$T/blocked"
cp "$PELMOR_EXE" "$T/blocked/pelmor.exe"
pm_ok start "path=$(pelmor_winpath "$T/blocked/pelmor.exe")"
pid=$(pm_field pid) seen=0 end=$((SECONDS + 10))
until pm wait-exit "pid=$pid" timeout=100; do
    pm find "pid=$pid" timeout=0 && seen=1
    [ "$SECONDS" -lt "$end" ] || break
done
check "name taken: exit code -1, no window, no file" "$(pm_field signed) $seen $(ls "$T/blocked")" "-1 0 pelmor.exe"
