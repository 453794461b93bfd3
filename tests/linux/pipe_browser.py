# A stand-in for a Chromium-family browser: the DevTools protocol on fds 3
# (read) and 4 (written), one JSON message each ended by a NUL. Notes each
# command in DIR/heard; a page is answered as DIR/mode says (empty: shown;
# "error", "errortext", "silent"). Browser.close ends it.
# usage: pipe_browser.py DIR
import json, os, sys

folder, got = sys.argv[1], b''
while chunk := os.read(3, 65536):
    *messages, got = (got + chunk).split(b'\0')
    for m in map(json.loads, messages):
        open(folder + '/heard', 'a').write(m['method'] + '\n')
        mode = open(folder + '/mode').read() if m['method'] == 'Page.navigate' else 'targets'
        if m['method'] == 'Browser.close':
            sys.exit(0)
        answer = {'targets': {'result': {'targetInfos': [{'type': 'page', 'targetId': 'T1'}], 'sessionId': 'S1'}},
                  '': {'result': {}}, 'errortext': {'result': {'errorText': 'net::ERR_FAILED'}},
                  'error': {'error': {'code': -32000, 'message': 'no'}}}.get(mode)
        if answer:
            os.write(4, json.dumps({'id': m['id'], **answer}).encode() + b'\0')
