# The native program as a user meets it, driven through the accessibility
# bus (pyatspi) by t_native.sh: the window and its texts, the status bar
# following a fake battery, the settings dialog's reject and accept, a measurement with a
# Japanese comment, a battery unreadable for a while, and the keystroke load, a stop and a close; then the log
# and the settings file byte for byte, and the trace with the battery's energy.
# usage: drive.py APP-DIR POWER-DIR ARTIFACTS
import os
import re
import shutil
import subprocess
import sys
import time

import pyatspi
from gi.repository import Gio, GLib

app_dir, power, art = sys.argv[1:4]
INI, LOG = app_dir + '/pelmor.ini', app_dir + '/pelmor.log'
T0, checks, failures = time.time(), 0, 0


def poll(get, done, secs):
    end = time.time() + secs
    while not done(got := get()) and time.time() < end:
        time.sleep(0.1)
    return got


def check(what, get, want, secs=0):  # get: a value, or polled up to secs s; want: a value or a pattern
    global checks, failures
    match = (lambda g: bool(want.fullmatch(g))) if isinstance(want, re.Pattern) else (lambda g: g == want)
    got = poll(get if callable(get) else lambda: get, match, secs)
    ok = match(got)
    checks, failures = checks + 1, failures + (not ok)
    print(('ok    ' if ok else 'FAIL  ') + what + ('' if ok else f'\n        got:      {got!r}\n        expected: {want!r}'))
    return ok


def battery(pct, ac):
    status = 'Full' if pct >= 100 else 'Charging' if ac else 'Discharging'
    for name, value in (('BAT0/type', 'Battery'), ('BAT0/present', 1), ('BAT0/status', status),
                        ('BAT0/energy_full', 50000000), ('BAT0/energy_now', pct * 500000 + 999),
                        ('BAT0/energy_full_design', 56000999), ('BAT0/power_now', 7800999),
                        ('BAT0/voltage_now', 11880500), ('BAT0/cycle_count', 42),
                        ('AC/type', 'Mains'), ('AC/online', ac)):
        with open(f'{power}/{name}', 'w') as f:
            f.write(f'{value}\n')


def find(root, role, name=None, desc=None, secs=5):
    hit = poll(lambda: pyatspi.findDescendant(root, lambda a: a.getRoleName() == role and name in (None, a.name)
                                              and desc in (None, a.description)), bool, secs)
    if not hit:
        raise LookupError(f'no {role} named {name or desc!r}')
    return hit


def act(acc, action='Press'):
    a = acc.queryAction()
    a.doAction([a.getName(i) for i in range(a.nActions)].index(action))


def text(acc):
    return acc.queryText().getText(0, -1)


def showing(app, name):  # a dialog of that name on the screen; None while one closes as it is looked at
    try:
        return any(c.name == name and c.getState().contains(pyatspi.STATE_SHOWING) for c in app
                   if c.getRoleName() == 'dialog')
    except Exception:
        return None


def sleep_signal(start):  # logind's PrepareForSleep, from the name logind owns
    bus.emit_signal(None, '/org/freedesktop/login1', 'org.freedesktop.login1.Manager', 'PrepareForSleep',
                    GLib.Variant('(b)', (start,)))
    bus.flush_sync(None)


def read(path):
    return open(path, 'rb').read() if os.path.exists(path) else b''


def now():
    return int(time.time())


def steps():
    app = find(pyatspi.Registry.getDesktop(0), 'application', 'pelmor', secs=15)
    frame = find(app, 'frame', 'Pelmor')
    up1 = now()
    # ---- the window and its texts; status panel 1 following the battery ----
    bar = find(frame, 'menu bar', 'MainMenu')
    check('menu bar', [c.name for c in bar], ['ﾌｧｲﾙ(F)', '計測開始(S)'])
    check('file menu', [c.name for c in bar[0][0]], ['設定(S)...', 'Pelmorについて(A)...', '', '終了(S)'])
    for role, name in (('check box', 'ｷｰｽﾄﾛｰｸ出力'), ('check box', 'Web巡回'), ('text', 'Memo1'),
                       ('list', 'lstURL'), ('image', 'Image1'), ('status bar', 'StatusBar')):
        check(f'{role} {name}', find(frame, role, name).name, name)
    panels = [find(frame, 'label', desc=f'StatusBar.{i}') for i in range(3)]
    check('panels 0 and 2 empty: idle, no settings file', [panels[0].name, panels[2].name], ['', ''])
    for pct, ac, shown in ((77, 0, '電池駆動  77%'), (50, 1, 'ＡＣ駆動  50%'), (100, 1, 'ＡＣ駆動 満充電'),
                           (77, 0, '電池駆動  77%')):
        battery(pct, ac)
        check(f'panel 1 at {pct} %, mains {ac}', lambda: panels[1].name, shown, 4)
    check('starting the program writes no file', read(INI) + read(LOG), b'')

    # ---- the settings dialog: a rejected interval, OK, Cancel ----
    path = '/opt/ﾌﾞﾗｳｻﾞ/起動'
    setup = b'[setup]\r\niepath=' + path.encode('cp932') + b'\r\n'
    act(find(frame, 'menu item', '設定(S)...'))
    dlg = find(app, 'dialog', '設定')
    edits = [find(dlg, 'text', n) for n in ('edtIEpath', 'edtReload', 'edtKey')]
    check('settings: the defaults', [text(e) for e in edits], ['C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE', '60', '10'])
    check('settings: the hints', [e.description for e in edits[1:]], ['20秒以上', '1秒以上'])
    for e, value in zip(edits, (path, '19', '1')):
        e.queryEditableText().setTextContents(value)
    act(find(dlg, 'push button', 'OK'))
    check('OK with a web interval of 19: only the path is written', lambda: read(INI), setup, 3)
    time.sleep(0.5)
    check('... and the dialog stays open', lambda: showing(app, '設定'), True, 1)
    edits[1].queryEditableText().setTextContents('30')
    act(find(dlg, 'push button', 'OK'))
    setup += b'reload=30\r\nkey=1\r\n'
    check('OK with valid values closes the dialog', lambda: showing(app, '設定'), False, 3)
    check('... and writes them', read(INI), setup)

    # ---- Ctrl+S, a Japanese comment, 測定開始 ----
    chk = find(frame, 'check box', 'ｷｰｽﾄﾛｰｸ出力')
    act(chk, 'Toggle')
    check('keystroke check box ticked', lambda: chk.getState().contains(pyatspi.STATE_CHECKED), True, 2)
    for code, kind in ((37, pyatspi.KEY_PRESS), (39, pyatspi.KEY_PRESSRELEASE), (37, pyatspi.KEY_RELEASE)):
        pyatspi.Registry.generateKeyboardEvent(code, None, kind)  # Control_L and s in Xvfb's key map
    dlg = find(app, 'dialog', '測定ﾛｸﾞのｺﾒﾝﾄ')
    edit = find(dlg, 'text', 'edtComment')
    comment = '電池テスト ﾊﾝｶｸｶﾅ ＡＢＣ 1回目'
    edit.queryEditableText().setTextContents(comment)
    t_ok0 = now()
    act(find(dlg, 'push button', '測定開始'))
    check('測定開始 closes the dialog', lambda: showing(app, '測定ﾛｸﾞのｺﾒﾝﾄ'), False, 3)
    t_ok1 = now()
    check('the menu item now stops', find(frame, 'menu item', '計測終了(E)').name, '計測終了(E)')
    check('panel 0 counts the time', lambda: panels[0].name, re.compile(r' +\d+:\d\d:\d\d'), 3)

    # ---- battery changes logged ----
    samples = []
    for pct, ac, since in ((77, 0, t_ok0), (75, 0, None), (75, 1, None)):
        if since is None:
            since = now()
            battery(pct, ac)
        line = re.compile(rb' *-?\d+, +%d, +%d\r\n' % (pct, ac))
        check(f'log: {pct} %, mains {ac}', lambda: (read(LOG).splitlines(True) or [b''])[-1], line, 6)
        samples.append((pct, ac, since - t_ok1, now() - t_ok0))
    sleep_signal(True), time.sleep(0.5), sleep_signal(False)
    # The resume comes over the bus: its line, read afresh, before the battery goes unreadable below.
    poll(lambda: b',resume,' in read(app_dir + '/pelmor-trace.csv'), bool, 4)

    # ---- a battery unreadable for a while: the read failure shown, nothing logged ----
    logged = read(LOG)
    open(f'{power}/BAT0/energy_now', 'w').close()
    check('battery unreadable: panel 1 shows the failure', lambda: panels[1].name, 'バッテリ残量取得失敗', 4)
    time.sleep(1.5)
    check('... and the log gets nothing', read(LOG), logged)
    battery(75, 1)
    check('readable again: panel 1 follows the battery', lambda: panels[1].name, 'ＡＣ駆動  75%', 4)

    # ---- keystroke lines, about one a second ----
    memo = find(frame, 'text', 'Memo1')
    arrivals, last, lines, end = [], None, set(), time.time() + 6
    while time.time() < end:
        done = text(memo).split('\n')[:-1]  # the last line may be half typed
        if last is not None and done and len(done) != last:  # a tenth line empties the memo first
            arrivals.append((time.time(), len(done) - last if len(done) > last else len(done)))
        last = len(done)
        lines.update(done)
        time.sleep(0.1)
    gaps = [round(b[0] - a[0], 1) for a, b in zip(arrivals, arrivals[1:])]
    check(f'keystroke lines one at a time, {len(arrivals)} in 6 s', (5 <= len(arrivals) <= 7, {n for _, n in arrivals}),
          (True, {1}))
    check(f'... about a second apart: {gaps}', all(0.6 < g < 1.5 for g in gaps), True)
    check('each line the ten digits', lines, {'0123456789'})
    if shutil.which('import'):
        subprocess.run(['import', '-window', 'root', art + '/measuring.png'])

    # ---- stop, nothing logged while idle, close ----
    act(find(frame, 'menu item', '計測終了(E)'))
    check('the stop empties panel 0', lambda: panels[0].name, '', 3)
    check('the menu item starts again', find(frame, 'menu item', '計測開始(S)').name, '計測開始(S)')
    close0 = now()
    act(find(frame, 'menu item', '終了(S)'))
    check('終了 ends the program', proc.wait(10), 0)
    close1 = now()

    # ---- the log byte for byte: the date and elapsed seconds taken from it in their windows ----
    log = read(LOG)
    lines = log.split(b'\r\n')
    date = lines[1][2:].decode()
    ctimes = [time.strftime('%a %b %e %H:%M:%S %Y', time.localtime(s)) for s in range(t_ok0, t_ok1 + 1)]
    check('log: the header dated at 測定開始', date in ctimes, True)
    want = b"\r\n' " + date.encode() + b"\r\n' " + comment.encode('cp932') + b'\r\n'
    for (pct, ac, lo, hi), line in zip(samples, lines[3:]):
        elapsed = int(line.split(b',')[0]) if re.fullmatch(rb' *-?\d+, .*', line) else -1
        check(f'log: {pct} %, mains {ac} after {elapsed} s ({lo} to {hi})', lo <= elapsed <= hi, True)
        want += b'%7d, %3d, %2d\r\n' % (elapsed, pct, ac)
    check('pelmor.log byte for byte', log, want)

    # ---- the settings file: one history entry a wall-clock minute, endtime at the close ----
    ini = read(INI)
    hist = re.findall(rb'\r\n(\d+)=(\d+ [01])(?=\r\n)', ini)
    check('history entries in order', [int(i) for i, _ in hist], list(range(len(hist))))
    lo, hi = (close0 - 1) // 60 - (up1 + 2) // 60 + 1, close1 // 60 - up0 // 60 + 1
    check(f'history: {lo} to {hi} entries, the first 77 0 at start-up, battery states only',
          b'%d ' % (lo <= len(hist) <= hi) + b' '.join(e for _, e in hist), re.compile(rb'1 77 0( (77|50|100|75|74) [01])*'))
    end = re.search(rb'endtime=(\d+)\r\n$', ini)
    check('endtime at the close', bool(end) and close0 <= int(end[1]) <= close1, True)
    want = setup + b'[log]\r\n' + b''.join(b'%s=%s\r\n' % e for e in hist)
    want += b'%d=\r\nendtime=%s\r\n' % (len(hist), end[1] if end else b'')
    check('pelmor.ini byte for byte', ini, want)
    open(f'{art}/pelmor.log', 'wb').write(log), open(f'{art}/pelmor.ini', 'wb').write(ini)

    # ---- the trace: µWh, µW and µV of the battery in whole mWh, mW and mV ----
    trace = read(app_dir + '/pelmor-trace.csv')
    open(f'{art}/pelmor-trace.csv', 'wb').write(trace)
    lines = trace.split(b'\r\n')
    check('trace: the columns, then lines with CR LF', (lines[0], lines[-1]), (
        b'started,time,event,elapsed_s,source,level,energy_mwh,full_mwh,design_mwh,power_mw,voltage_mv,cycles', b''))
    iso = lambda t: time.strftime('%Y-%m-%dT%H:%M:%S', time.localtime(t)) + '%+03d:%02d' % divmod(
        time.localtime(t).tm_gmtoff // 60, 60)
    events, bad = [], []
    for line in lines[1:-1]:
        cells = line.decode().split(',')
        start = int(time.mktime(time.strptime(cells[0][:19], '%Y-%m-%dT%H:%M:%S')))
        at = start + int(cells[3])
        if cells[:2] != [iso(start), iso(at)] or cells[6:] != [str(int(cells[5]) * 500), '50000', '56000', '7800', '11880', '42']:
            bad.append(line)
        if cells[2] != 'minute':
            events.append(' '.join(cells[2:3] + cells[4:6]))
    check('trace: times with their offset, elapsed, energy, power, voltage, cycles', bad, [])
    check('trace: start, the change to mains, the sleep, stop', events, [
        'start battery 77', 'source mains 75', 'suspend mains 75', 'resume mains 75', 'stop mains 75'])
    check('trace: started at 測定開始', t_ok0 <= time.mktime(time.strptime(lines[1][:19].decode(), '%Y-%m-%dT%H:%M:%S')) <= t_ok1, True)


bus = Gio.bus_get_sync(Gio.BusType.SYSTEM, None)
bus.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'RequestName',
              GLib.Variant('(su)', ('org.freedesktop.login1', 4)), None, 0, -1, None)
battery(77, 0)
up0 = now()
proc = subprocess.Popen([app_dir + '/pelmor'], cwd=app_dir)
try:
    steps()
except Exception as e:  # a step the rest depends on failed
    checks, failures = checks + 1, failures + 1
    print(f'FAIL  {type(e).__name__}: {e}')
finally:
    proc.kill()
print(f'native: {checks - failures} of {checks} checks passed in {time.time() - T0:.0f} s')
sys.exit(1 if failures else 0)
