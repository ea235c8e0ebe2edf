# Shared by both mingw-w64 toolchains. The posix thread model gives the
# standard library its mutexes and threads (GoogleTest needs them); winpthread
# is linked statically, so the shipped files still import only system DLLs.
set(CMAKE_C_COMPILER   ${TRK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TRK_MINGW_TRIPLE}-windres)
set(TRK_WIDL           ${TRK_MINGW_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${TRK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
