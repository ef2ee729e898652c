# Layers only look down: resources/ <- common/ <- state/ <- capture/ <- app/, and
# state/ <- ui/ <- dialogs/ <- app/. ui/ holds the message box, so state/ and capture/, which must
# not talk to the user, cannot reach it, and capture/ and dialogs/ stay out of each other's way.
# Each library sees only its own folder's headers, but a relative include ("../app/app.h") would
# still reach any other; this check reads every include of the layers and fails the build on any
# that lands in a folder its own folder may not look down to. Included by CMakeLists.txt, it adds
# the check to the build; run with -P, it is the check.
set(GLIMRA_LAYERS resources common state capture ui dialogs app)
# The folders each layer may include, besides its own.
set(GLIMRA_BELOW_resources)
set(GLIMRA_BELOW_common resources)
set(GLIMRA_BELOW_state common resources)
set(GLIMRA_BELOW_capture state common resources)
set(GLIMRA_BELOW_ui state common resources)
set(GLIMRA_BELOW_dialogs ui state common resources)
set(GLIMRA_BELOW_app dialogs ui capture state common resources)

if(NOT CMAKE_SCRIPT_MODE_FILE)
  set(layer_sources)
  foreach(folder ${GLIMRA_LAYERS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h
         ${CMAKE_SOURCE_DIR}/${folder}/*.rc)
    list(APPEND layer_sources ${found})
  endforeach()
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/layers.checked
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_CURRENT_LIST_FILE}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/layers.checked
    DEPENDS ${layer_sources} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Checking that the layers only look down"
    VERBATIM)
  add_custom_target(glimra_layers DEPENDS ${CMAKE_BINARY_DIR}/layers.checked)
  return()
endif()

set(violations)
foreach(folder ${GLIMRA_LAYERS})
  file(GLOB files ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.rc)
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+[\">]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*" "\\1" name "${line}")
      # A path is taken from the including file's folder, as the compiler does first; a bare name
      # that is not there is whichever layer holds a file of that name.
      get_filename_component(target ${name} ABSOLUTE BASE_DIR ${SOURCE_DIR}/${folder})
      if(NOT EXISTS ${target})
        set(target)
        foreach(other ${GLIMRA_LAYERS})
          if(EXISTS ${SOURCE_DIR}/${other}/${name})
            get_filename_component(target ${SOURCE_DIR}/${other}/${name} ABSOLUTE)
          endif()
        endforeach()
      endif()
      if(NOT target)
        continue()
      endif()
      file(RELATIVE_PATH relative ${SOURCE_DIR} ${target})
      string(REGEX REPLACE "/.*" "" target_folder "${relative}")
      list(FIND GLIMRA_LAYERS "${target_folder}" layer)
      if(layer EQUAL -1 OR target_folder STREQUAL folder)
        continue()
      endif()
      list(FIND GLIMRA_BELOW_${folder} "${target_folder}" below)
      if(below EQUAL -1)
        file(RELATIVE_PATH from ${SOURCE_DIR} ${file})
        list(APPEND violations "${from} includes ${relative}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " listed)
  message(FATAL_ERROR "An include looks up or across the layers:\n  ${listed}")
endif()
