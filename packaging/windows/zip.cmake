# The Windows download, dist/tabletumble-VERSION-win64.zip: a folder
# Tabletumble/ with the game, its 25 data files and README.txt. The game reads
# its data from the working directory, which is its own folder when it is
# double-clicked, so the zip unpacks anywhere.
include(${PROJECT_SOURCE_DIR}/cmake/data_files.cmake)
set(tt_stage ${CMAKE_CURRENT_BINARY_DIR}/zip)
set(tt_zip ${PROJECT_SOURCE_DIR}/dist/tabletumble-${PROJECT_VERSION}-win64.zip)
list(TRANSFORM TT_GAME_DATA_FILES PREPEND ${TABLETUMBLE_DATA_DIR}/ OUTPUT_VARIABLE tt_data)
# With the whole licence, in Notepad's line ends.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE TT_LICENCE)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/README.txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)

add_custom_command(
  OUTPUT ${tt_zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${tt_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${tt_stage}/Tabletumble ${PROJECT_SOURCE_DIR}/dist
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tabletumble> ${tt_data}
          ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${tt_stage}/Tabletumble
  COMMAND ${CMAKE_COMMAND} -E chdir ${tt_stage}
          ${CMAKE_COMMAND} -E tar cf ${tt_zip} --format=zip Tabletumble
  DEPENDS tabletumble ${tt_data} ${CMAKE_CURRENT_BINARY_DIR}/README.txt
  COMMENT "Packing ${tt_zip}"
  VERBATIM)
add_custom_target(windows_zip ALL DEPENDS ${tt_zip})
