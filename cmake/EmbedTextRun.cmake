# Script mode: writes IN's text into OUT as a raw string literal named SYMBOL.
file(READ ${IN} text)
set(delim "PELMOR_EMBED")
file(WRITE ${OUT} "extern const char ${SYMBOL}[];\nconst char ${SYMBOL}[] = R\"${delim}(${text})${delim}\";\n")
