# cmake -DFILE=program -DPKCS12=file -DOSSLSIGNCODE=osslsigncode [-DDESCRIPTION=text]
#       [-DTIME=seconds since 1970] [-DTSA=url] [-DCACHE_DIR=build tree] -P sign.cmake
#
# Signs a Windows program in place with an Authenticode signature (SHA-256).
# The PKCS#12 file's password is the build tree's MURKLE_SIGN_PASSWORD, else the
# environment's; osslsigncode reads it from a file in a folder only we may enter,
# so that it is on no command line. With TIME, signing the same program with the
# same certificate gives the same bytes; TSA adds a time stamp from that server.
set(password "")
if(CACHE_DIR)
  load_cache("${CACHE_DIR}" READ_WITH_PREFIX cached_ MURKLE_SIGN_PASSWORD)
  set(password "${cached_MURKLE_SIGN_PASSWORD}")
endif()
if(password STREQUAL "" AND DEFINED ENV{MURKLE_SIGN_PASSWORD})
  set(password "$ENV{MURKLE_SIGN_PASSWORD}")
endif()

set(args sign -pkcs12 "${PKCS12}" -h sha256)
if(DESCRIPTION)
  list(APPEND args -n "${DESCRIPTION}")
endif()
if(NOT TIME STREQUAL "")
  list(APPEND args -time "${TIME}")
endif()
if(TSA)
  list(APPEND args -ts "${TSA}")
endif()
string(RANDOM LENGTH 8 tag)
set(private "${FILE}.${tag}.sign")
if(NOT password STREQUAL "")
  file(MAKE_DIRECTORY "${private}")
  file(CHMOD "${private}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  file(WRITE "${private}/password" "${password}")
  list(APPEND args -readpass "${private}/password")
endif()
set(partial "${FILE}.${tag}.part")
execute_process(COMMAND "${OSSLSIGNCODE}" ${args} -in "${FILE}" -out "${partial}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(REMOVE_RECURSE "${private}")
if(NOT rc EQUAL 0)
  file(REMOVE "${partial}")
  message(FATAL_ERROR "osslsigncode could not sign ${FILE}:\n${log}")
endif()
# osslsigncode writes its output without the execute bits of a program.
file(CHMOD "${partial}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(RENAME "${partial}" "${FILE}")
