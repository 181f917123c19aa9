# murkle_le_number(out file offset size): the little-endian number of size
# bytes at offset (an expression) in file, for the scripts that read the
# fields of a program's headers.
function(murkle_le_number out file offset size)
  math(EXPR offset "${offset}")
  file(READ "${file}" hex OFFSET ${offset} LIMIT ${size} HEX)
  set(big "")
  string(LENGTH "${hex}" at)
  while(at GREATER 0)
    math(EXPR at "${at} - 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    string(APPEND big "${byte}")
  endwhile()
  math(EXPR value "0x${big}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()
