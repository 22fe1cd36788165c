# The Windows download's folder, Tabletumble/ with the game, its 25 data files
# and README.txt, staged in the build tree; tools/build_windows.sh zips it as
# dist/tabletumble-VERSION-win64.zip with fixed times and modes. The game
# reads its data from the working directory, which is its own folder when it
# is double-clicked, so the zip unpacks anywhere.
include(${PROJECT_SOURCE_DIR}/cmake/data_files.cmake)
set(tt_folder ${CMAKE_CURRENT_BINARY_DIR}/zip/Tabletumble)
list(TRANSFORM TT_GAME_DATA_FILES PREPEND ${TABLETUMBLE_DATA_DIR}/ OUTPUT_VARIABLE tt_data)
# With the whole licence, in Notepad's line ends.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE TT_LICENCE)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/README.txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)

add_custom_command(
  OUTPUT ${tt_folder}/Tabletumble.exe
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${tt_folder}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${tt_folder}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tabletumble> ${tt_data}
          ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${tt_folder}
  # Players get no debug sections (half the file). Strip would write the
  # current time into the PE header, where the link (--no-insert-timestamp)
  # left 0; it takes SOURCE_DATE_EPOCH instead when that is set.
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_STRIP} ${tt_folder}/Tabletumble.exe
  DEPENDS tabletumble ${tt_data} ${CMAKE_CURRENT_BINARY_DIR}/README.txt
  COMMENT "Staging ${tt_folder}"
  VERBATIM)
add_custom_target(windows_folder ALL DEPENDS ${tt_folder}/Tabletumble.exe)
