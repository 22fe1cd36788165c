# Fails when a system header of a platform backend (SDL and the Xlib it talks
# to, the Windows API, Emscripten, and Emscripten's own SDL 1 headers) is
# included anywhere but in that backend's own folder.
set(backend_headers
  "sdl|(SDL2/)?SDL[A-Za-z0-9_]*\\.h|X11/[A-Za-z0-9_]+\\.h"
  "win32|windows\\.h|winuser\\.h|wingdi\\.h|mmsystem\\.h|winbase\\.h"
  "web|emscripten(/[a-z_.]+)?\\.h|SDL/SDL[A-Za-z0-9_]*\\.h")
file(GLOB_RECURSE sources
  ${ROOT}/platform/*.cpp ${ROOT}/platform/*.h ${ROOT}/shell/*.cpp ${ROOT}/shell/*.h
  ${ROOT}/assets/*.cpp ${ROOT}/assets/*.h ${ROOT}/text/*.cpp ${ROOT}/text/*.h
  ${ROOT}/world/*.cpp ${ROOT}/world/*.h ${ROOT}/game/*.cpp ${ROOT}/game/*.h
  ${ROOT}/tools/*.cpp ${ROOT}/tools/*.h)
set(offenders "")
foreach(entry IN LISTS backend_headers)
  string(REPLACE "|" ";" parts "${entry}")
  list(POP_FRONT parts backend)
  list(JOIN parts "|" names)
  foreach(f IN LISTS sources)
    if(f MATCHES "^${ROOT}/platform/${backend}/")
      continue()
    endif()
    file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${names})[>\"]")
    if(hits)
      list(APPEND offenders "${f}: ${hits}")
    endif()
  endforeach()
endforeach()
if(offenders)
  message(FATAL_ERROR "A backend's system header outside its folder:\n${offenders}")
endif()
message(STATUS "Each backend's system headers stay in platform/<backend>/")
