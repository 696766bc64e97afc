# Linking a tool to shared libraries that only some of its commands use without loading them at its
# start. kv7kit's render, info --png and chop need libsmf, cairo, pango and aubio, and through them
# GLib and FFmpeg's codecs: some 140 libraries that would take far longer to load and relocate than
# kv7kit build takes to do its work. Each exported function of such a library becomes a stub in the
# tool, and the first call of one loads the library (tools/common/lazy_library.c). The stubs are x86-64
# code; elsewhere the libraries are linked as usual.

# tl_link_lazily(<target> <PRIVATE|PUBLIC|INTERFACE> <imported pkg-config target>...)
#   As target_link_libraries with the packages, but their shared libraries are loaded when first
#   called. The C and C++ runtime libraries among them are linked as usual.
function(tl_link_lazily target scope)
  foreach(package IN LISTS ARGN)
    get_target_property(includes ${package} INTERFACE_INCLUDE_DIRECTORIES)
    if(includes)
      target_include_directories(${target} SYSTEM ${scope} ${includes})
    endif()
    get_target_property(options ${package} INTERFACE_COMPILE_OPTIONS)
    if(options)
      target_compile_options(${target} ${scope} ${options})
    endif()
    get_target_property(link_options ${package} INTERFACE_LINK_OPTIONS)
    if(link_options)
      target_link_options(${target} ${scope} ${link_options})
    endif()
    get_target_property(libraries ${package} INTERFACE_LINK_LIBRARIES)
    foreach(library IN LISTS libraries)
      _tl_lazy_stub("${library}" stub)
      if(stub)
        target_link_libraries(${target} ${scope} ${stub})
      else()
        target_link_libraries(${target} ${scope} "${library}")
      endif()
    endforeach()
  endforeach()
endfunction()

# Makes (once per library) a static library of stubs for the shared library at path; out is its
# target, or empty when the library is to be linked as usual.
function(_tl_lazy_stub path out)
  set(${out} "" PARENT_SCOPE)
  get_filename_component(name "${path}" NAME)
  if(NOT CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$" OR NOT IS_ABSOLUTE "${path}"
     OR name MATCHES "^lib(c|m|dl|pthread|rt|stdc\\+\\+|gcc_s)\\.")
    return()
  endif()
  execute_process(COMMAND "${CMAKE_OBJDUMP}" -p "${path}" OUTPUT_VARIABLE headers ERROR_QUIET RESULT_VARIABLE failed)
  if(failed OR NOT headers MATCHES "SONAME +([^\n]+)")
    return()
  endif()
  set(soname "${CMAKE_MATCH_1}")
  string(MAKE_C_IDENTIFIER "${soname}" id)
  set(stub tl_lazy_${id})
  set(${out} ${stub} PARENT_SCOPE)
  if(TARGET ${stub})
    return()
  endif()
  # Not among the tool's needed libraries, yet needed: the package's dependencies count it
  # (cmake/package.cmake).
  set_property(GLOBAL APPEND PROPERTY TL_LAZY_LIBRARIES "${path}")

  execute_process(COMMAND "${CMAKE_NM}" -D --defined-only "${path}" OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot list the functions of ${path}")
  endif()
  string(REPLACE "\n" ";" lines "${symbols}")
  set(names "")
  set(offsets "")
  set(stubs "")
  set(index 0)
  set(offset 0)
  foreach(line IN LISTS lines)
    # Functions only, in their default version; names with a leading underscore are the
    # library's own business (and _init and _fini the tool's).
    if(NOT line MATCHES "^[0-9a-f]+ [TWi] ([A-Za-z][A-Za-z0-9_]*)(@@.*)?$")
      continue()
    endif()
    set(function "${CMAKE_MATCH_1}")
    math(EXPR slot "8 * ${index}")
    string(APPEND names "    \"${function}\\0\"\n")
    string(APPEND offsets "${offset},")
    string(APPEND stubs
      "    \".globl ${function}\\n.hidden ${function}\\n.type ${function}, @function\\n.p2align 4\\n${function}:\\n\"\n"
      "    \".cfi_startproc\\n  movq tl_lazy_functions_${id}+${slot}(%rip), %r11\\n  testq %r11, %r11\\n  jz 1f\\n  jmp *%r11\\n\"\n"
      "    \"1:\\n  leaq tl_lazy_library_${id}(%rip), %r11\\n  movl $${index}, %r10d\\n  jmp tl_lazy_bind\\n.cfi_endproc\\n\"\n"
      "    \".size ${function}, .-${function}\\n\"\n")
    string(LENGTH "${function}" length)
    math(EXPR offset "${offset} + ${length} + 1")
    math(EXPR index "${index} + 1")
  endforeach()
  if(index EQUAL 0)
    message(FATAL_ERROR "${path} exports no functions")
  endif()

  set(file "${PROJECT_BINARY_DIR}/lazy/${id}.c")
  file(WRITE "${file}.new"
    "/* Stubs for the functions of ${soname}, made by cmake/lazy_linking.cmake from ${path}. */\n"
    "#include \"lazy_library.h\"\n\n"
    "static const char names[] =\n${names};\n"
    "static const unsigned offsets[] = {${offsets}};\n"
    "__attribute__((visibility(\"hidden\"))) void* tl_lazy_functions_${id}[${index}];\n"
    "__attribute__((visibility(\"hidden\"))) struct TlLazyLibrary tl_lazy_library_${id} =\n"
    "    {\"${soname}\", names, offsets, tl_lazy_functions_${id}, 0};\n\n"
    "__asm__(\".text\\n\"\n${stubs});\n")
  file(COPY_FILE "${file}.new" "${file}" ONLY_IF_DIFFERENT)
  file(REMOVE "${file}.new")
  # A newer library may bring other functions.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")

  add_library(${stub} STATIC "${file}")
  # A library's names make one long string.
  target_compile_options(${stub} PRIVATE -Wno-overlength-strings)
  target_link_libraries(${stub} PUBLIC kv7lazyload)
endfunction()
