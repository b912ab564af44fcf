# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P embed_resource.cmake
# Writes a C++ source that holds the input file's bytes as `const unsigned char
# SYMBOL[]` and its length as `const size_t SYMBOL_size`, so an image travels inside
# the shared object instead of beside it.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Forty bytes per line keeps the generated file readable in a diff tool.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){40})" "\\1\n  " bytes "${bytes}")
get_filename_component(inputName "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${inputName} by embed_resource.cmake; do not edit.\n"
  "#include <cstddef>\n\n"
  "extern const unsigned char ${SYMBOL}[];\n"
  "extern const size_t ${SYMBOL}_size;\n"
  "const unsigned char ${SYMBOL}[] = {\n  ${bytes}\n};\n"
  "const size_t ${SYMBOL}_size = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
