#!/usr/bin/env bash
# Builds Pelmor and starts it.
#   scripts/run.sh          on Linux (Debian, as root for the first run):
#                           installs what it needs, builds the native Linux
#                           program `pelmor` (Qt) and runs it.
#   scripts/run.sh --wine   on Linux: cross-compiles the Windows program and
#                           runs it under Wine with the Japanese locale, in a
#                           prefix of its own (build/wine/run-<bits>).
#   On Windows (Git Bash / MSYS2 with MinGW-w64 and CMake): builds and runs
#   pelmor.exe.
# The window appears on $DISPLAY; without a display, Pelmor runs on a private
# Xvfb display and a screenshot of it is written every few seconds.
# Pelmor keeps pelmor.ini, pelmor.log and url.lst beside its program; here
# that is build/run/ (PELMOR_RUN_DIR), kept between runs and shared by the
# two programs, whose files are the same byte for byte.
set -euo pipefail

# shellcheck source=scripts/wine-env.sh
. "$(dirname "$0")/wine-env.sh"
cd "$PELMOR_ROOT"
B=$PELMOR_BUILD
JOBS=${PELMOR_JOBS:-2}
RUN_DIR=${PELMOR_RUN_DIR:-$B/run}

build() {  # build DIR [cmake options], such as --preset NAME (CMakePresets.json)
    local dir=$1
    shift
    echo "run: building $dir"
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$JOBS" --target pelmor
}

wine=0
case ${1:-} in
--wine) wine=1 ;;
"") ;;
*)
    echo "usage: scripts/run.sh [--wine]" >&2
    exit 2
    ;;
esac

exe_in() {
    find "$1" -name pelmor.exe -not -path '*/CMakeFiles/*' -type f | head -1
}

install_exe() {  # install_exe EXE [NAME]: copies it into the run folder
    local name=${2:-pelmor.exe}
    mkdir -p "$RUN_DIR"
    cp "$1" "$RUN_DIR/$name"
    echo "run: $RUN_DIR/$name (its settings, log and URL list live beside it)"
}

# Screenshots of the private display every 5 s while the program runs.
shoot_while() {  # shoot_while PID
    command -v import >/dev/null 2>&1 || return 0
    while kill -0 "$1" 2>/dev/null; do
        sleep 5
        import -display "$DISPLAY" -window root "$RUN_DIR/screen.png" 2>/dev/null || true
    done
}

# The native Linux program: no Wine, no prefix. It ends on SIGTERM as at the
# end of a session, saving its history.
run_native() {
    scripts/deps.sh run
    build "$B/native" --preset native
    install_exe "$B/native/pelmor" pelmor
    local xvfb_pid=
    if [ -z "${DISPLAY:-}" ]; then
        pelmor_xvfb_start "${PELMOR_DISPLAY:-}"
        xvfb_pid=$PELMOR_XVFB_PID
        echo "run: no DISPLAY: Pelmor runs on the private display $DISPLAY (Xvfb, 1024x768)."
        echo "run: a screenshot is saved to $RUN_DIR/screen.png every 5 s; look at it, or"
        echo "     connect a viewer to $DISPLAY. Ctrl+C ends Pelmor."
    else
        echo "run: Pelmor opens on $DISPLAY"
    fi
    # The installing needs root; Pelmor runs as the user who called this
    # script through sudo or pkexec, and its files beside it are theirs.
    local as=() caller=${SUDO_UID:-${PKEXEC_UID:-}}
    if [ "$(id -u)" = 0 ] && [ -n "$caller" ] && [ "$caller" != 0 ]; then
        local name gid home
        IFS=: read -r name _ _ gid _ home _ < <(getent passwd "$caller")
        chown -R "$caller:$gid" "$RUN_DIR"
        as=(setpriv --reuid="$caller" --regid="$gid" --init-groups env HOME="$home" USER="$name" LOGNAME="$name")
        echo "run: Pelmor runs as $name"
    fi
    "${as[@]}" "$RUN_DIR/pelmor" </dev/null &
    local app=$!
    trap 'kill "$app" 2>/dev/null; wait "$app"; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; exit 130' INT TERM
    [ -n "$xvfb_pid" ] && shoot_while "$app"
    local code=0
    wait "$app" || code=$?
    echo "run: Pelmor ended with exit code $code"
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    exit "$code"
}

case "$(uname -s)" in
MINGW* | MSYS* | CYGWIN*)
    build "$B/windows" -G "MinGW Makefiles"
    install_exe "$(exe_in "$B/windows")"
    exec "$RUN_DIR/pelmor.exe"
    ;;
esac

[ "$wine" = 1 ] || run_native

scripts/deps.sh run
pelmor_pick_wine
build "$B/win32" --preset win32
if [ "$PELMOR_WINE_BITS" = 64 ]; then
    echo "run: this machine cannot run 32-bit programs; Wine runs the 64-bit build of the same sources"
    build "$B/win64" --preset win64
fi
install_exe "$(exe_in "$B/win$PELMOR_WINE_BITS")"
pelmor_wine_base_env
echo "run: Wine $PELMOR_WINE_BITS-bit: $PELMOR_WINE"

xvfb_pid=
shots=
if [ -z "${DISPLAY:-}" ]; then
    pelmor_xvfb_start "${PELMOR_DISPLAY:-}"
    xvfb_pid=$PELMOR_XVFB_PID
    # A Wine desktop on the bare display draws the window frames.
    pelmor_prefix "${PELMOR_WINEPREFIX:-$B/wine/run-desktop-$PELMOR_WINE_BITS}" 1
    echo "run: no DISPLAY: Pelmor runs on the private display $DISPLAY (Xvfb, 1024x768)."
    echo "run: a screenshot is saved to $RUN_DIR/screen.png every 5 s; look at it, or"
    echo "     connect a viewer to $DISPLAY. Ctrl+C ends Pelmor."
    command -v import >/dev/null 2>&1 && shots=1
else
    pelmor_prefix "${PELMOR_WINEPREFIX:-$B/wine/run-$PELMOR_WINE_BITS}" 0
    echo "run: Pelmor opens on $DISPLAY"
fi

"$PELMOR_WINE" "$(pelmor_winpath "$RUN_DIR/pelmor.exe")" </dev/null &
app=$!
stop() {
    kill "$app" 2>/dev/null || true
    "$PELMOR_WINESERVER" -k >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap 'stop; exit 130' INT TERM
[ -n "$shots" ] && shoot_while "$app"
code=0
wait "$app" || code=$?
echo "run: Pelmor ended with exit code $code"
[ -n "$xvfb_pid" ] && { "$PELMOR_WINESERVER" -k >/dev/null 2>&1 || true; kill "$xvfb_pid" 2>/dev/null; }
exit "$code"
