# The web tour, run by t_native.sh after drive.py on the same display: the browser on its pipe (no listening
# port, not root), gone within 5 s of a kill -9 of Pelmor, its folder removed at the next start; then the X
# server gone while measuring: the end line and the history saved, the browser gone.  usage: tour.py APP XVFB-PID
import glob, os, re, signal, subprocess, sys, time

import pyatspi

app_dir, xvfb = sys.argv[1], int(sys.argv[2])
fails = 0


def poll(get, secs):
    end = time.time() + secs
    while not (got := get()) and time.time() < end:
        time.sleep(0.2)
    return got


def check(what, ok):
    global fails
    fails += not ok
    print(('ok    ' if ok else 'FAIL  ') + what)


def read(path, field=None):  # a file's text, or a number after field in it; None when it is gone
    try:
        text = open(path, encoding='latin-1').read()
        return int(re.search(field + r':\s+(\d+)', text)[1]) if field else text
    except (OSError, TypeError):
        return None


def browsers(pid):  # the processes Pelmor pid started, and theirs: {pid: uid}
    procs = {int(s.split('/')[2]): (read(s, 'PPid'), read(s, 'Uid')) for s in glob.glob('/proc/[0-9]*/status')}
    found = {pid}
    for _ in range(8):
        found |= {c for c, (p, _) in procs.items() if p in found}
    return {p: procs[p][1] for p in found - {pid}}


def alive(pids):
    return [p for p in pids if ') Z' not in (read(f'/proc/{p}/stat') or ') Z')]


def measure_with_tour():  # a new Pelmor measuring with the tour on; the browser up
    proc = subprocess.Popen([app_dir + '/pelmor'], cwd=app_dir)
    desk = pyatspi.Registry.getDesktop(0)
    app = poll(lambda: next((a for a in desk if a and a.get_process_id() == proc.pid), None), 15)
    find = lambda root, role, name: poll(lambda: pyatspi.findDescendant(
        root, lambda a: a.getRoleName() == role and a.name == name), 5)
    box = find(app, 'check box', 'Web巡回').queryAction()
    box.doAction([box.getName(i) for i in range(box.nActions)].index('Toggle'))
    for code, kind in ((37, pyatspi.KEY_PRESS), (39, pyatspi.KEY_PRESSRELEASE), (37, pyatspi.KEY_RELEASE)):
        pyatspi.Registry.generateKeyboardEvent(code, None, kind)  # Ctrl+S
    find(find(app, 'dialog', '測定ﾛｸﾞのｺﾒﾝﾄ'), 'push button', '測定開始').queryAction().doAction(0)
    return proc, poll(lambda: browsers(proc.pid), 40)


os.makedirs(app_dir + '/site')
for folder in (app_dir, os.path.dirname(app_dir)):
    os.chmod(folder, 0o755)
open(app_dir + '/site/a.html', 'w').write('<title>a</title>')
open(app_dir + '/url.lst', 'w').write(app_dir + '/site/a.html\n')
open(app_dir + '/pelmor.ini', 'wb').write(b'[setup]\r\nreload=20\r\n')
proc, up = measure_with_tour()
check(f'the tour started the browser: {len(up)} processes', bool(up))
ss = lambda: subprocess.run(['ss', '-ltnpH'], capture_output=True, text=True).stdout
listens = lambda: {int(p) for p in re.findall(r'pid=(\d+)', ss())} & (browsers(proc.pid).keys() | up.keys())
check('... no listening port is the browser\'s (5 s)', not poll(listens, 5))
up |= browsers(proc.pid)
check('... none as root', 0 not in up.values())
proc.kill(), proc.wait()
check('kill -9 of Pelmor: the browser gone within 5 s', poll(lambda: not alive(up), 5))
left = glob.glob('/tmp/pelmor-browser-%d-*' % proc.pid)
check('... its profile folder left behind', bool(left))
proc, up = measure_with_tour()
time.sleep(3)
up |= browsers(proc.pid)
check('the next start removed it', bool(up) and not any(map(os.path.exists, left)))
os.kill(xvfb, signal.SIGTERM)  # its socket and lock removed, for the next display
try:
    proc.wait(10)
except subprocess.TimeoutExpired:
    proc.kill()
check('the X server gone: the end line written', read(app_dir + '/pelmor.log').endswith('      0,   0,  2\n'))
check('... the history saved', re.search(r'\nendtime=\d+\n$', read(app_dir + '/pelmor.ini')) is not None)
check('... the browser gone within 5 s', poll(lambda: not alive(up), 5))
print(f'tour: {fails} failures')
sys.exit(1 if fails else 0)
