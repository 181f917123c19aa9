# cmake -DBUILD=<signed build tree> -DROOT=<root certificate> -DWORK=<scratch folder>
#       -DOSSLSIGNCODE=osslsigncode -P signing_checks.cmake
#
# The signatures of the shipped installer's build made with the throwaway
# certificate, checked with osslsigncode against the throwaway root:
# * the installer, in the build and in its dist/ copy, and the game and the
#   uninstaller that it packed verify (shipped_exe_tests shows that its streams
#   inflate to exactly these files, install_e2e_tests that it installs them);
# * one byte changed in a payload stream, in the code or in the signature, and
#   the installer no longer verifies;
# * signed again as the build signs, it comes out the same; at another time it
#   differs only in the signature and the PE checksum.
set(installer "${BUILD}/MurkleSetup.exe")
set(failures "")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(verify file out)
  execute_process(COMMAND "${OSSLSIGNCODE}" verify -CAfile "${ROOT}" -in "${file}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(rc EQUAL 0)
    set(${out} YES PARENT_SCOPE)
  else()
    set(${out} NO PARENT_SCOPE)
  endif()
  set(verify_log "${log}" PARENT_SCOPE)
endfunction()


include(${CMAKE_CURRENT_LIST_DIR}/../cmake/le_number.cmake)

foreach(file "${installer}" "${BUILD}/dist/MurkleSetup.exe" "${BUILD}/payload/murkle.exe"
             "${BUILD}/payload/uninstall.exe")
  verify("${file}" ok)
  if(NOT ok)
    string(APPEND failures "${file} does not verify:\n${verify_log}\n")
  endif()
endforeach()

# Where the bytes to change lie: in the game's payload stream, found by its
# bytes; in the code, the start of the first section; in the signature, near
# the end of the signer's signature value, which ends the PKCS#7 blob.
murkle_le_number(pe "${installer}" 60 4)
math(EXPR checksum "${pe} + 88")
math(EXPR checksum_end "${checksum} + 4")
murkle_le_number(optional_size "${installer}" "${pe} + 20" 2)
math(EXPR first_section "${pe} + 24 + ${optional_size}")
file(READ "${installer}" name OFFSET ${first_section} LIMIT 8 HEX)
murkle_le_number(code "${installer}" "${first_section} + 20" 4)
math(EXPR code "${code} + 64")
murkle_le_number(table "${installer}" "${pe} + 24 + 128" 4)
murkle_le_number(table_size "${installer}" "${pe} + 24 + 132" 4)
math(EXPR table_end "${table} + ${table_size}")
file(SIZE "${installer}" size)
# The blob's DER length is big-endian.
file(READ "${installer}" blob_head OFFSET ${table} LIMIT 12 HEX)
string(SUBSTRING "${blob_head}" 20 4 blob_size)
math(EXPR signature "${table} + 8 + 4 + 0x${blob_size} - 16")
file(SIZE "${BUILD}/packed/murkle.exe.z" stream_size)
math(EXPR middle "${stream_size} / 2")
file(READ "${BUILD}/packed/murkle.exe.z" needle OFFSET ${middle} LIMIT 32 HEX)
file(READ "${installer}" image HEX)
string(FIND "${image}" "${needle}" at)
math(EXPR odd "${at} % 2")
math(EXPR stream "${at} / 2 + 16")
if(NOT name STREQUAL "2e74657874000000" OR NOT table_size GREATER 0 OR NOT table_end EQUAL size
   OR NOT blob_head MATCHES "^................3082" OR at LESS 0 OR odd)
  message(FATAL_ERROR "Cannot find the places to change in ${installer}: first section '${name}', "
                      "signature at ${table} (${table_size} bytes, file ${size}), blob '${blob_head}', "
                      "stream at ${at}")
endif()
foreach(place "payload stream:${stream}" "code:${code}" "signature:${signature}")
  string(REGEX MATCH "^(.*):([0-9]+)$" _ "${place}")
  set(what "${CMAKE_MATCH_1}")
  set(offset "${CMAKE_MATCH_2}")
  set(changed "${WORK}/changed.exe")
  file(COPY_FILE "${installer}" "${changed}")
  file(READ "${changed}" old OFFSET ${offset} LIMIT 1 HEX)
  math(EXPR new "0x${old} ^ 0x01")
  math(EXPR octal "${new} / 64 * 100 + ${new} / 8 % 8 * 10 + ${new} % 8")
  execute_process(COMMAND sh -c "printf '\\${octal}' | dd of='${changed}' bs=1 seek=${offset} conv=notrunc status=none"
                  RESULT_VARIABLE rc)
  file(READ "${changed}" now OFFSET ${offset} LIMIT 1 HEX)
  if(NOT rc EQUAL 0 OR now STREQUAL old)
    message(FATAL_ERROR "Could not change the byte at ${offset} of ${changed}")
  endif()
  verify("${changed}" ok)
  if(ok)
    string(APPEND failures "One byte changed in the ${what} (offset ${offset}), and the installer still verifies\n")
  else()
    message(STATUS "One byte changed in the ${what} (offset ${offset}): verification fails")
  endif()
endforeach()

# Signed again, as the build signs it: the build's own settings, the password
# from the environment as it had it.
load_cache("${BUILD}" READ_WITH_PREFIX build_ MURKLE_SIGN_PKCS12 MURKLE_SIGN_TIME)
set(unsigned "${WORK}/unsigned.exe")
execute_process(COMMAND "${OSSLSIGNCODE}" remove-signature -in "${installer}" -out "${unsigned}"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "osslsigncode could not remove the signature of ${installer}")
endif()
math(EXPR later "${build_MURKLE_SIGN_TIME} + 86400")
foreach(time ${build_MURKLE_SIGN_TIME} ${later})
  file(COPY_FILE "${unsigned}" "${WORK}/${time}.exe")
  execute_process(COMMAND "${CMAKE_COMMAND}" -DFILE=${WORK}/${time}.exe "-DDESCRIPTION=Murkle setup"
                          -DPKCS12=${build_MURKLE_SIGN_PKCS12} -DTIME=${time} -DOSSLSIGNCODE=${OSSLSIGNCODE}
                          -P ${CMAKE_CURRENT_LIST_DIR}/../cmake/sign.cmake
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Could not sign ${WORK}/${time}.exe")
  endif()
endforeach()
execute_process(COMMAND cmp "${installer}" "${WORK}/${build_MURKLE_SIGN_TIME}.exe"
                RESULT_VARIABLE rc OUTPUT_VARIABLE log)
if(NOT rc EQUAL 0)
  string(APPEND failures "Signed again at the same time, the installer differs: ${log}\n")
endif()
execute_process(COMMAND cmp -l "${installer}" "${WORK}/${later}.exe" OUTPUT_VARIABLE log)
string(REGEX MATCHALL "[0-9]+ +[0-7]+ +[0-7]+" differences "${log}")
list(LENGTH differences count)
set(outside "")
foreach(line IN LISTS differences)
  string(REGEX MATCH "^[0-9]+" at "${line}")
  math(EXPR at "${at} - 1")
  if(at LESS table AND (at LESS checksum OR at GREATER_EQUAL checksum_end))
    list(APPEND outside ${at})
  endif()
endforeach()
if(count EQUAL 0 OR outside)
  string(APPEND failures "Signed a day later, the installer differs in ${count} bytes, outside the signature "
                         "and the checksum at: ${outside}\n")
else()
  message(STATUS "Signed a day later, the installer differs in ${count} bytes, all in the signature and "
                 "the PE checksum; the signature takes ${table_size} bytes")
endif()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
