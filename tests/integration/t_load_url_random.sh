# A url.lst of random bytes loads without harm: the program starts, the
# list holds the tokens the file has (over-long ones left out; the C
# runtime's text mode ends the file at the first Ctrl+Z), and the browser
# gets the first entry's bytes unchanged.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/load_lib.sh"

command -v python3 >/dev/null || skip "python3 is needed to make the file"
# 200 KB of random bytes with few white-space bytes (long tokens occur), no
# Ctrl+Z in the first 150 KB, then one; the first token is a plain one.
python3 - "$T/url.lst" "$T/expected" <<'PY'
import random, re, sys
rng = random.Random(1234)
ws = b" \t\n\r\x0b\x0c"
def chunk(n):
    out = bytearray()
    for _ in range(n):
        b = rng.randrange(256)
        while b == 0x1A or (b in ws and rng.randrange(6)):
            b = rng.randrange(256)
        out.append(b)
    return bytes(out)
data = b"http://127.0.0.1:9/\x83e\x83X\x83g\x95\\\x8e\xa6 " + chunk(150000) + b"\x1a" + chunk(50000)
open(sys.argv[1], "wb").write(data)
text = data[:data.index(b"\x1a")]
tokens = [t.split(b"\0")[0] for t in re.split(rb"[ \t\n\r\x0b\x0c]+", text) if 0 < len(t) <= 255]
open(sys.argv[2], "w").write("%d\n" % len(tokens))
PY
expected=$(cat "$T/expected")
note "tokens of 255 bytes or fewer before the first Ctrl+Z: $expected"
write_ini key=3600 reload=2 'iepath=C:\no-browser-here\iexplore.exe'
dde_start srv
pelmor_start
list=$(field "$(control_at 128 32 "$PELMOR_HWND")" hwnd) || abort "no list box"
pm_ok items "hwnd=$list"
check "the list holds every token up to the first Ctrl+Z" "$(pm_field listbox count)" "$expected"
check "the first entry shown in Japanese" "$(pm_field item text 0)" "http://127.0.0.1:9/テスト表示"
tick_box 128 8
start_measuring
wait_until 10 test -s "$T/srv/rec" || fail "no page sent"
check "the browser got the first entry's bytes" "$(head -1 "$T/srv/rec" | tr -d '\n' | od -An -tx1 | tr -d ' \n')" \
    "$(printf 'http://127.0.0.1:9/\x83e\x83X\x83g\x95\\\x8e\xa6' | od -An -tx1 | tr -d ' \n')"
bar=$(pm control class=msctls_statusbar32 && printf '%s' "${PM_LINES[0]}") || abort "no status bar"
panel_texts "$(field "$bar" hwnd)"
check_match "the window goes on working: panel 1 shows the power status" "${PANELS[1]}" '.+'
stop_measuring
dde_stop srv
