# The settings dialog's browse button: the file-open dialog, its title and
# filter, a file picked in folders whose long names hold blanks (the edit
# gets the short form), Cancel, and nothing saved before OK.
. "$(dirname "$0")/lib.sh"

INI=$T/pelmor.ini
LONG_DIR="$T/Program Files Long/Internet Explorer"
mkdir -p "$LONG_DIR"
printf 'MZ' >"$LONG_DIR/IEXPLORE.EXE"

text_of() {
    pm_ok text "hwnd=$1"
    pm_field text text
}

pelmor_start
pm_ok foreground "hwnd=$PELMOR_HWND"
pm_ok keys "hwnd=$PELMOR_HWND" alt+f s
pm find class=TfrmSetup "pid=$PELMOR_PID" timeout=5000 || abort "no settings dialog: $PM_ERROR"
DLG=$(pm_field window hwnd)
l=$(control_at 16 24 "$DLG") || abort "no path edit"
PATH_EDIT=$(field "$l" hwnd)
l=$(control_at 277 22 "$DLG") || abort "no browse button"
BROWSE=$(field "$l" hwnd)
l=$(control_at 312 14 "$DLG") || abort "no OK button"
OK_BUTTON=$(field "$l" hwnd)
before=$(text_of "$PATH_EDIT")

# open_browse: clicks the browse button and finds the file-open dialog.
open_browse() {
    pm_ok click "hwnd=$BROWSE"
    pm find class='#32770' "pid=$PELMOR_PID" timeout=8000 || abort "the browse button opened no file dialog: $PM_ERROR"
    FILE_DLG=$(pm_field window hwnd)
}

# ---- Cancel keeps the edit --------------------------------------------------
open_browse
check "file dialog title" "$(pm_field window title)" "IEXPLORE.EXEの場所"
pm_ok control "hwnd=$FILE_DLG" class=ComboBox id=1136
check "the one filter entry" "$(field "${PM_LINES[0]}" text)" "実行ﾌﾟﾛｸﾞﾗﾑ"
screenshot browse-dialog
pm_ok keys "hwnd=$FILE_DLG" esc
pm gone "hwnd=$FILE_DLG" timeout=3000 || fail "Esc did not close the file dialog"
check "Cancel in the file dialog keeps the edit" "$(text_of "$PATH_EDIT")" "$before"

# ---- a file in folders with blanks: the short form --------------------------
open_browse
pm_ok control "hwnd=$FILE_DLG" class=Edit id=1148
NAME_EDIT=$(field "${PM_LINES[0]}" hwnd)
# Without its extension: the default extension completes the name.
pm_ok settext "hwnd=$NAME_EDIT" "text=$(winpath "$T")\\Program Files Long\\Internet Explorer\\IEXPLORE"
pm_ok control "hwnd=$FILE_DLG" class=Button id=1
pm_ok click "hwnd=$(field "${PM_LINES[0]}" hwnd)"
pm gone "hwnd=$FILE_DLG" timeout=5000 || fail "the file dialog did not close on Open"
chosen=$(text_of "$PATH_EDIT")
note "edit after browsing: $chosen"
check_match "the edit holds the short form, without blanks" "$chosen" '^Z:\\[^ ]+\\IEXPLORE\.EXE$'
check_match "the short form names the blank-holding folders by their short names" "$chosen" '~'
check "nothing saved before OK" "$([ -f "$INI" ] && echo written || echo none)" none

# ---- OK saves the short form -------------------------------------------------
pm_ok click "hwnd=$OK_BUTTON"
pm gone "hwnd=$DLG" timeout=3000 || fail "OK did not close the dialog"
value=$(LC_ALL=C sed -n 's/^iepath=//p' "$INI" | tr -d '\r')
check "iepath holds the short form" "$value" "$chosen"

pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "pelmor did not exit: $PM_ERROR"
