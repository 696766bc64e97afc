# The Debian package, tembro-laxis_<version>_<arch>.deb (the "package" target, or cpack): the plug-in
# and the LV2 bundle where Debian's hosts look for them, the programs with their man pages, the desktop
# entry and its icon, under /usr. Its files are the install component "package", which a plain
# install leaves out: that one goes to the user's own folders (cmake/install_dirs.cmake).
# A package holds plain builds only; a sanitizer's runtime is no dependency to ship.
if(NOT TL_SANITIZE STREQUAL "" OR TL_FUZZ)
  return()
endif()

set(package_dir "${PROJECT_BINARY_DIR}/package")
set(TL_PACKAGE_MAINTAINER "Brennwick <packages@brennwick.example>")
set(packaged_binaries Tembro-laxis Tembro-laxis-lv2 tembro-laxis kv7kit)

install(TARGETS Tembro-laxis LIBRARY DESTINATION "${TL_PACKAGE_VST_DIR}" COMPONENT package EXCLUDE_FROM_ALL)
install(TARGETS Tembro-laxis-lv2 LIBRARY DESTINATION "${TL_PACKAGE_LV2_DIR}/Tembro-laxis.lv2"
  COMPONENT package EXCLUDE_FROM_ALL)
install(DIRECTORY "${TL_LV2_BUNDLE}/" DESTINATION "${TL_PACKAGE_LV2_DIR}/Tembro-laxis.lv2"
  COMPONENT package EXCLUDE_FROM_ALL FILES_MATCHING PATTERN "*.ttl")
install(TARGETS tembro-laxis kv7kit RUNTIME DESTINATION "${TL_PACKAGE_BIN_DIR}" COMPONENT package EXCLUDE_FROM_ALL)
install(FILES "${PROJECT_SOURCE_DIR}/data/tembro-laxis.desktop" DESTINATION share/applications
  COMPONENT package EXCLUDE_FROM_ALL)
install(FILES "${PROJECT_SOURCE_DIR}/data/tembro-laxis.svg" DESTINATION share/icons/hicolor/scalable/apps
  COMPONENT package EXCLUDE_FROM_ALL)
install(FILES "${PROJECT_SOURCE_DIR}/data/copyright" "${package_dir}/changelog.gz" DESTINATION share/doc/tembro-laxis
  COMPONENT package EXCLUDE_FROM_ALL)

# Man pages from the programs' own --help; kv7kit's also shows each command's.
find_program(HELP2MAN help2man REQUIRED)
set(man_pages "")
set(tembro-laxis_is "play the Tembro-laxis drum kit plug-in without a music host")
set(kv7kit_is "build, split, show and render Kv7 drum kits")
foreach(program tembro-laxis kv7kit)
  set(page "${package_dir}/${program}.1")
  set(includes "${PROJECT_SOURCE_DIR}/data/${program}.h2m")
  set(commands "")
  if(program STREQUAL "kv7kit")
    list(APPEND includes "${package_dir}/kv7kit-commands.h2m")
    set(commands COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:kv7kit> -DOUTPUT=${package_dir}/kv7kit-commands.h2m
      -P ${PROJECT_SOURCE_DIR}/cmake/man_commands.cmake)
  endif()
  list(TRANSFORM includes PREPEND --include= OUTPUT_VARIABLE include_options)
  add_custom_command(OUTPUT "${page}.gz"
    ${commands}
    COMMAND "${HELP2MAN}" --no-info --no-discard-stderr --version-string=${PROJECT_VERSION}
      "--name=${${program}_is}" ${include_options} --output=${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9nf "${page}"
    DEPENDS ${program} "${PROJECT_SOURCE_DIR}/data/${program}.h2m" "${PROJECT_SOURCE_DIR}/cmake/man_commands.cmake"
    COMMENT "Writing the man page of ${program}"
    VERBATIM)
  list(APPEND man_pages "${page}.gz")
endforeach()
install(FILES ${man_pages} DESTINATION share/man/man1 COMPONENT package EXCLUDE_FROM_ALL)

# Debian's changelog for a package made outside a Debian source tree: this version's entry, dated
# when configured (or at SOURCE_DATE_EPOCH, for a reproducible package).
string(TIMESTAMP TL_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/data/changelog.in "${package_dir}/changelog" @ONLY)
add_custom_command(OUTPUT "${package_dir}/changelog.gz"
  COMMAND gzip -9nkf "${package_dir}/changelog"
  DEPENDS "${package_dir}/changelog"
  VERBATIM)

# The dependencies, computed by dpkg-shlibdeps from the binaries the package holds. Some libraries
# are loaded at run time, so they are not among the binaries' needed ones: those the tools link
# lazily (cmake/lazy_linking.cmake) and pango, which the editor loads with its first text. A probe,
# built and never shipped, is linked against exactly those as usual, and scanned with the rest.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps REQUIRED)
get_property(lazy_libraries GLOBAL PROPERTY TL_LAZY_LIBRARIES)
list(REMOVE_DUPLICATES lazy_libraries)
set(scanned ${packaged_binaries})
if(lazy_libraries)
  file(WRITE "${package_dir}/lazy_probe.c"
    "/* Linked against the libraries loaded at run time, so that dpkg-shlibdeps sees them. */\n"
    "typedef int tl_lazy_probe;\n")
  add_library(tl_lazy_probe SHARED "${package_dir}/lazy_probe.c")
  # Nothing but the lazy libraries, each kept though no symbol of it is used.
  target_link_options(tl_lazy_probe PRIVATE -nostdlib -Wl,--no-as-needed)
  target_link_libraries(tl_lazy_probe PRIVATE ${lazy_libraries})
  list(APPEND scanned tl_lazy_probe)
endif()
# dpkg-shlibdeps expects to run in a Debian source tree.
file(WRITE "${package_dir}/debian/control" "")
list(TRANSFORM scanned REPLACE "(.+)" "$<TARGET_FILE:\\1>" OUTPUT_VARIABLE scanned_files)
# Its warnings are kept for a failure: they are about the probe, which uses no symbol of its libraries,
# and about files scanned outside a package's folder.
add_custom_command(OUTPUT "${package_dir}/depends.txt"
  COMMAND sh -c "\"$0\" \"$@\" 2>shlibdeps.log || { cat shlibdeps.log >&2; exit 1; }"
    "${DPKG_SHLIBDEPS}" "-O${package_dir}/depends.txt" ${scanned_files}
  DEPENDS ${scanned}
  WORKING_DIRECTORY "${package_dir}"
  COMMENT "Computing the package's dependencies"
  VERBATIM)
add_custom_target(tl_package_files ALL
  DEPENDS ${man_pages} "${package_dir}/changelog.gz" "${package_dir}/depends.txt")

# Read by cpack when it makes the package.
file(CONFIGURE OUTPUT "${package_dir}/cpack_depends.cmake" @ONLY CONTENT [[
if(NOT EXISTS "@package_dir@/depends.txt")
  message(FATAL_ERROR "build the project before packaging it: @package_dir@/depends.txt is missing")
endif()
file(STRINGS "@package_dir@/depends.txt" depends REGEX "^shlibs:Depends=")
string(REPLACE "shlibs:Depends=" "" CPACK_DEBIAN_PACKAGE_DEPENDS "${depends}")
]])

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tembro-laxis)
set(CPACK_PACKAGE_VENDOR Brennwick)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drum kit editor plug-in for the Kv7 synthesizer (VST, LV2)")
# Lines of at most 80 characters; an empty line parts paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Tembro-laxis assembles drum kits for the Kv7 portable synthesizer. Sound files
dropped on the 24 slot rows of its window play from MIDI notes 53 to 76; each
slot has its pitch, play mode, direction and volume, and the kit is exported
as one Kv7 drum kit file, or as one AIFF file per slot.

This package holds the instrument as a Linux VST 2.4 plug-in and as an LV2
plug-in that saves its kit with the host's project; tembro-laxis, which plays
the plug-in in a window of its own without a music host; and kv7kit, which
builds, slices, shows and renders kits from the command line.]])
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};package;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PROJECT_CONFIG_FILE "${package_dir}/cpack_depends.cmake")
include(CPack)
