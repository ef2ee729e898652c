# The release: `cmake --build build --target package` writes Glimra3-<version>-win32.zip (-win64
# for the 64-bit build), with Glimra3.exe and readme.txt at its top level, and SHA256SUMS for the
# exe and the zip, all beside Glimra3.exe. A script makes the zip rather than CPack, whose zips carry the builder's user and
# group ids and, without SOURCE_DATE_EPOCH, the build's file times; the script dates everything
# from the commit, so the same commit gives the same bytes.
# A build folder configured while CPack made the zip still holds CPack's files, and with them
# CMake would reserve the name "package".
file(REMOVE ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
set(GLIMRA_ZIP Glimra3-${PROJECT_VERSION}-${GLIMRA_ARCH}.zip)
# The target always runs: a new commit changes the zip's dates even when no file changed.
add_custom_target(package
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make_release.py
          $<TARGET_FILE:Glimra3> ${CMAKE_SOURCE_DIR}/resources/readme.txt ${GLIMRA_ZIP} ${CMAKE_SOURCE_DIR}
  COMMENT "Writing ${GLIMRA_ZIP} and SHA256SUMS"
  VERBATIM)
add_dependencies(package Glimra3)

# `cmake --install build --prefix <folder>` puts the same two files into a folder.
install(TARGETS Glimra3 RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/resources/readme.txt DESTINATION .)
