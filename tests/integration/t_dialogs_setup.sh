# The settings dialog from outside: opened from the menu, values typed, OK,
# Cancel, Enter and Esc, and pelmor.ini checked byte for byte after each
# step; the conversion error's box; the menu item greyed while measuring.
. "$(dirname "$0")/lib.sh"

INI=$T/pelmor.ini
DEFAULT_PATH='C:\PROGRA~1\INTERN~1\IEXPLORE.EXE'

# The file's bytes, made readable: CR as \r, line ends as $, other bytes
# outside ASCII in octal.
visible() { LC_ALL=C sed -n l; }
ini_is() {  # ini_is DESCRIPTION EXPECTED-BYTES (printf %b escapes)
    local actual=""
    [ -f "$INI" ] && actual=$(visible <"$INI")
    check "$1" "$actual" "$(printf '%b' "$2" | visible)"
}
settle() { pm_ok sleep ms=${1:-400}; }

# setup_open: opens the dialog with Alt+F, S and finds its controls.
setup_open() {
    pm_ok foreground "hwnd=$PELMOR_HWND"
    pm_ok keys "hwnd=$PELMOR_HWND" alt+f s
    pm find class=TfrmSetup "pid=$PELMOR_PID" timeout=5000 || abort "Alt+F, S opened no settings dialog: $PM_ERROR"
    DLG=$(pm_field window hwnd)
    check "dialog caption" "$(pm_field window title)" "設定"
    local l
    l=$(control_at 16 24 "$DLG") || abort "no path edit: $PM_ERROR"
    PATH_EDIT=$(field "$l" hwnd)
    l=$(control_at 104 52 "$DLG") || abort "no web-page interval edit"
    RELOAD_EDIT=$(field "$l" hwnd)
    l=$(control_at 104 76 "$DLG") || abort "no keystroke interval edit"
    KEY_EDIT=$(field "$l" hwnd)
    l=$(control_at 312 14 "$DLG") || abort "no OK button"
    OK_BUTTON=$(field "$l" hwnd)
    l=$(control_at 312 46 "$DLG") || abort "no Cancel button"
    CANCEL_BUTTON=$(field "$l" hwnd)
}
text_of() {
    pm_ok text "hwnd=$1"
    pm_field text text
}
# fill PATH RELOAD KEY: sets the three edits.
fill() {
    pm_ok settext "hwnd=$PATH_EDIT" "text=$1"
    pm_ok settext "hwnd=$RELOAD_EDIT" "text=$2"
    pm_ok settext "hwnd=$KEY_EDIT" "text=$3"
}
ok_click() {
    pm_ok click "hwnd=$OK_BUTTON"
    settle
}
dialog_open() { pm windows class=TfrmSetup "pid=$PELMOR_PID" && [ ${#PM_LINES[@]} -gt 0 ]; }
dialog_gone() { pm gone "hwnd=$DLG" timeout=3000; }
# close_box: clicks the dialog's close box. Under Wine a click right after a
# window appeared is now and then not seen; a second one is what a user does.
close_box() {
    pm_ok sleep ms=300
    pm_ok closebox "hwnd=$DLG"
    if ! pm gone "hwnd=$DLG" timeout=2000; then
        note "the first click on the close box went unseen; clicking again"
        pm_ok closebox "hwnd=$DLG"
    fi
}

pelmor_start

# ---- first opening: the defaults, a rejected web-page interval, Cancel -------
setup_open
pm_ok geometry "hwnd=$DLG"
check "client area" "$(pm_field geometry client_w)x$(pm_field geometry client_h)" "389x103"
x=$(pm_field geometry x) w=$(pm_field geometry w) y=$(pm_field geometry y) h=$(pm_field geometry h)
# Centred to the pixel, give or take the rounding of an odd margin.
dx=$((x + w / 2 - 512)) dy=$((y + h / 2 - 384))
check "centred on the 1024x768 screen" "$((dx * dx <= 1 && dy * dy <= 1))" 1
check "path edit shows the default" "$(text_of "$PATH_EDIT")" "$DEFAULT_PATH"
check "web-page interval edit shows 60" "$(text_of "$RELOAD_EDIT")" 60
check "keystroke interval edit shows 10" "$(text_of "$KEY_EDIT")" 10
l=$(control_at 277 22 "$DLG") && check "browse button in place" "$(field "$l" class)" Button
screenshot setup-dialog
ini_is "no settings file before any OK" ""

# Typed with the keyboard: Tab to the web-page interval, replace its text.
pm_ok keys "hwnd=$DLG" tab end shift+home
pm_ok type text=19
check "typed into the web-page interval" "$(text_of "$RELOAD_EDIT")" 19
pm_ok keys "hwnd=$DLG" enter
settle
check "Enter (OK) with 19 leaves the dialog open" "$(dialog_open && echo open)" open
check "the edit still shows 19" "$(text_of "$RELOAD_EDIT")" 19
ini_is "19: only the path is written" "[setup]\r\niepath=$DEFAULT_PATH\r\n"
pm_ok click "hwnd=$CANCEL_BUTTON"
dialog_gone || fail "Cancel did not close the dialog"
ini_is "Cancel writes nothing" "[setup]\r\niepath=$DEFAULT_PATH\r\n"

# ---- the minimum stays in the main window; keystroke interval 0 -------------
setup_open
check "reopened: the rejected interval stands at its minimum" "$(text_of "$RELOAD_EDIT")" 20
fill "$DEFAULT_PATH" 60 0
ok_click
check "keystroke interval 0 leaves the dialog open" "$(dialog_open && echo open)" open
check "the keystroke edit keeps 0" "$(text_of "$KEY_EDIT")" 0
ini_is "60 and 0: path and web-page interval written" "[setup]\r\niepath=$DEFAULT_PATH\r\nreload=60\r\n"

# ---- a keystroke interval that is no number: the error box ------------------
fill "$DEFAULT_PATH" 45 abc
pm_ok click "hwnd=$OK_BUTTON"
if pm find class='#32770' "pid=$PELMOR_PID" timeout=5000; then
    BOX=$(pm_field window hwnd)
    pm_ok controls "hwnd=$BOX"
    message=""
    for l in "${PM_LINES[@]}"; do
        [ "$(field "$l" class)" = Static ] && message+=$(field "$l" text)
    done
    check_match "the conversion error names the text" "$message" "'abc'"
    screenshot conversion-error
    pm_ok keys "hwnd=$BOX" enter
    pm gone "hwnd=$BOX" timeout=3000 || fail "the error box did not close with Enter"
else
    fail "no error box for the keystroke interval abc: $PM_ERROR"
fi
pm_ok alive "pid=$PELMOR_PID"
check "the program carries on" "$(pm_field alive running)" 1
check "the dialog stays open after the error" "$(dialog_open && echo open)" open
ini_is "abc: path and web-page interval written, no key" "[setup]\r\niepath=$DEFAULT_PATH\r\nreload=45\r\n"

# ---- an empty path is reset, then accepted ---------------------------------
fill "" 45 5
ok_click
check "empty path reset to the default" "$(text_of "$PATH_EDIT")" "$DEFAULT_PATH"
check "the dialog stays open" "$(dialog_open && echo open)" open
ini_is "empty path: nothing written" "[setup]\r\niepath=$DEFAULT_PATH\r\nreload=45\r\n"

# ---- a path over 127 bytes is turned away, the edit keeps it ----------------
long=$(printf 'C:\\%0125d' 0)  # 128 characters
fill "$long" 30 2
ok_click
check "128-byte path: the dialog stays open" "$(dialog_open && echo open)" open
check "the edit keeps the long path" "$(text_of "$PATH_EDIT")" "$long"
ini_is "128-byte path: nothing written" "[setup]\r\niepath=$DEFAULT_PATH\r\nreload=45\r\n"

# ---- a Japanese path in code page 932, accepted with Enter ------------------
fill 'C:\ﾌﾞﾗｳｻﾞ\起動.EXE' 30 2
pm_ok keys "hwnd=$DLG" enter
dialog_gone || fail "Enter with valid values did not close the dialog"
ini_is "all three written, the path in code page 932" \
    "[setup]\r\niepath=C:\\\\\xcc\xde\xd7\xb3\xbb\xde\\\\\x8b\x4e\x93\xae.EXE\r\nreload=30\r\nkey=2\r\n"

# ---- Esc cancels; the values shown are those stored -------------------------
setup_open
check "reopened: the Japanese path" "$(text_of "$PATH_EDIT")" 'C:\ﾌﾞﾗｳｻﾞ\起動.EXE'
check "reopened: 30" "$(text_of "$RELOAD_EDIT")" 30
check "reopened: 2" "$(text_of "$KEY_EDIT")" 2
fill "C:\\X.EXE" 99 9
pm_ok keys "hwnd=$DLG" esc
dialog_gone || fail "Esc did not close the dialog"
setup_open
check "Esc stored nothing" "$(text_of "$RELOAD_EDIT")" 30
close_box
dialog_gone || fail "the close box did not close the dialog"
ini_is "Esc and the close box write nothing" \
    "[setup]\r\niepath=C:\\\\\xcc\xde\xd7\xb3\xbb\xde\\\\\x8b\x4e\x93\xae.EXE\r\nreload=30\r\nkey=2\r\n"

# ---- greyed while measuring -------------------------------------------------
pm_ok foreground "hwnd=$PELMOR_HWND"
pm_ok keys "hwnd=$PELMOR_HWND" ctrl+s
if pm find class=TfrmComment "pid=$PELMOR_PID" timeout=5000; then
    pm_ok keys "hwnd=$(pm_field window hwnd)" enter
    pm gone class=TfrmComment "pid=$PELMOR_PID" timeout=3000 || fail "the comment dialog stayed"
    pm_ok keys "hwnd=$PELMOR_HWND" alt+f
    settle
    screenshot setup-greyed
    pm_ok keys "hwnd=$PELMOR_HWND" s
    settle 1000
    if pm find class=TfrmSetup "pid=$PELMOR_PID" timeout=500; then
        fail "the settings dialog opened during a measurement"
        pm_ok closebox
    else
        check "no settings dialog during a measurement" "closed" "closed"
    fi
    pm_ok keys "hwnd=$PELMOR_HWND" esc esc
    pm_ok alive "pid=$PELMOR_PID"
    check "S on the greyed item does not reach the exit item" "$(pm_field alive running)" 1
    pm_ok keys "hwnd=$PELMOR_HWND" ctrl+s
    settle
    setup_open
    check "after the stop the dialog opens again" "$(text_of "$KEY_EDIT")" 2
    close_box
    dialog_gone || fail "the close box did not close the dialog"
else
    fail "Ctrl+S opened no comment dialog: $PM_ERROR"
fi

pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "pelmor did not exit: $PM_ERROR"
check "exit code" "$PELMOR_EXIT" 0
