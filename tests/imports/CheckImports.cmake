# cmake -DOBJDUMP=... -DFILE=... -P CheckImports.cmake
# Fails when FILE imports a DLL that is not part of Windows itself: shipped
# files must carry their runtime (no libstdc++, libgcc or winpthread DLLs).
cmake_minimum_required(VERSION 3.25)
set(allowed
  kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 comctl32 comdlg32 shlwapi
  version msvcrt uxtheme rpcrt4 winmm ws2_32 crypt32 bcrypt ntdll)

execute_process(COMMAND ${OBJDUMP} -p ${FILE}
  OUTPUT_VARIABLE dump RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${FILE}: ${err}")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
set(foreign "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  string(REGEX REPLACE "\\.dll$" "" base "${lower}")
  # The API sets (api-ms-win-crt-*, ...) are Windows' own.
  if(NOT base IN_LIST allowed AND NOT base MATCHES "^(api|ext)-ms-win-")
    list(APPEND foreign "${dll}")
  endif()
endforeach()

if(NOT lines)
  message(FATAL_ERROR "${FILE}: no import table found")
endif()
if(foreign)
  message(FATAL_ERROR "${FILE} imports DLLs that are not part of Windows: ${foreign}")
endif()
list(LENGTH lines count)
message(STATUS "${FILE}: ${count} imported DLLs, all Windows system DLLs")
