# Build settings shared by every target of the project.

set(MURKLE_IS_TEST_BUILD ${MURKLE_TESTS})

# Our own code: warnings are errors. Third-party code (GoogleTest) does not get this.
function(murkle_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wformat=2 -Werror)
endfunction()

# Everything we ship is small and self-contained: no MinGW runtime DLLs.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  add_link_options(-s)
endif()

# zlib, inflate side only, linked statically from Debian's libz-mingw-w64-dev.
find_path(MURKLE_ZLIB_INCLUDE zlib.h REQUIRED)
find_library(MURKLE_ZLIB_STATIC NAMES libz.a REQUIRED)
add_library(murkle_zlib STATIC IMPORTED)
set_target_properties(murkle_zlib PROPERTIES
  IMPORTED_LOCATION ${MURKLE_ZLIB_STATIC}
  INTERFACE_INCLUDE_DIRECTORIES ${MURKLE_ZLIB_INCLUDE})

# comctl32 exports InitCommonControls by ordinal 17 on every system; MinGW's import
# library imports it by name, so we make one that imports by ordinal.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(_icc_symbol "InitCommonControls@0")
else()
  set(_icc_symbol "InitCommonControls")
endif()
set(_ord_def ${CMAKE_BINARY_DIR}/comctl32_ord.def)
set(_ord_lib ${CMAKE_BINARY_DIR}/libcomctl32_ord.a)
file(WRITE ${_ord_def} "LIBRARY \"comctl32.dll\"\nEXPORTS\n${_icc_symbol} @17 NONAME\n")
add_custom_command(OUTPUT ${_ord_lib}
  COMMAND ${MINGW_DLLTOOL} -k -d ${_ord_def} -l ${_ord_lib}
  DEPENDS ${_ord_def}
  COMMENT "Ordinal import library for comctl32")
add_custom_target(murkle_comctl32_ord_lib DEPENDS ${_ord_lib})
add_library(murkle_comctl32_ord STATIC IMPORTED)
set_target_properties(murkle_comctl32_ord PROPERTIES IMPORTED_LOCATION ${_ord_lib})
add_dependencies(murkle_comctl32_ord murkle_comctl32_ord_lib)

# Payload files: product/ registers where each installed file comes from, setup/
# packs the ones its manifest names.
function(murkle_payload_file name path)
  set_property(GLOBAL PROPERTY MURKLE_PAYLOAD_PATH_${name} "${path}")
  set_property(GLOBAL PROPERTY MURKLE_PAYLOAD_DEPENDS_${name} "${ARGN}")
endfunction()

set(MURKLE_PACK_CACHE ${CMAKE_SOURCE_DIR}/build/pack-cache CACHE PATH
    "Packed payload streams by content hash, shared by the builds")
find_program(MURKLE_ZOPFLI zopfli REQUIRED)
