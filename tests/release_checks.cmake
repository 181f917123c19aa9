# cmake -DROOT=<project> -DA=<product build tree> -DB=<another> -DCERTS=<throwaway certificates>
#       -DPASSWORD=<their password> -DWORK=<scratch folder> -DOSSLSIGNCODE=osslsigncode -P release_checks.cmake
#
# tools/release.sh on the two builds that reproducible_build compares (its
# quick run, --reuse-trees: the command's own two builds take minutes), signed
# with the throwaway certificate:
# * refused, with its reason, and the earlier release left as it was with
#   nothing half-written beside it: no such certificate, a wrong password, two
#   builds that differ (named where), uncommitted changes without --dirty;
# * the release: SHA256SUMS checks, the unsigned installer is the build's, the
#   signed one verifies against the throwaway root and is the unsigned one and
#   a signature, and RELEASE.txt names the commit, each payload file with its
#   size and SHA-256, and the overhead.
if(NOT EXISTS "${OSSLSIGNCODE}")
  message(STATUS "SKIPPED: osslsigncode is not installed, and the release command signs with it")
  return()
endif()
execute_process(COMMAND git -C "${ROOT}" rev-parse HEAD RESULT_VARIABLE rc OUTPUT_VARIABLE commit
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(STATUS "SKIPPED: ${ROOT} is not a git checkout, and the release command releases a commit")
  return()
endif()

file(REMOVE_RECURSE "${WORK}")
set(out "${WORK}/dist/release")
set(failures "")
set(earlier "an earlier release\n")
file(WRITE "${out}/RELEASE.txt" "${earlier}")
file(WRITE "${WORK}/password" "${PASSWORD}\n")
file(WRITE "${WORK}/wrong-password" "not ${PASSWORD}\n")

function(release script)
  execute_process(COMMAND sh "${script}" ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
  set(rc ${rc} PARENT_SCOPE)
  set(log "${log}" PARENT_SCOPE)
endfunction()

# What a refused release must leave: the earlier one, and nothing beside it.
function(expect_refused what pattern)
  release(${ARGN})
  # CMake's messages wrap their lines.
  string(REGEX REPLACE "[ \n]+" " " flat "${log}")
  file(READ "${out}/RELEASE.txt" now)
  file(GLOB beside "${WORK}/dist/*")
  if(rc EQUAL 0)
    string(APPEND failures "${what}: released all the same:\n${log}\n")
  elseif(NOT flat MATCHES "${pattern}")
    string(APPEND failures "${what}: refused without saying '${pattern}':\n${log}\n")
  elseif(NOT now STREQUAL earlier OR NOT beside STREQUAL "${out}")
    string(APPEND failures "${what}: refused, but dist/ holds ${beside}, its RELEASE.txt '${now}'\n")
  else()
    message(STATUS "${what}: refused (${pattern})")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

# Where this work tree has changes of its own, --dirty, said so.
execute_process(COMMAND git -C "${ROOT}" status --porcelain OUTPUT_VARIABLE changes)
set(dirty "")
if(NOT changes STREQUAL "")
  set(dirty --dirty)
endif()
set(release_sh "${ROOT}/tools/release.sh")
set(trees --reuse-trees "${A}" "${B}" --out "${out}")
expect_refused("No such certificate" "no certificate to sign with"
               "${release_sh}" --sign "${WORK}/no-such.p12" ${trees})
expect_refused("A wrong password" "wrong password"
               "${release_sh}" --sign "${CERTS}/signer.p12" --password-file "${WORK}/wrong-password" ${trees})

# A build stamped with its time: the installer with a TimeDateStamp, its
# payload as built.
set(stamped "${WORK}/stamped")
file(MAKE_DIRECTORY "${stamped}")
file(COPY_FILE "${A}/MurkleSetup.exe" "${stamped}/MurkleSetup.exe")
file(CREATE_LINK "${A}/packed" "${stamped}/packed" SYMBOLIC)
file(CREATE_LINK "${A}/payload" "${stamped}/payload" SYMBOLIC)
file(READ "${stamped}/MurkleSetup.exe" pe OFFSET 60 LIMIT 2 HEX)
string(SUBSTRING "${pe}" 2 2 high)
string(SUBSTRING "${pe}" 0 2 low)
math(EXPR stamp "0x${high}${low} + 8")
execute_process(COMMAND sh -c "printf '\\001' | dd of='${stamped}/MurkleSetup.exe' bs=1 seek=${stamp} conv=notrunc status=none")
expect_refused("Two builds that differ" "differ first in the PE header's TimeDateStamp"
               "${release_sh}" ${dirty} --reuse-trees "${A}" "${stamped}" --out "${out}")

# Uncommitted changes, in a clone of the project that runs this release command.
execute_process(COMMAND git clone -q --shared "${ROOT}" "${WORK}/clone" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "Could not clone ${ROOT} into ${WORK}/clone")
endif()
file(COPY "${release_sh}" DESTINATION "${WORK}/clone/tools")
file(COPY "${ROOT}/cmake/compare_builds.cmake" "${ROOT}/cmake/le_number.cmake" DESTINATION "${WORK}/clone/cmake")
file(APPEND "${WORK}/clone/README.md" "A change not committed.\n")
expect_refused("Uncommitted changes" "uncommitted changes.*--dirty"
               "${WORK}/clone/tools/release.sh" ${trees})

# The release.
release("${release_sh}" --sign "${CERTS}/signer.p12" --password-file "${WORK}/password" --ca "${CERTS}/root.pem"
        ${dirty} ${trees})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${failures}The release failed:\n${log}")
endif()
if(NOT log MATCHES "signing without a time stamp")
  string(APPEND failures "The release does not say that it signed without a time stamp:\n${log}\n")
endif()
file(GLOB released RELATIVE "${out}" "${out}/*")
file(GLOB beside "${WORK}/dist/*")
list(SORT released)
if(NOT released STREQUAL "MurkleSetup-unsigned.exe;MurkleSetup.exe;RELEASE.txt;SHA256SUMS" OR NOT beside STREQUAL "${out}")
  string(APPEND failures "The release holds ${released}; dist/ holds ${beside}\n")
endif()
execute_process(COMMAND sha256sum -c SHA256SUMS WORKING_DIRECTORY "${out}" RESULT_VARIABLE rc OUTPUT_VARIABLE log
                ERROR_VARIABLE log)
if(NOT rc EQUAL 0 OR NOT log MATCHES "MurkleSetup.exe: OK" OR NOT log MATCHES "MurkleSetup-unsigned.exe: OK")
  string(APPEND failures "sha256sum -c SHA256SUMS: ${log}\n")
endif()
execute_process(COMMAND cmp "${A}/MurkleSetup.exe" "${out}/MurkleSetup-unsigned.exe" RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  string(APPEND failures "The released unsigned installer is not the one built in ${A}\n")
endif()
execute_process(COMMAND "${OSSLSIGNCODE}" verify -CAfile "${CERTS}/root.pem" -in "${out}/MurkleSetup.exe"
                RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT rc EQUAL 0)
  string(APPEND failures "The released installer does not verify against the throwaway root:\n${log}\n")
endif()
execute_process(COMMAND "${OSSLSIGNCODE}" remove-signature -in "${out}/MurkleSetup.exe" -out "${WORK}/removed.exe"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
execute_process(COMMAND cmp "${WORK}/removed.exe" "${out}/MurkleSetup-unsigned.exe" RESULT_VARIABLE same OUTPUT_QUIET)
if(NOT rc EQUAL 0 OR NOT same EQUAL 0)
  string(APPEND failures "The released installer, its signature removed, is not the unsigned one\n")
endif()

file(READ "${out}/RELEASE.txt" text)
if(NOT text MATCHES "commit ${commit}")
  string(APPEND failures "RELEASE.txt does not name commit ${commit}\n")
endif()
if(dirty AND NOT text MATCHES "UNCOMMITTED CHANGES")
  string(APPEND failures "RELEASE.txt does not say the work tree had uncommitted changes\n")
elseif(NOT dirty AND text MATCHES "UNCOMMITTED")
  string(APPEND failures "RELEASE.txt speaks of uncommitted changes in a clean work tree\n")
endif()
file(STRINGS "${ROOT}/payload/manifest.def" rows REGEX "^MANIFEST_ROW")
set(packed 0)
foreach(row IN LISTS rows)
  string(REGEX MATCH "\"([^\"]+)\"" _ "${row}")
  set(name "${CMAKE_MATCH_1}")
  file(SIZE "${A}/payload/${name}" size)
  file(SHA256 "${A}/payload/${name}" hash)
  if(NOT text MATCHES "\n  ${name} +${size}  ${hash}\n")
    string(APPEND failures "RELEASE.txt does not give ${name} as ${size} bytes, SHA-256 ${hash}\n")
  endif()
  file(SIZE "${A}/packed/${name}.z" stream)
  math(EXPR packed "${packed} + ${stream}")
endforeach()
file(SIZE "${A}/MurkleSetup.exe" size)
math(EXPR overhead "${size} - ${packed}")
if(NOT text MATCHES "overhead ${overhead} bytes")
  string(APPEND failures "RELEASE.txt does not give the overhead as ${overhead} bytes:\n${text}\n")
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "Released, signed, verified and summed: overhead ${overhead} bytes")
