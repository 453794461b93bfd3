# The web tour as a user meets it, run by t_native.sh after drive.py on the
# same display: the browser on its pipe (no listening port, not root), gone
# within seconds of a kill -9 of Pelmor, its folder removed at the next
# start; then the X server killed while measuring: the end line and the
# history saved, the browser gone.
# usage: tour.py APP-DIR XVFB-PID
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


def browsers(pid):  # the processes Pelmor pid started, and theirs: {pid: uid}
    parents, uids = {}, {}
    for status in glob.glob('/proc/[0-9]*/status'):
        try:
            text = open(status).read()
            child = int(status.split('/')[2])
            parents[child], uids[child] = int(re.search(r'PPid:\s+(\d+)', text)[1]), int(re.search(r'Uid:\s+(\d+)', text)[1])
        except (OSError, TypeError):
            pass
    found = {pid}
    for _ in range(8):
        found |= {c for c, p in parents.items() if p in found}
    return {p: uids[p] for p in found - {pid} if p in uids}


def alive(pids):  # those still running
    def running(p):
        try:
            return ') Z' not in open(f'/proc/{p}/stat').read()
        except OSError:
            return False
    return [p for p in pids if running(p)]


def measure_with_tour():  # a new Pelmor measuring with the tour on; the browser up
    proc = subprocess.Popen([app_dir + '/pelmor'], cwd=app_dir)
    desk = pyatspi.Registry.getDesktop(0)
    app = poll(lambda: next((a for a in desk if a and a.get_process_id() == proc.pid), None), 15)
    find = lambda root, role, name: poll(lambda: pyatspi.findDescendant(
        root, lambda a: a.getRoleName() == role and a.name == name), 5)
    box = find(app, 'check box', 'Web巡回').queryAction()
    box.doAction([box.getName(i) for i in range(box.nActions)].index('Toggle'))
    for code, kind in ((37, pyatspi.KEY_PRESS), (39, pyatspi.KEY_PRESSRELEASE), (37, pyatspi.KEY_RELEASE)):
        pyatspi.Registry.generateKeyboardEvent(code, None, kind)
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
check('... none as root', 0 not in [*browsers(proc.pid).values(), *up.values()])
up = browsers(proc.pid) | up
proc.kill(), proc.wait()
check('kill -9 of Pelmor: the browser gone within 5 s', poll(lambda: not alive(up), 5))
left = glob.glob('/tmp/pelmor-browser-%d-*' % proc.pid)
check('... its profile folder left behind', bool(left))
proc, up = measure_with_tour()
time.sleep(3)
up = browsers(proc.pid) | up
check('the next start removed it', bool(up) and not any(map(os.path.exists, left)))
os.kill(xvfb, signal.SIGTERM)  # its socket and lock removed, for the next display
try:
    proc.wait(10)
except subprocess.TimeoutExpired:
    proc.kill()
check('the X server killed: the end line written', open(app_dir + '/pelmor.log', 'rb').read().endswith(b'      0,   0,  2\r\n'))
check('... the history saved', re.search(rb'\r\nendtime=\d+\r\n$', open(app_dir + '/pelmor.ini', 'rb').read()) is not None)
check('... the browser gone within 5 s', poll(lambda: not alive(up), 5))
print(f'tour: {fails} failures')
sys.exit(1 if fails else 0)
