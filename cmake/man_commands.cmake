# Writes a help2man include with a COMMANDS section: each command's own --help, which help2man, reading
# only the program's, would leave out. The commands are the ones the program's --help lists.
#   cmake -DPROGRAM=kv7kit -DOUTPUT=commands.h2m -P man_commands.cmake
execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
if(NOT help MATCHES "\nSubcommands:\n(.*)$")
  message(FATAL_ERROR "${PROGRAM} --help lists no commands")
endif()
string(REGEX MATCHALL "(^|\n)  [a-z]+ " commands "${CMAKE_MATCH_1}")
get_filename_component(name "${PROGRAM}" NAME)
set(text "[COMMANDS]\nEach command's options, as its \\fB\\-\\-help\\fR shows them.\n")
foreach(command IN LISTS commands)
  string(STRIP "${command}" command)
  execute_process(COMMAND "${PROGRAM}" ${command} --help OUTPUT_VARIABLE usage COMMAND_ERROR_IS_FATAL ANY)
  # Verbatim in roff: backslashes and minus signs escaped, no line taken for a request.
  string(REPLACE "\\" "\\e" usage "${usage}")
  string(REPLACE "-" "\\-" usage "${usage}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" usage "${usage}")
  string(STRIP "${usage}" usage)
  string(APPEND text ".SS \"${name} ${command}\"\n.nf\n${usage}\n.fi\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
