# cmake -DOBJDUMP=... -DFILE=... -P CheckImports.cmake
# Fails when FILE imports a DLL that is not part of Windows itself: shipped
# files must carry their runtime (no libstdc++, libgcc or winpthread DLLs).
cmake_minimum_required(VERSION 3.25)
# Imports are loaded before any of our code runs, from the program's own
# folder first unless Windows lists the DLL as known (KnownDLLs). The shipped
# files lie in a download folder before they are installed, so they import
# known DLLs only, and comctl32, which their manifests bind to the system's
# side-by-side copy. Anything else is loaded at run time from the system
# directory.
set(allowed
  kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 comdlg32 shlwapi msvcrt
  rpcrt4 ws2_32 ntdll comctl32)

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
