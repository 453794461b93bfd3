# The web tour as a user meets it, run by t_native.sh after drive.py on the
# same display: the browser on its pipe (no listening port, not root), gone
# within seconds of a kill -9 of Pelmor, its folder removed at the next
# start; then the X server killed while measuring: the end line and the
# history saved, the browser gone.
# usage: tour.py APP-DIR XVFB-PID
import glob
import os
import re
import signal
import subprocess
import sys
import time

import pyatspi

app_dir, xvfb = sys.argv[1], int(sys.argv[2])
LOG, fails = app_dir + '/pelmor.log', 0


def poll(get, secs):
    end = time.time() + secs
    while not (got := get()) and time.time() < end:
        time.sleep(0.2)
    return got


def check(what, ok):
    global fails
    fails += not ok
    print(('ok    ' if ok else 'FAIL  ') + what)


def browsers():  # the browser's processes: (uid, command line)
    found = []
    for status in glob.glob('/proc/[0-9]*/status'):
        try:
            cmd = open(status[:-6] + 'cmdline', 'rb').read().replace(b'\0', b' ').decode()
            uid = int(re.search(r'Uid:\s+(\d+)', open(status).read())[1])
        except (OSError, TypeError):
            continue
        if 'pelmor-browser-' in cmd and 'python' not in cmd:
            found.append((uid, cmd))
    return found


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
    return proc, poll(browsers, 40)


os.makedirs(app_dir + '/site', mode=0o755)
open(app_dir + '/site/a.html', 'w').write('<title>a</title>')
for folder in (app_dir, os.path.dirname(app_dir)):
    os.chmod(folder, 0o755)
open(app_dir + '/url.lst', 'w').write(app_dir + '/site/a.html\n')
open(app_dir + '/pelmor.ini', 'wb').write(b'[setup]\r\nreload=20\r\n')
proc, up = measure_with_tour()
check(f'the tour started the browser: {len(up)} processes', bool(up))
listens = lambda: re.search(r'chrom', subprocess.run(['ss', '-ltnpH'], capture_output=True, text=True).stdout, re.I)
check('... no listening port is the browser\'s (5 s)', not poll(listens, 5))
check('... none as root', all(uid != 0 for uid, _ in browsers() + up))
proc.kill()
proc.wait()
check('kill -9 of Pelmor: the browser gone within 5 s', poll(lambda: not browsers(), 5))
left = glob.glob('/tmp/pelmor-browser-%d-*' % proc.pid)
check('... its profile folder left behind', bool(left))
proc, up = measure_with_tour()
check('the next start removed it', bool(up) and not any(map(os.path.exists, left)))
os.kill(xvfb, signal.SIGKILL)
try:
    proc.wait(10)
except subprocess.TimeoutExpired:
    proc.kill()
log = open(LOG, 'rb').read()
check('the X server killed: the end line written', log.endswith(b'      0,   0,  2\r\n'))
check('... the history saved', re.search(rb'\r\nendtime=\d+\r\n$', open(app_dir + '/pelmor.ini', 'rb').read()) is not None)
check('... the browser gone within 5 s', poll(lambda: not browsers(), 5))
print(f'tour: {fails} failures')
sys.exit(1 if fails else 0)
