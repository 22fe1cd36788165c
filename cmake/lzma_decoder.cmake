# The browser's data package decoder as a library of its own: our checks
# (platform/web/lzma.cpp) around the LZMA SDK's reference decoder, LzmaDec.c,
# which Debian's lzma-dev ships as source (public domain). The browser build
# links it into unpack.wasm; the native tests and the fuzzer link it too.
include_guard(GLOBAL)
set(TT_LZMA_SDK_DIR /usr/include/lzma CACHE PATH "Where LzmaDec.c and LzmaDec.h are (lzma-dev)")
if(NOT EXISTS ${TT_LZMA_SDK_DIR}/LzmaDec.c)
  message(FATAL_ERROR "No LzmaDec.c in ${TT_LZMA_SDK_DIR}: install Debian's lzma-dev")
endif()
enable_language(C)
add_library(lzma_decoder STATIC ${PROJECT_SOURCE_DIR}/platform/web/lzma.cpp
                                ${TT_LZMA_SDK_DIR}/LzmaDec.c)
target_include_directories(lzma_decoder PUBLIC ${PROJECT_SOURCE_DIR})
# Only the decoder's own sources see the SDK's folder, and only for quoted
# includes: it is also where liblzma's headers live.
target_compile_options(lzma_decoder PRIVATE -iquote ${TT_LZMA_SDK_DIR})
# The SDK's code is taken as it is: its warnings are not ours to fix.
set_source_files_properties(${TT_LZMA_SDK_DIR}/LzmaDec.c PROPERTIES COMPILE_OPTIONS -w)
