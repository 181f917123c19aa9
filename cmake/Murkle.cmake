# Build settings shared by every target of the project.

# Our own code: warnings are errors. Third-party code (GoogleTest) does not get this.
function(murkle_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wformat=2 -Werror)
endfunction()

# Everything we ship is small and self-contained: no MinGW runtime DLLs.
# Unused functions are dropped at link time. (Not -fdata-sections: MinGW's
# linker puts the resulting .bss.* sections into .data, where zeroed buffers
# would take their full size in the file.)
add_compile_options(-ffunction-sections)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
# No link time in the headers: the same sources give the same programs, and the
# packed payload streams of the product's programs can come from the cache.
add_link_options(-Wl,--no-insert-timestamp)
# Nor the folders it was built in: __FILE__ (in an assertion's message, say) and
# debug information name a source from the project's root, a generated one from
# the build tree's. (The build tree's map comes last: GCC tries the last first.)
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  add_link_options(-s)
  # The 32-bit builds, the shipped one and its test build, are also optimised
  # across files. (Not the x86-64 builds, which keep the code clean on 64 bits.)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    add_compile_options(-flto)
    add_link_options(-flto -Os)
  endif()
endif()

# zlib, inflate side only, linked statically from Debian's libz-mingw-w64-dev.
find_path(MURKLE_ZLIB_INCLUDE zlib.h REQUIRED)
find_library(MURKLE_ZLIB_STATIC NAMES libz.a REQUIRED)
# Linked without its unwind tables: zlib is C and calls back into nothing that
# throws, so no exception ever unwinds through its frames. On 32-bit x86 the
# tables are 1.5 KB of the program.
set(MURKLE_ZLIB_LINKED ${CMAKE_BINARY_DIR}/zlib/libz.a)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/zlib)
execute_process(
  COMMAND ${CMAKE_OBJCOPY} --remove-section=.eh_frame ${MURKLE_ZLIB_STATIC} ${MURKLE_ZLIB_LINKED}
  RESULT_VARIABLE zlib_copied)
if(NOT zlib_copied EQUAL 0)
  message(FATAL_ERROR "Could not copy ${MURKLE_ZLIB_STATIC} without its unwind tables")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${MURKLE_ZLIB_STATIC})
add_library(murkle_zlib STATIC IMPORTED)
set_target_properties(murkle_zlib PROPERTIES
  IMPORTED_LOCATION ${MURKLE_ZLIB_LINKED}
  INTERFACE_INCLUDE_DIRECTORIES ${MURKLE_ZLIB_INCLUDE})

# The payload manifest, the one list of payload rows: the C++ table includes it,
# and the build reads it here, for the packed resources and the product's size
# checks. Sets ids, names and sizes to one entry per row, in row order.
function(murkle_manifest_rows ids names sizes)
  set(_manifest ${PROJECT_SOURCE_DIR}/payload/manifest.def)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_manifest})
  file(STRINGS ${_manifest} _lines REGEX "^MANIFEST_ROW")
  set(_ids)
  set(_names)
  set(_sizes)
  foreach(_line IN LISTS _lines)
    if(NOT _line MATCHES "^MANIFEST_ROW\\(([0-9]+), *\"([^\"]+)\", *([0-9]+), *\"([^\"]*)\", *k[A-Za-z]+\\)")
      message(FATAL_ERROR "manifest.def: cannot read row: ${_line}")
    endif()
    list(APPEND _ids ${CMAKE_MATCH_1})
    list(APPEND _names ${CMAKE_MATCH_2})
    list(APPEND _sizes ${CMAKE_MATCH_3})
  endforeach()
  set(${ids} ${_ids} PARENT_SCOPE)
  set(${names} ${_names} PARENT_SCOPE)
  set(${sizes} ${_sizes} PARENT_SCOPE)
endfunction()

# Payload files: product/ registers where each installed file comes from,
# payload/ packs the ones its manifest names.
function(murkle_payload_file name path)
  set_property(GLOBAL PROPERTY MURKLE_PAYLOAD_PATH_${name} "${path}")
  set_property(GLOBAL PROPERTY MURKLE_PAYLOAD_DEPENDS_${name} "${ARGN}")
endfunction()

set(MURKLE_PACK_CACHE ${CMAKE_SOURCE_DIR}/build/pack-cache CACHE PATH
    "Packed payload streams by content hash, shared by the builds")
find_program(MURKLE_ZOPFLI zopfli REQUIRED)

# Authenticode signing with osslsigncode, only when the builder names a PKCS#12
# file (certificate and key): MURKLE_SIGN_PKCS12 as a cache variable or in the
# environment. Its password, MURKLE_SIGN_PASSWORD, is likewise a cache variable
# or else taken from the environment when signing. Without a certificate
# nothing here adds a step, and the programs come out as they always did.
set(MURKLE_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file to sign the programs with (else the environment's)")
set(MURKLE_SIGN_PASSWORD "" CACHE STRING "Password of the PKCS#12 file (else the environment's)")
set(MURKLE_SIGN_TIME "" CACHE STRING "Signing time in seconds since 1970 (else SOURCE_DATE_EPOCH, else the time of signing)")
set(MURKLE_SIGN_TSA "" CACHE STRING "URL of an RFC 3161 time-stamp server for the signatures (default: none)")
mark_as_advanced(MURKLE_SIGN_PASSWORD)
set(MURKLE_SIGNING_PKCS12 "${MURKLE_SIGN_PKCS12}")
if(NOT MURKLE_SIGNING_PKCS12)
  set(MURKLE_SIGNING_PKCS12 "$ENV{MURKLE_SIGN_PKCS12}")
endif()
set(MURKLE_SIGNING_TIME "${MURKLE_SIGN_TIME}")
if(MURKLE_SIGNING_TIME STREQUAL "")
  set(MURKLE_SIGNING_TIME "$ENV{SOURCE_DATE_EPOCH}")
endif()
if(MURKLE_SIGNING_PKCS12)
  get_filename_component(MURKLE_SIGNING_PKCS12 "${MURKLE_SIGNING_PKCS12}" ABSOLUTE)
  if(NOT EXISTS "${MURKLE_SIGNING_PKCS12}")
    message(FATAL_ERROR "MURKLE_SIGN_PKCS12: no such file: ${MURKLE_SIGNING_PKCS12}")
  endif()
  find_program(MURKLE_OSSLSIGNCODE osslsigncode REQUIRED)
  message(STATUS "Signing the programs with ${MURKLE_SIGNING_PKCS12}")
endif()
# Turning signing on or off, or changing how, links the signed programs anew:
# the file changes only when the settings do.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/signing.txt CONTENT
  "pkcs12=${MURKLE_SIGNING_PKCS12}\ntime=${MURKLE_SIGNING_TIME}\ntsa=${MURKLE_SIGN_TSA}\n")

# Signs the program in place right after each link, when a certificate is named.
# The installer packs its payload programs after they are built, so they are
# packed signed.
function(murkle_sign target description)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/signing.txt)
  if(NOT MURKLE_SIGNING_PKCS12)
    return()
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${MURKLE_SIGNING_PKCS12})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> "-DDESCRIPTION=${description}"
            -DPKCS12=${MURKLE_SIGNING_PKCS12} -DTIME=${MURKLE_SIGNING_TIME} -DTSA=${MURKLE_SIGN_TSA}
            -DOSSLSIGNCODE=${MURKLE_OSSLSIGNCODE} -DCACHE_DIR=${CMAKE_BINARY_DIR}
            -P ${PROJECT_SOURCE_DIR}/cmake/sign.cmake
    COMMENT "Signing ${target}"
    VERBATIM)
endfunction()
