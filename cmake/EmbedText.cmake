# Writes OUTPUT, a C++ file that defines `const char SYMBOL[]` holding the
# bytes of INPUT and `SYMBOL##Size`, their count.
# Run as: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P EmbedText.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
# One string literal per 16 input bytes keeps the lines short.
string(REGEX REPLACE "(\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..\\\\x..)" "\\1\"\n\"" escaped "${escaped}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "extern const char ${SYMBOL}[];\n"
  "extern const unsigned ${SYMBOL}Size;\n"
  "const char ${SYMBOL}[] =\n\"${escaped}\";\n"
  "const unsigned ${SYMBOL}Size = ${byteCount};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
