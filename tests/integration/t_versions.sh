# A short run under each Windows version (set per copy, pelmor_VERSION.exe in AppDefaults):
# start-up, panel 1, a measurement's log bytes, the memo after a foreground switch. The
# relay trace shows the path taken: CreateWindowExA on 95/98/Me, W on NT, and the
# foreground lock lifted (SystemParametersInfoA 0x2000/0x2001) on 98/Me and 2000/XP only.
. "$(dirname "$0")/lib.sh"
# Where the kernel runs no 32-bit programs the other scenarios run the 64-bit build; this
# one runs the 32-bit pelmor.exe under QEMU (a start takes a minute or more there), for one
# version of each family.
need_fake_battery
runs="win95:A:plain win98:A:lifted winme:A:lifted nt40:W:plain win2k:W:lifted winxp:W:lifted win10:W:plain"
run32() { exec "$PELMOR_WINE" "$@"; }
start_s=20 PELMOR_WAIT_SCALE=1
if [ "${PELMOR_WINE_BITS:-}" != 32 ]; then
    case ${PELMOR_I386:-none} in emulated | private) ;; *)
        skip "Wine runs the 64-bit build here and 32-bit programs cannot run: no Windows 9x or NT 4.0" ;;
    esac
    [ -f "${PELMOR_EXE32:-}" ] || abort "no 32-bit pelmor.exe (PELMOR_EXE32=${PELMOR_EXE32:-})"
    cp "$PELMOR_EXE32" "$T/pelmor.exe"
    runs=${PELMOR_EMULATED_RUNS:-"win98:A:lifted nt40:W:plain"}
    run32() { pelmor_wine32 "$@"; }
    start_s=50 PELMOR_WAIT_SCALE=12
    note "32-bit pelmor.exe under QEMU ($PELMOR_I386): $runs"
fi
keys=$'\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\r\n"RelayInclude"="user32.CreateWindowExA;user32.CreateWindowExW;user32.SystemParametersInfoA;user32.SetForegroundWindow"\r\n'
gone=$'\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\r\n"RelayInclude"=-\r\n'
for run in $runs; do
    keys+=$'\r\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\pelmor_'${run%%:*}$'.exe]\r\n"Version"="'${run%%:*}$'"\r\n'
    gone+=$'\r\n[-HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\pelmor_'${run%%:*}$'.exe]\r\n'
done
reg_import() { printf 'REGEDIT4\r\n%s' "$1" >"$T/keys.reg" && "$PELMOR_WINE" regedit /S "$(pelmor_winpath "$T/keys.reg")"; }
typed() { text_of "$MEMO" | grep -c 0123456789; }  # whole digit lines: one cut short hides none after it
reg_import "$keys" || abort "regedit failed"
notepad

for run in $runs; do
    IFS=: read -r v family path <<<"$run"
    rm -f "$LOG"
    write_ini key=1
    battery_set 77 0
    mv "$T"/pelmor*.exe "$T/pelmor_$v.exe"
    WINEDEBUG=+relay run32 "$T/pelmor_$v.exe" 2>"$ART/relay-$v.txt" &
    wine_pid=$!
    wait_until "$start_s" pm find title=Pelmor timeout=5000 ||
        { kill "$wine_pid"; abort "$v: no main window: $PM_ERROR"; }
    W=$(pm_field hwnd) PELMOR_PID=$(pm_field pid)
    SB=$(ctl 0 227) MEMO=$(ctl 8 32)
    battery_set 50 1
    if [ "$PELMOR_WAIT_SCALE" = 1 ]; then
        wait_panel 1 "ＡＣ駆動  50%"
        check "$v: caption, a Japanese caption, panel 1 on the mains" "$(text_of "$W") $(text_of "$(ctl 8 8)") ${PANELS[1]-}" \
            "Pelmor ｷｰｽﾄﾛｰｸ出力 ＡＣ駆動  50%"
    else  # the 64-bit driver reads the 32-bit program's status panels as empty: the log shows the mains
        check "$v: caption, a Japanese caption" "$(text_of "$W") $(text_of "$(ctl 8 8)")" "Pelmor ｷｰｽﾄﾛｰｸ出力"
    fi
    pm_ok check "hwnd=$(ctl 8 8)" state=1
    start_measuring
    wait_line 50 1
    battery_set 49 0
    wait_line 49 0
    pm_ok foreground "hwnd=$OTHER"
    before=$(typed)
    wait_until 4 eval '[ "$(typed)" != "$before" ]' || fail "$v: no line typed after notepad took the foreground"
    pm_ok close "hwnd=$W"
    wait_until 10 eval '! kill -0 $wine_pid 2>/dev/null' || kill "$wine_pid"
    wait "$wine_pid"
    rc=$?
    check "$v: the log's bytes (date and elapsed times masked), exit code" \
        "$(LC_ALL=C sed -e "s/^' [A-Z].*\r$/' D\r/" -e 's/^ *[0-9]*,/E,/' "$LOG" | LC_ALL=C cat -v | tr '\n' '|') $rc" \
        "^M|' D^M|' ^M|E,  50,  1^M|E,  49,  0^M|E,   0,  2^M| 0"
    # the program's own calls: those returning into its code (0x401000 on)
    calls=$(grep -E '^[0-9a-f]+:Call user32\..* ret=004' "$ART/relay-$v.txt" |
        sed -E 's/.*Call user32\.(SystemParametersInfoA\([0-9a-f]+|[A-Za-z]+).*/\1/' | sort -u | tr '\n' ' ')
    want="CreateWindowEx$family SetForegroundWindow "
    [ "$path" = lifted ] && want+="SystemParametersInfoA(00002000 SystemParametersInfoA(00002001 "
    check "$v: the window family and the foreground switch in the relay trace" "$calls" "$want"
done
pm_ok close "hwnd=$OTHER"
reg_import "$gone"
