# Cross-compiling for Windows with Debian's MinGW-w64 posix toolchain; the
# host (MINGW_HOST) is set by the per-host files beside this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_HOST}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
