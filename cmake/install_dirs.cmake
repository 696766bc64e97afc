# Where Linux hosts look for VST 2 plug-ins: the first folder of VST_PATH, else of LXVST_PATH,
# else ~/.vst.
function(tl_default_vst_dir result)
  set(dir "$ENV{HOME}/.vst")
  foreach(variable VST_PATH LXVST_PATH)
    if(NOT "$ENV{${variable}}" STREQUAL "")
      string(REPLACE ":" ";" folders "$ENV{${variable}}")
      list(GET folders 0 dir)
      break()
    endif()
  endforeach()
  set(${result} "${dir}" PARENT_SCOPE)
endfunction()
