# A stand-in for a Chromium-family browser: the DevTools protocol on fds 3
# (read) and 4 (written), one JSON message each ended by a NUL. Notes each
# command in DIR/heard; a page is answered as DIR/mode says
# (absent: shown; "error", "errortext", "silent"). Browser.close ends it.
# usage: pipe_browser.py DIR
import json
import os
import sys

folder = sys.argv[1]


def note(line):
    with open(folder + '/heard', 'a') as f:
        f.write(line + '\n')


got = b''
while chunk := os.read(3, 65536):
    got += chunk
    while b'\0' in got:
        text, got = got.split(b'\0', 1)
        m = json.loads(text)
        note(m['method'])
        mode = open(folder + '/mode').read().strip() if os.path.exists(folder + '/mode') else ''
        page = m['method'] == 'Page.navigate'
        if m['method'] == 'Browser.close':
            sys.exit(0)
        if page and mode == 'silent':
            continue
        answer = {'id': m['id'], 'result': {'targetInfos': [{'type': 'page', 'targetId': 'T1'}], 'sessionId': 'S1'}}
        if page:
            answer['result'] = {'errorText': 'net::ERR_FAILED'} if mode == 'errortext' else {}
            if mode == 'error':
                answer = {'id': m['id'], 'error': {'code': -32000, 'message': 'no'}}
        os.write(4, json.dumps(answer).encode() + b'\0')
