# Fails when any source outside platform/ includes an SDL header.
file(GLOB_RECURSE sources
  ${ROOT}/shell/*.cpp ${ROOT}/shell/*.h ${ROOT}/assets/*.cpp ${ROOT}/assets/*.h
  ${ROOT}/text/*.cpp ${ROOT}/text/*.h ${ROOT}/world/*.cpp ${ROOT}/world/*.h
  ${ROOT}/game/*.cpp ${ROOT}/game/*.h ${ROOT}/tools/*.cpp ${ROOT}/tools/*.h)
set(offenders "")
foreach(f IN LISTS sources)
  file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](SDL2/)?SDL")
  if(hits)
    list(APPEND offenders ${f})
  endif()
endforeach()
if(offenders)
  message(FATAL_ERROR "SDL included outside platform/: ${offenders}")
endif()
message(STATUS "SDL is included only in platform/ (${CMAKE_CURRENT_LIST_FILE})")
