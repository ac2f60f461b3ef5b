# Writes INPUT as a C++ header OUTPUT holding `inline constexpr unsigned char NAME[]`.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Made at build time from ${NAME_OF_INPUT}; do not edit.\n#pragma once\n\ninline constexpr unsigned char ${NAME}[] = {\n    ${bytes}\n};\n")
