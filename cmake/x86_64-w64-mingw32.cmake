# The 64-bit builds: the same sources for 64-bit Windows, run on wine64, so that
# the code is kept clean on 64 bits. GoogleTest needs the posix thread model.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Must be set before any target exists, or add_test() ignores it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine/wine-run)
