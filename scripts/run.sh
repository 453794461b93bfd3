#!/usr/bin/env bash
# Builds Pelmor and starts it.
#   On Windows (Git Bash / MSYS2 with MinGW-w64 and CMake): builds and runs
#   pelmor.exe.
#   On Linux (Debian, as root for the first run): installs what it needs,
#   cross-compiles the Windows program and runs it under Wine with the
#   Japanese locale, in a prefix of its own (build/wine/run-<bits>). The
#   window appears on $DISPLAY; without a display, Pelmor runs on a private
#   Xvfb display and a screenshot of it is written every few seconds.
# Pelmor keeps pelmor.ini, pelmor.log and url.lst beside its exe; here that
# is build/run/ (PELMOR_RUN_DIR), kept between runs.
set -euo pipefail

# shellcheck source=scripts/wine-env.sh
. "$(dirname "$0")/wine-env.sh"
cd "$PELMOR_ROOT"
B=$PELMOR_BUILD
JOBS=${PELMOR_JOBS:-2}
RUN_DIR=${PELMOR_RUN_DIR:-$B/run}

build() {  # build DIR [cmake options]
    local dir=$1
    shift
    echo "run: building $dir"
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$JOBS" --target pelmor
}

exe_in() {
    find "$1" -name pelmor.exe -not -path '*/CMakeFiles/*' -type f | head -1
}

install_exe() {  # install_exe EXE: copies it into the run folder
    mkdir -p "$RUN_DIR"
    cp "$1" "$RUN_DIR/pelmor.exe"
    echo "run: $RUN_DIR/pelmor.exe (its settings, log and URL list live beside it)"
}

case "$(uname -s)" in
MINGW* | MSYS* | CYGWIN*)
    build "$B/windows" -G "MinGW Makefiles"
    install_exe "$(exe_in "$B/windows")"
    exec "$RUN_DIR/pelmor.exe"
    ;;
esac

scripts/deps.sh run
pelmor_pick_wine
build "$B/win32" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
if [ "$PELMOR_WINE_BITS" = 64 ]; then
    echo "run: this machine cannot run 32-bit programs; Wine runs the 64-bit build of the same sources"
    build "$B/win64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
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
if [ -n "$shots" ]; then
    while kill -0 "$app" 2>/dev/null; do
        sleep 5
        import -display "$DISPLAY" -window root "$RUN_DIR/screen.png" 2>/dev/null || true
    done
fi
code=0
wait "$app" || code=$?
echo "run: Pelmor ended with exit code $code"
[ -n "$xvfb_pid" ] && { "$PELMOR_WINESERVER" -k >/dev/null 2>&1 || true; kill "$xvfb_pid" 2>/dev/null; }
exit "$code"
