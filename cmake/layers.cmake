# Layers only look down: resources/ <- common/ <- state/ <- capture/, dialogs/ <- app/. Each
# library sees only its own folder's headers, but a relative include ("../app/app.h") would still
# reach one above; this check reads every include of the layers and fails the build on any that
# lands in a folder of the same or a higher floor. Included by CMakeLists.txt, it adds the check
# to the build; run with -P, it is the check.
set(GLIMRA_LAYER_FLOORS resources 0 common 1 state 2 capture 3 dialogs 3 app 4)

if(NOT CMAKE_SCRIPT_MODE_FILE)
  set(layer_sources)
  foreach(folder resources common state capture dialogs app)
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

function(floor_of folder result)
  list(FIND GLIMRA_LAYER_FLOORS "${folder}" at)
  if(at EQUAL -1)
    set(${result} "" PARENT_SCOPE)
  else()
    math(EXPR at "${at} + 1")
    list(GET GLIMRA_LAYER_FLOORS ${at} floor)
    set(${result} ${floor} PARENT_SCOPE)
  endif()
endfunction()

set(layer_folders resources common state capture dialogs app)
set(violations)
foreach(folder ${layer_folders})
  floor_of(${folder} own_floor)
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
        foreach(other ${layer_folders})
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
      floor_of("${target_folder}" target_floor)
      if(target_floor STREQUAL "" OR target_folder STREQUAL folder)
        continue()
      endif()
      if(NOT target_floor LESS own_floor)
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
