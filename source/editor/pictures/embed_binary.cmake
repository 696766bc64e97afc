# Turns a binary file into a C++ source that defines it as a byte array:
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DNAMESPACE=ns -DNAME=kBytes -P embed_binary.cmake
# defines  const unsigned char ns::kBytes[]  and  const std::size_t ns::kBytesSize.

foreach(var INPUT OUTPUT NAMESPACE NAME)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_binary.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "embed_binary.cmake: ${INPUT} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes to a line keeps the generated file readable in a diff or an editor.
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n" bytes "${bytes}")
get_filename_component(input_name "${INPUT}" NAME)

file(WRITE "${OUTPUT}.tmp"
"// Generated from ${input_name} by embed_binary.cmake. Do not edit.
#include <cstddef>

namespace ${NAMESPACE} {

extern const unsigned char ${NAME}[];
extern const std::size_t ${NAME}Size;

const unsigned char ${NAME}[] = {
${bytes}
};
const std::size_t ${NAME}Size = sizeof(${NAME});

}  // namespace ${NAMESPACE}
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
