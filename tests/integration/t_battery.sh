# Status panel 1 follows the power status: a fake battery under
# /sys/class/power_supply (the files Wine reads) is changed while Pelmor runs.
. "$(dirname "$0")/lib.sh"
need_fake_battery

battery_set 77 0
pelmor_start
pm_ok control class=msctls_statusbar32
sb=$(pm_field control hwnd)

# wait_panel1 TEXT: waits up to 5 s for panel 1 to read TEXT.
PANEL1=
panel1_is() { panel_texts "$sb" && PANEL1=${PANELS[1]-} && [ "$PANEL1" = "$1" ]; }
expect_panel1() {  # DESCRIPTION TEXT
    wait_until 5 panel1_is "$2" || true
    check "$1" "$PANEL1" "$2"
}

expect_panel1 "77 % on battery" "電池駆動  77%"
battery_set 50 1
expect_panel1 "50 % on AC power" "ＡＣ駆動  50%"
battery_set 5 0
expect_panel1 "5 % on battery" "電池駆動   5%"
battery_set 100 1
expect_panel1 "full on AC power" "ＡＣ駆動 満充電"
battery_remove
expect_panel1 "no battery: level undetermined, shown as full" "ＡＣ駆動 満充電"
battery_set 99 0
expect_panel1 "99 % on battery" "電池駆動  99%"
screenshot battery-99 "$PELMOR_HWND"

pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not end: $PM_ERROR"
check "exit code" "${PELMOR_EXIT-}" 0
