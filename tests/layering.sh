#!/usr/bin/env bash
# The Windows calls, types and constants stay in the Windows folders; the
# neutral code includes no platform's header; and a platform's folder
# includes no other platform's headers but those it is built on: the Linux
# services and the Qt front end use the POSIX ones, the Qt front end the
# Linux ones, and each program's entry point (app/<platform>/) those of its
# program. Prints each offending line; exits 1 when there is one.
cd "$(dirname "$0")/.." || exit 2
win32='GetVersionEx|keybd_event|SystemParametersInfo|SetForegroundWindow|CreateMutex|GetSystemPowerStatus|SECURITY_ATTRIBUTES|\bMB_[A-Z]+|\bDde[A-Z]\w*\(|\bDDE|\bXTYP_|\bHWND\b|\bHINSTANCE\b|\bDWORD\b|\bWPARAM\b|\bLPARAM\b|\bWINAPI\b|<windows\.h>'
bad=$(git ls-files '*.cpp' '*.h' | grep -vE '^(platform/win32|app/win32|tests|bench)/' |
    xargs grep -nE "$win32" 2>/dev/null)
bad+=$(git ls-files 'forms/*' 'app/*' 'platform/*' | grep -vE '^(app|platform)/[^/]+/' |
    xargs grep -nE '#include "platform/[^/"]+/' 2>/dev/null | sed 's/^/\n/')
declare -A builds_on=([platform/linux]=posix [platform/qt]='posix linux' [app/linux]='posix linux qt')
while IFS= read -r hit; do
    file=${hit%%:*}
    folder=$(cut -d/ -f1-2 <<<"$file")
    used=$(sed -E 's|.*#include "platform/([^/"]+)/.*|\1|' <<<"$hit")
    case " ${folder#*/} ${builds_on[$folder]:-} " in
    *" $used "*) ;;
    *) bad+=$'\n'$hit ;;
    esac
done < <(git ls-files 'platform/*/*.cpp' 'platform/*/*.h' 'app/*/*.cpp' 'app/*/*.h' |
    xargs grep -HnE '#include "platform/[^/"]+/' 2>/dev/null)
if [ -n "$bad" ]; then
    printf '%s\n' "$bad"
    echo "layering: FAILED"
    exit 1
fi
echo "layering: ok"
