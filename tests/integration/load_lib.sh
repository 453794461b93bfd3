# Helpers of the load scenarios (t_load_*.sh), sourced after lib.sh: the
# settings file, starting a measurement, the memo, and the recording DDE
# server ddeserver.exe.

# write_ini KEY=VALUE...: pelmor.ini beside the program, section setup.
write_ini() {
    {
        printf '[setup]\r\n'
        local kv
        for kv in "$@"; do printf '%s\r\n' "$kv"; done
    } >"$T/pelmor.ini"
}

# press_comment_ok: Ctrl+S on the main window, then the comment dialog's OK;
# the dialog's window is left in COMMENT_DIALOG.
press_comment_ok() {
    pm_ok foreground "hwnd=$PELMOR_HWND"
    pm_ok keys "hwnd=$PELMOR_HWND" ctrl+s
    pm find "title=測定ﾛｸﾞのｺﾒﾝﾄ" "pid=$PELMOR_PID" timeout=10000 ||
        abort "the comment dialog did not open: $PM_ERROR"
    COMMENT_DIALOG=$(pm_field window hwnd)
    pm_ok control "hwnd=$COMMENT_DIALOG" "text=測定開始"
    pm_ok click "hwnd=$(pm_field control hwnd)"
}

# start_measuring: Ctrl+S on the main window, then the comment dialog's OK.
start_measuring() {
    press_comment_ok
    pm gone "hwnd=$COMMENT_DIALOG" timeout=10000 ||
        abort "the comment dialog did not close: $PM_ERROR"
    pm_ok find title=Pelmor "pid=$PELMOR_PID"
}

# stop_measuring: Ctrl+S again.
stop_measuring() {
    pm_ok foreground "hwnd=$PELMOR_HWND"
    pm_ok keys "hwnd=$PELMOR_HWND" ctrl+s
}

# tick_box X Y: ticks the check box whose corner is at X,Y.
tick_box() {
    local box
    box=$(control_at "$1" "$2" "$PELMOR_HWND") || abort "no check box at $1,$2: $PM_ERROR"
    pm_ok check "hwnd=$(field "$box" hwnd)" state=1
}

# memo_state HWND: MEMO_LINES = complete lines, MEMO_BAD = what is wrong with
# the text (empty when every complete line is the digit line and the rest
# is the start of one).
memo_state() {
    local text line rest
    MEMO_LINES=-1
    MEMO_BAD=
    pm text "hwnd=$1" || { MEMO_BAD="unreadable: $PM_ERROR"; return 1; }
    text=$(pm_field text text; printf x)
    text=${text%x}
    MEMO_LINES=0
    rest=$text
    while [[ $rest == *$'\r\n'* ]]; do
        line=${rest%%$'\r\n'*}
        rest=${rest#*$'\r\n'}
        [ "$line" = 0123456789 ] || MEMO_BAD="line [$line] in [${text//$'\r\n'/|}]"
        MEMO_LINES=$((MEMO_LINES + 1))
    done
    case 0123456789 in "$rest"*) ;; *) MEMO_BAD="partial line [$rest]" ;; esac
    return 0
}

# ---- the recording DDE server ----------------------------------------------------

# The ddeserver.exe of the build that made pelmor.exe.
ddeserver_exe() {
    if [ -n "${DDESERVER_EXE:-}" ]; then
        printf '%s' "$DDESERVER_EXE"
        return
    fi
    local d
    d=$(dirname "$(readlink -f "$PELMOR_EXE")")
    while [ "$d" != / ]; do
        if [ -f "$d/tests/ddeserver/ddeserver.exe" ]; then
            printf '%s' "$d/tests/ddeserver/ddeserver.exe"
            return
        fi
        d=$(dirname "$d")
    done
    return 1
}

# dde_prepare NAME [OPTION...]: a folder $T/NAME with a copy of ddeserver.exe
# and its arguments file: it records into $T/NAME/rec, notes connections in
# $T/NAME/events, says ready in $T/NAME/ready and ends when $T/NAME/stop
# appears. Sets DDE_EXE to its path (for iepath, or dde_start).
dde_prepare() {
    local name=$1 dir=$T/$1 exe
    shift
    exe=$(ddeserver_exe) || abort "ddeserver.exe has not been built"
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$exe" "$dir/ddeserver.exe"
    printf '%s ' "$(winpath "$dir")\\rec" --events "$(winpath "$dir")\\events" \
        --ready "$(winpath "$dir")\\ready" --stop "$(winpath "$dir")\\stop" \
        --lifetime 300 "$@" >"$dir/ddeserver.args"
    DDE_EXE=$dir/ddeserver.exe
}

# dde_start NAME [OPTION...]: prepares and starts the server, waits until
# its service is registered. Sets DDE_PID.
dde_start() {
    dde_prepare "$@"
    local dir=$T/$1
    pm_ok start "path=$(winpath "$DDE_EXE")"
    DDE_PID=$(pm_field process pid)
    wait_until 30 test -f "$dir/ready" || abort "ddeserver $1 did not register its service"
}

# dde_stop NAME [PID]: asks the server to end and waits for it.
dde_stop() {
    touch "$T/$1/stop"
    pelmor_wait_exit "${2:-$DDE_PID}" 10000 || fail "ddeserver $1 did not end: $PM_ERROR"
}

# dde_commands NAME: the commands recorded, one per line.
dde_commands() { cat "$T/$1/rec" 2>/dev/null; }
dde_count() { local n; n=$(dde_commands "$1" | wc -l); printf '%s' "$n"; }
