#!/usr/bin/env bash
# imports_check.sh EXE LIST [console]: a 32-bit exe against its import list. Fails
# (exit 1, one line per finding) on an import not listed, a listed one not imported, one
# newer than Windows 95 or NT 4.0 (with Internet Explorer 4's common controls if marked
# +ie4), an import by ordinal, or a PE header not asking for Windows 4.0 and the GUI
# subsystem (the console subsystem with "console").
exe=$1 list=$2 subsystem=0000000$([ "${3:-}" = console ] && echo 3 || echo 2)
dump=$(i686-w64-mingw32-objdump -p "$exe") || exit 1
imports=$(awk '/DLL Name:/ { dll = tolower($3) }
    /^\t[0-9a-f]+\t +[0-9]+ +/ { print dll, $3 }
    /^\t[0-9a-f]+\t +<none> +/ { print dll, "#" $3 }' <<<"$dump" | sort -u)
listed=$(grep -vE '^\s*(#|$)' "$list" | awk '{ print tolower($1), $2 }' | sort -u)
bad=$(
    comm -23 <(echo "$imports") <(echo "$listed") | sed 's/^/not in the list: /'
    comm -13 <(echo "$imports") <(echo "$listed") | sed 's/^/listed, not imported: /'
    grep -vE '^\s*(#|$)' "$list" | awk '$3 !~ /^95s?(\+ie4)?$/ || $4 !~ /^(3\.1|3\.5|3\.51|4\.0)(\+ie4)?$/ ||
        ($3 ~ /ie4/) != ($4 ~ /ie4/) { print "newer than 95 / NT 4.0: " $1 " " $2 " (" $3 ", NT " $4 ")" }'
    for f in 'MajorOSystemVersion 4' 'MinorOSystemVersion 0' 'MajorSubsystemVersion 4' \
        'MinorSubsystemVersion 0' "Subsystem $subsystem"; do
        grep -qE "^${f% *}\s+${f#* }\b" <<<"$dump" || echo "PE header: ${f% *} is not ${f#* }"
    done
)
if [ -n "$bad" ]; then
    printf '%s\n' "$bad"
    exit 1
fi
ie4=$(grep -vE '^\s*(#|$)' "$list" | awk '$3 ~ /\+ie4$/ { print $2 }')
[ -n "$ie4" ] && ie4="$(wc -l <<<"$ie4") of them ($(echo $ie4)) 95 / NT 4.0 with" || ie4="none needs"
echo "imports: $(wc -l <<<"$imports") functions, each listed and no newer than Windows 95 / NT 4.0 ($ie4 Internet Explorer 4's common controls)"
