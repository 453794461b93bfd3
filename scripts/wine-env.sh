#!/usr/bin/env bash
# Wine for Pelmor: which loader runs the Windows builds, the project-local
# prefix, and a private X display. Sourced by scripts/run.sh, scripts/test.sh
# and the integration scenarios; run directly it starts or stops the display
# and Wine server that one integration run shares:
#   scripts/wine-env.sh session-start FILE   writes the session's variables to FILE
#   scripts/wine-env.sh session-stop FILE    ends what session-start started
#   scripts/wine-env.sh prefix PREFIX        makes the prefix ahead of time, on a
#                                            display and Wine server of its own
#
# Environment (all optional):
#   PELMOR_BUILD      build root (default: build in the checkout)
#   PELMOR_WINE_BITS  32 or 64: force the Windows build that Wine runs
#   PELMOR_WINEPREFIX Wine prefix (default: $PELMOR_BUILD/wine/prefix-<bits>)
#   PELMOR_DISPLAY    X display for the tests, e.g. :93 (default: the first free from :90)

PELMOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PELMOR_BUILD=${PELMOR_BUILD:-$PELMOR_ROOT/build}
case $PELMOR_BUILD in /*) ;; *) PELMOR_BUILD=$PELMOR_ROOT/$PELMOR_BUILD ;; esac

# The settings every Wine process of ours gets: the Japanese locale (code
# page 932) and no prompts for Mono or Gecko.
pelmor_wine_base_env() {
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEDEBUG=${PELMOR_WINEDEBUG:--all}
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    # The Windows C runtime reads TZ in its own "JST-9" form and takes a
    # Linux zone name such as Asia/Tokyo as UTC; without TZ it uses the
    # system's time zone, as Windows programs do.
    unset TZ
}

# i386 programs on a kernel that runs none: QEMU's user-mode emulator
# (Debian's qemu-user-static) through a binfmt_misc entry for 32-bit x86 ELF
# programs. Registered with the F flag, the emulator is opened once at
# registration and serves every mount namespace and chroot.
PELMOR_QEMU_I386=${PELMOR_QEMU_I386:-/usr/bin/qemu-i386-static}
pelmor_i386_entry() {
    printf ':pelmor-i386:M::%s:%s:%s:F' \
        '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
        '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
        "$PELMOR_QEMU_I386"
}

# True when an enabled binfmt_misc entry hands i386 programs to QEMU: it is
# consulted before the kernel's own ELF loader, so 32-bit programs are then
# emulated even where the kernel could run them.
pelmor_i386_emulated() {
    local f
    for f in /proc/sys/fs/binfmt_misc/*; do
        [ -f "$f" ] && grep -qx enabled "$f" 2>/dev/null && grep -q '^interpreter .*qemu-i386' "$f" && return 0
    done
    return 1
}

# Sets PELMOR_I386 to how this machine runs 32-bit x86 programs: native,
# emulated (a QEMU entry of the machine's), private (QEMU entries in a
# binfmt_misc of a private user namespace, for one program at a time: see
# pelmor_wine32) or none. As root it registers the machine's entry when the
# kernel runs no 32-bit programs, mounting binfmt_misc first if needed.
# PELMOR_EMULATE_I386=1 takes the private way even where the kernel runs
# them, so that this path can be tried on any machine, the machine's own
# 32-bit programs untouched.
pelmor_i386_setup() {
    PELMOR_I386=none
    local loader=/usr/lib/wine/wine
    if [ "${PELMOR_EMULATE_I386:-0}" = 1 ]; then
        if [ -x "$PELMOR_QEMU_I386" ] && (PELMOR_I386=private pelmor_wine32 --version) >/dev/null 2>&1; then
            PELMOR_I386=private
        else
            echo "i386: no private emulation ($PELMOR_QEMU_I386 and a kernel of 6.7 or later needed)" >&2
        fi
    elif pelmor_i386_emulated; then
        PELMOR_I386=emulated
    elif [ -x "$loader" ] && "$loader" --version >/dev/null 2>&1; then
        PELMOR_I386=native
    elif [ -x "$PELMOR_QEMU_I386" ] && [ "$(id -u)" = 0 ]; then
        local misc=/proc/sys/fs/binfmt_misc
        [ -e "$misc/register" ] || mount -t binfmt_misc binfmt_misc "$misc" 2>/dev/null
        if [ -e "$misc/register" ] && pelmor_i386_entry >"$misc/register" 2>/dev/null &&
            pelmor_i386_emulated; then
            echo "i386: registered $PELMOR_QEMU_I386 for 32-bit programs in $misc" >&2
            PELMOR_I386=emulated
        else
            echo "i386: could not register $PELMOR_QEMU_I386 in $misc" >&2
        fi
    fi
    export PELMOR_I386
}

# Replaces the shell with the 32-bit Wine loader and the arguments, emulated
# in a private binfmt_misc when PELMOR_I386 is private: run it in a subshell
# or in the background (where $! is then Wine's process).
pelmor_wine32() {
    local loader=/usr/lib/wine/wine
    [ -x "$loader" ] || loader=$(command -v wine)
    [ "${PELMOR_I386:-}" = private ] || exec "$loader" "$@"
    exec unshare --user --map-root-user --mount --propagation private bash -c '
        misc=/proc/sys/fs/binfmt_misc
        mount -t binfmt_misc binfmt_misc "$misc" && printf "%s" "$1" >"$misc/register" || exit 126
        shift
        exec "$@"' pelmor-i386 "$(pelmor_i386_entry)" "$loader" "$@"
}

# Sets PELMOR_WINE_BITS (32 or 64), PELMOR_WINE (the loader) and
# PELMOR_WINESERVER. 32-bit Wine is used where it runs natively; some
# machines (containers without 32-bit support) run 64-bit programs only, and
# where 32-bit programs are emulated the 64-bit build is much the faster.
pelmor_pick_wine() {
    local bits=${PELMOR_WINE_BITS:-}
    if [ -z "$bits" ]; then
        if [ "${PELMOR_EMULATE_I386:-0}" = 1 ] || pelmor_i386_emulated; then
            bits=64
        elif [ -x /usr/lib/wine/wine ]; then
            # Debian's layout: the 32-bit loader is a 32-bit Linux program.
            if /usr/lib/wine/wine --version >/dev/null 2>&1; then bits=32; else bits=64; fi
        elif command -v wine >/dev/null 2>&1 && wine --version >/dev/null 2>&1; then
            bits=32
        else
            bits=64
        fi
    fi
    PELMOR_WINE_BITS=$bits
    if [ "$bits" = 32 ]; then
        PELMOR_WINE=$(command -v wine || true)
    elif [ -x /usr/lib/wine/wine64 ]; then
        PELMOR_WINE=/usr/lib/wine/wine64
    else
        PELMOR_WINE=$(command -v wine64 || command -v wine || true)
    fi
    if [ -x /usr/lib/wine/wineserver64 ] && [ "$bits" = 64 ]; then
        PELMOR_WINESERVER=/usr/lib/wine/wineserver64
    else
        PELMOR_WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
    fi
    if [ -z "$PELMOR_WINE" ]; then
        echo "wine: no Wine loader found (scripts/deps.sh run installs it)" >&2
        return 1
    fi
    export PELMOR_WINE_BITS PELMOR_WINE PELMOR_WINESERVER
}

# A Windows path for a file of this machine (Wine maps / to drive Z:).
pelmor_winpath() {
    local p
    p=$(readlink -f -- "$1" 2>/dev/null || echo "$1")
    printf 'Z:%s' "${p//\//\\}"
}

# The title-bar buttons are glyphs of the Marlett symbol font. Wine's own
# copy (Debian's fonts-wine) is not among the fonts this Wine loads, so with
# the Japanese locale the buttons come out as the letters "0 1 r" in a
# fallback face. A copy in the prefix's Fonts folder is loaded at start-up
# and the buttons look as on Windows.
pelmor_prefix_fonts() {
    local fonts=$1/drive_c/windows/Fonts f
    [ -f "$fonts/marlett.ttf" ] && return 0
    for f in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf \
        /usr/local/share/wine/fonts/marlett.ttf; do
        if [ -f "$f" ] && [ -d "$fonts" ]; then
            cp "$f" "$fonts/marlett.ttf"
            return 0
        fi
    done
    echo "wine: no marlett.ttf (package fonts-wine): title-bar buttons are drawn as letters" >&2
}

# Creates the prefix once (about 10-15 s) and reuses it. desktop=1 makes every
# window of the prefix live on one 1024x768 Wine desktop, which draws the
# window frames itself (no window manager is needed).
pelmor_prefix() {
    local prefix=$1 desktop=${2:-0}
    export WINEPREFIX=$prefix
    if [ -f "$prefix/.pelmor-ready" ]; then
        pelmor_prefix_fonts "$prefix"
        return 0
    fi
    mkdir -p "$prefix"
    echo "wine: creating the prefix $prefix (once)" >&2
    local t0=$SECONDS
    "$PELMOR_WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
    if [ "$desktop" = 1 ]; then
        local reg="$prefix/pelmor-desktop.reg"
        printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x768"\r\n' >"$reg"
        "$PELMOR_WINE" regedit /S "$(pelmor_winpath "$reg")" >/dev/null 2>&1 </dev/null || true
    fi
    "$PELMOR_WINESERVER" -w >/dev/null 2>&1 || true
    if [ ! -f "$prefix/system.reg" ]; then
        echo "wine: could not create the prefix $prefix" >&2
        return 1
    fi
    pelmor_prefix_fonts "$prefix"
    touch "$prefix/.pelmor-ready"
    echo "wine: prefix ready in $((SECONDS - t0)) s" >&2
}

pelmor_display_free() {
    local n=$1
    [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]
}

# Starts Xvfb on the given display (":N") or on the first free one from :90.
# Sets DISPLAY and PELMOR_XVFB_PID.
pelmor_xvfb_start() {
    local want=${1:-} n tries
    local candidates=()
    if [ -n "$want" ]; then candidates=("${want#:}"); else
        for ((n = 90; n < 190; n++)); do candidates+=("$n"); done
    fi
    for n in "${candidates[@]}"; do
        pelmor_display_free "$n" || continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
        PELMOR_XVFB_PID=$!
        for ((tries = 0; tries < 100; tries++)); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$PELMOR_XVFB_PID" 2>/dev/null || break
            sleep 0.05
        done
        if kill -0 "$PELMOR_XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
            export DISPLAY=":$n" PELMOR_XVFB_PID
            return 0
        fi
        wait "$PELMOR_XVFB_PID" 2>/dev/null
    done
    echo "wine: could not start Xvfb${want:+ on $want}" >&2
    return 1
}

# The Wine server of the prefix, kept up between programs until session-stop.
pelmor_session_start() {
    local file=$1
    pelmor_wine_base_env
    [ -n "${PELMOR_WINESERVER:-}" ] || pelmor_pick_wine || return 1
    : "${PELMOR_WINE:?}" "${WINEPREFIX:?}"
    pelmor_xvfb_start "${PELMOR_DISPLAY:-}" || return 1
    pelmor_prefix "$WINEPREFIX" 1 || { kill "$PELMOR_XVFB_PID"; return 1; }
    "$PELMOR_WINESERVER" -p >/dev/null 2>&1 </dev/null &
    sleep 0.2
    {
        printf 'export DISPLAY=%q\n' "$DISPLAY"
        printf 'PELMOR_XVFB_PID=%q\n' "$PELMOR_XVFB_PID"
    } >"$file"
    echo "session: Xvfb on $DISPLAY (pid $PELMOR_XVFB_PID), Wine ${PELMOR_WINE_BITS:-?}-bit ($PELMOR_WINE), prefix $WINEPREFIX"
}

pelmor_session_stop() {
    local file=$1
    pelmor_wine_base_env
    [ -n "${PELMOR_WINESERVER:-}" ] || pelmor_pick_wine || return 1
    [ -f "$file" ] || return 0
    # shellcheck disable=SC1090
    . "$file"
    "$PELMOR_WINESERVER" -k >/dev/null 2>&1 || true
    "$PELMOR_WINESERVER" -w >/dev/null 2>&1 || true
    if [ -n "${PELMOR_XVFB_PID:-}" ]; then
        kill "$PELMOR_XVFB_PID" 2>/dev/null || true
    fi
    rm -f "$file"
    echo "session: stopped $DISPLAY"
}

pelmor_prefix_ahead() {
    local rc
    pelmor_wine_base_env
    pelmor_pick_wine || return 1
    [ -f "$1/.pelmor-ready" ] && return 0
    pelmor_xvfb_start || return 1
    pelmor_prefix "$1" 1
    rc=$?
    kill "$PELMOR_XVFB_PID"
    return "$rc"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -uo pipefail
    case ${1:-} in
    session-start) pelmor_session_start "$2" ;;
    session-stop) pelmor_session_stop "$2" ;;
    prefix) pelmor_prefix_ahead "$2" ;;
    *)
        echo "usage: $0 session-start FILE | session-stop FILE | prefix PREFIX" >&2
        exit 2
        ;;
    esac
fi
