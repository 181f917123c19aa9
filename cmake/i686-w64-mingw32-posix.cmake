# The 32-bit test build: the shipped installer's architecture, with the posix
# thread model that GoogleTest and the tests' own threads need. Its programs run
# on 32-bit Wine (tools/wine/wine-loaders).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
set(MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Must be set before any target exists, or add_test() ignores it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine/wine-run)
