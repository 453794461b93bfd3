#!/usr/bin/env bash
# The native program driven from outside like a user, through the
# accessibility bus (drive.py, then the web tour, tour.py): a private X
# display, a private session bus with the AT-SPI bus on it, and a fake
# battery bind-mounted over
# /sys/class/power_supply in a private mount namespace. Exits 77 (skipped)
# where the machine has none of these. usage: t_native.sh PELMOR [ARTIFACTS]
set -u
skip() { echo "SKIP  $*"; exit 77; }
exe=$(readlink -f "${1:?usage: t_native.sh PELMOR [ARTIFACTS]}")
art=$(mkdir -p "${2:-$PWD/native-artifacts}" && readlink -f "${2:-$PWD/native-artifacts}")
if [ -z "${PELMOR_NS:-}" ]; then
    [ "$(id -u)" = 0 ] || skip "the fake battery needs root"
    for c in Xvfb dbus-run-session unshare /usr/libexec/at-spi-bus-launcher; do command -v "$c" >/dev/null || skip "no $c"; done
    /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "no python3-pyatspi for /usr/bin/python3"
    unshare -m --propagation private true 2>/dev/null || skip "no private mount namespace"
    # The bus daemons are chatty: the script's own errors go to fd 4.
    PELMOR_NS=1 exec unshare -m --propagation private dbus-run-session -- bash "$0" "$exe" "$art" 4>&2 2>/dev/null
fi
exec 2>&4

work=$(mktemp -d /tmp/pelmor-native-XXXXXX)
pids=()
finish() {
    kill "${pids[@]}" 2>/dev/null
    wait  # an X server still going would remove the socket of the next one on its display
    umount /sys/class/power_supply 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT
mkdir -p "$work/power/BAT0" "$work/power/AC" "$work/app" "$work/run"
chmod 700 "$work/run"
cp "$exe" "$work/app/pelmor"
mount --bind "$work/power" /sys/class/power_supply || skip "cannot bind-mount over /sys/class/power_supply"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X$(cat "$work/display")" ] && break; sleep 0.1; done
[ -S "/tmp/.X11-unix/X$(cat "$work/display")" ] || skip "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done  # taking connections
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 LANG=ja_JP.UTF-8 XDG_RUNTIME_DIR=$work/run
# The session bus stands in for the system bus, where drive.py plays logind.
DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS \
    /usr/bin/python3 "$(dirname "$0")/drive.py" "$work/app" "$work/power" "$art"
rc=$?
# The web tour last: it ends with the X server killed.
if command -v chromium >/dev/null && command -v ss >/dev/null; then
    /usr/bin/python3 "$(dirname "$0")/tour.py" "$work/app" "${pids[0]}" || rc=1
else
    echo "SKIP  the web tour: no chromium or ss"
fi
exit $rc
