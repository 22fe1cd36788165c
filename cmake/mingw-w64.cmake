# Cross-builds the Windows game on Linux with mingw-w64 (Debian's
# g++-mingw-w64-x86-64-posix). Everything is linked in statically, so the
# game needs only the DLLs every Windows has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TT_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TT_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TT_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TT_MINGW}-windres)
set(CMAKE_STRIP ${TT_MINGW}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${TT_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
