# Writes the "_IID_SHELLEXT" 1 resource (a 32-bit length, 16, then the GUID
# bytes in the platform's layout) from the identifier widl generated from the
# IDL, so that the IDL stays the one place where it is written.
#   cmake -DHEADER=trkmenu_h.h -DOUT=iid_shellext.rc -P IidResource.cmake
file(READ "${HEADER}" text)
string(REGEX MATCH "DEFINE_GUID\\(IID__ShellExt, *([^)]*)\\)" found "${text}")
if(NOT found)
  message(FATAL_ERROR "IID__ShellExt not found in ${HEADER}")
endif()
string(REPLACE " " "" parts "${CMAKE_MATCH_1}")
string(REPLACE "," ";" parts "${parts}")
list(GET parts 0 d1)
list(GET parts 1 d2)
list(GET parts 2 d3)
# Data4: eight bytes, written as little-endian 16-bit words.
set(words "")
foreach(i 3 5 7 9)
  math(EXPR j "${i} + 1")
  list(GET parts ${i} lo)
  list(GET parts ${j} hi)
  math(EXPR w "(${hi} << 8) | ${lo}" OUTPUT_FORMAT HEXADECIMAL)
  string(APPEND words ", ${w}")
endforeach()
file(WRITE "${OUT}" "1 _IID_SHELLEXT\nBEGIN\n  16L, ${d1}L, ${d2}, ${d3}${words}\nEND\n")
