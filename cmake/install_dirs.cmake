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

# Where LV2 hosts look: the first folder of LV2_PATH, else ~/.lv2.
function(tl_default_lv2_dir result)
  set(dir "$ENV{HOME}/.lv2")
  if(NOT "$ENV{LV2_PATH}" STREQUAL "")
    string(REPLACE ":" ";" folders "$ENV{LV2_PATH}")
    list(GET folders 0 dir)
  endif()
  set(${result} "${dir}" PARENT_SCOPE)
endfunction()
