# Shared part of the MinGW-w64 toolchain files; KESTRANE_TRIPLE names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KESTRANE_ARCH})

set(CMAKE_C_COMPILER ${KESTRANE_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRANE_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRANE_TRIPLE}-windres)
set(CMAKE_AR ${KESTRANE_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${KESTRANE_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRANE_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and try_run go through our Wine wrapper, which picks the loader for the
# architecture and the project's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec;${KESTRANE_ARCH}")
