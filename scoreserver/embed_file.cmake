# Writes a C++ source that holds a file's bytes as an array, for a program to serve them
# without reading any file at run time:
#   cmake -DINPUT=file -DOUTPUT=source.cpp -DSYMBOL=name -P embed_file.cmake
# defines scoreserver::name (the bytes) and scoreserver::name##Size (their count).
file(READ ${INPUT} hex HEX)
get_filename_component(name ${INPUT} NAME)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
if(size EQUAL 0)
    message(FATAL_ERROR "embed_file: ${INPUT} is empty")
endif()
# Sixteen bytes a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
    "// Generated from ${name} at build time; do not edit.\n"
    "#include <cstddef>\n\n"
    "namespace scoreserver {\n"
    "extern const unsigned char ${SYMBOL}[];\n"
    "extern const std::size_t ${SYMBOL}Size;\n"
    "const unsigned char ${SYMBOL}[] = {\n    ${bytes}\n};\n"
    "const std::size_t ${SYMBOL}Size = ${size};\n"
    "}  // namespace scoreserver\n")
# Rewritten only when the bytes changed, so that an unchanged picture relinks nothing.
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
