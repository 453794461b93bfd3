# Helpers of the fault scenarios (t_faults_*.sh).
#
# faults_outside SETUP TEARDOWN must be called before lib.sh is sourced. The
# Wine server opens files for every Wine process, in the mount namespace it
# was started in (the one ctest runs in), while lib.sh moves the scenario
# into a private namespace of its own. A mount made here, before that move,
# is seen alike by both: SETUP runs first, in ctest's namespace, with
# FAULTS_DIR a fresh folder; then the scenario runs in full (lib.sh and all),
# then TEARDOWN, also on an interrupted run.

faults_outside() {
    [ -n "${PELMOR_FAULTS_INSIDE:-}" ] && return 0
    local setup=$1 teardown=$2 rc
    if [ "$(id -u)" != 0 ]; then
        echo "SKIP  $(basename "$0" .sh): mounting a file system needs root"
        exit 77
    fi
    FAULTS_DIR=$(mktemp -d "${TMPDIR:-/tmp}/pelmor-faults-XXXXXX")
    export FAULTS_DIR
    # shellcheck disable=SC2064
    trap "$teardown; rm -rf '$FAULTS_DIR'" EXIT
    trap 'exit 1' INT TERM
    if ! "$setup"; then
        echo "SKIP  $(basename "$0" .sh): the file system could not be prepared"
        exit 77
    fi
    PELMOR_FAULTS_INSIDE=1 bash "$0" "$@"
    rc=$?
    exit "$rc"
}

# ---- message boxes ------------------------------------------------------------------

# boxes: BOXES = the window handles of Pelmor's open message boxes.
boxes() {
    BOXES=()
    pm windows class=#32770 "pid=$PELMOR_PID" || return 1
    local l
    for l in "${PM_LINES[@]}"; do BOXES+=("$(field "$l" hwnd)"); done
    return 0
}

box_count() { boxes >/dev/null && printf '%s' "${#BOXES[@]}"; }

have_box() { boxes && [ ${#BOXES[@]} -gt 0 ]; }

# box_texts HWND: the box's caption and the texts of its controls, one a line.
box_texts() {
    pm text "hwnd=$1" && pm_field text text && echo
    pm controls "hwnd=$1" || return 1
    local l
    for l in "${PM_LINES[@]}"; do
        [ "${l%%$'\t'*}" = control ] && field "$l" text && echo
    done
}

# box_ok HWND: presses the box's OK button and waits for it to go.
box_ok() {
    pm control "hwnd=$1" text=OK timeout=2000 || return 1
    pm click "hwnd=$(pm_field control hwnd)" || return 1
    pm gone "hwnd=$1" timeout=5000
}

# expect_log_error_box WHAT: waits for the one error box about the log,
# checks its caption and text, and leaves its handle in BOX.
expect_log_error_box() {
    BOX=
    if ! wait_until 6 have_box; then
        fail "$1: no message box appeared"
        return 1
    fi
    BOX=${BOXES[0]}
    check "$1: one box" "${#BOXES[@]}" 1
    local texts
    texts=$(box_texts "$BOX")
    check "$1: caption" "$(head -1 <<<"$texts")" "Pelmor"
    check "$1: text" "$(grep -cxF 'ﾛｸﾞﾌｧｲﾙ保存失敗。' <<<"$texts")" 1
}

# watch_boxes SECONDS: for that long, notes the largest number of boxes
# open at once in MAX_BOXES.
watch_boxes() {
    MAX_BOXES=0
    local end=$((SECONDS + $1)) n
    while [ "$SECONDS" -lt "$end" ]; do
        n=$(box_count) || n=0
        [ "$n" -gt "$MAX_BOXES" ] && MAX_BOXES=$n
        sleep 0.3
    done
}

# start_unlogged: Ctrl+S and the comment dialog's OK, when the header cannot
# be written: the error box comes while the dialog is still up (the header
# is written before it closes). Checks that box, presses its OK, then waits
# for the dialog to go.
start_unlogged() {
    press_comment_ok
    expect_log_error_box "the header" || abort "no error box for the header"
    box_ok "$BOX" || abort "OK did not close the box: $PM_ERROR"
    pm gone "hwnd=$COMMENT_DIALOG" timeout=10000 ||
        abort "the comment dialog did not close: $PM_ERROR"
}

# ---- the log ----------------------------------------------------------------------

# log_lines_ok FILE: every line of FILE ends in CR LF and is a header line,
# a blank line or a sample line; prints what is wrong otherwise.
log_lines_ok() {
    local LC_ALL=C
    [ -s "$1" ] || return 0
    if [ "$(tail -c 2 "$1" | od -An -c | tr -d ' ')" != '\r\n' ]; then
        echo "the file does not end in CR LF: [$(tail -c 20 "$1" | od -An -c)]"
        return 1
    fi
    local line n=0 bad=0
    while IFS= read -r line; do
        n=$((n + 1))
        if [[ ! $line =~ ^(\ *-?[0-9]+,\ +[0-9]+,\ +[0-9]+|\'\ .*|)$'\r'$ ]]; then
            echo "line $n: [$(printf '%s' "$line" | od -An -c | tr -s ' ')]"
            bad=1
        fi
    done <"$1"
    return "$bad"
}
