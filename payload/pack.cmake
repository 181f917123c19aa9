# cmake -DSOURCE=file -DDECLARED=bytes -DOUTPUT=stream -DCACHE=dir -DZOPFLI=zopfli -P pack.cmake
#
# Packs one payload file as a zlib stream (RFC 1950) with zopfli. Streams are kept
# in CACHE by the hash of their input, so the two builds and repeated builds pack
# each distinct file once; zopfli is slow on the multi-megabyte data file.
#
# The installer's space check adds up the sizes that manifest.def declares, so a
# file that outgrows its row fails the build.
file(SIZE "${SOURCE}" size)
if(size GREATER DECLARED)
  message(FATAL_ERROR "${SOURCE} is ${size} bytes, more than the ${DECLARED} that manifest.def declares for it")
endif()
file(SHA256 "${SOURCE}" hash)
set(cached "${CACHE}/${hash}.zopfli-zlib")
if(NOT EXISTS "${cached}")
  file(MAKE_DIRECTORY "${CACHE}")
  string(RANDOM LENGTH 8 tag)
  set(partial "${cached}.${tag}.part")
  execute_process(COMMAND "${ZOPFLI}" --zlib -c "${SOURCE}"
                  OUTPUT_FILE "${partial}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    file(REMOVE "${partial}")
    message(FATAL_ERROR "zopfli failed on ${SOURCE}")
  endif()
  file(RENAME "${partial}" "${cached}")
endif()
file(READ "${cached}" head LIMIT 2 HEX)
if(NOT head STREQUAL "78da")
  message(FATAL_ERROR "${cached} is not a zlib stream with header 78 DA")
endif()
file(COPY_FILE "${cached}" "${OUTPUT}")
