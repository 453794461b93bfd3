#!/usr/bin/env bash
# The Windows calls, types and constants stay in the Windows folders; the
# neutral code includes no platform's header; a platform's folder includes no
# other platform's headers but those it is built on (the Linux services and
# the Qt front end use the POSIX ones, the Qt front end the Linux ones, and
# each program's entry point, app/<platform>/, those of its program). The
# main window's parts (the forms/ files of no form: forms with a .layout)
# reach each other through their headers only and never a form's header; only
# forms include parts; the report takes nothing of forms/ but the log's
# and the trace's layouts, which take nothing of forms/ or app/. Prints each offending line;
# exits 1 when there is one.
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
forms=$(git ls-files 'forms/*.layout' | sed 's/\.layout$//' | paste -sd'|')
parts=$(git ls-files 'forms/*.h' 'forms/*.cpp' | grep -vE "^($forms)[A-Za-z]*\.(h|cpp)$")
inc() { xargs grep -nE "#include \"($1)\"" 2>/dev/null | sed 's/^/\n/'; }
bad+=$(git ls-files | grep -E '\.(h|cpp)$' | inc '[^"]*\.cpp')
bad+=$(printf '%s\n' $parts | inc "($forms)\.h")
for f in $(printf '%s\n' $parts | grep '\.cpp$'); do
    grep -m1 '#include "' "$f" | grep -qF "\"${f%.cpp}.h\"" || bad+=$'\n'"$f: its own header is not its first include"
done
bad+=$(git ls-files 'app/*' 'platform/*' | inc "$(printf '%s\n' $parts | grep '\.h$' | paste -sd'|')")
bad+=$(git ls-files 'report/*' | xargs grep -nE '#include "forms/' | grep -vE 'forms/(Log|Trace)Format\.h' | sed 's/^/\n/')
bad+=$(git ls-files 'forms/LogFormat.*' 'forms/TraceFormat.*' | xargs grep -nE '#include "(forms|app)/' | grep -vE 'forms/(Log|Trace)Format\.h' | sed 's/^/\n/')
if [ -n "$bad" ]; then
    printf '%s\n' "$bad"
    echo "layering: FAILED"
    exit 1
fi
echo "layering: ok"
