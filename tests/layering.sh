#!/usr/bin/env bash
# The Windows calls, types and constants stay in the Windows folders, and the
# neutral code includes no platform's header. Prints each offending line;
# exits 1 when there is one.
cd "$(dirname "$0")/.." || exit 2
win32='GetVersionEx|keybd_event|SystemParametersInfo|SetForegroundWindow|CreateMutex|GetSystemPowerStatus|SECURITY_ATTRIBUTES|\bMB_[A-Z]+|\bDde[A-Z]\w*\(|\bDDE|\bXTYP_|\bHWND\b|\bHINSTANCE\b|\bDWORD\b|\bWPARAM\b|\bLPARAM\b|\bWINAPI\b|<windows\.h>'
bad=$(git ls-files '*.cpp' '*.h' | grep -vE '^(platform/win32|app/win32|tests|bench)/' |
    xargs grep -nE "$win32" 2>/dev/null)
bad+=$(git ls-files 'forms/*' 'app/*' 'platform/*' | grep -vE '^(app|platform)/[^/]+/' |
    xargs grep -nE '#include "platform/(win32|posix|qt)/' 2>/dev/null | sed 's/^/\n/')
if [ -n "$bad" ]; then
    printf '%s\n' "$bad"
    echo "layering: FAILED"
    exit 1
fi
echo "layering: ok"
