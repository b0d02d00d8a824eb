# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
# The posix flavour is the one with std::thread and std::mutex, which Qt needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_kv_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_kv_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_kv_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_kv_triple}-windres)
set(CMAKE_AR ${_kv_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_kv_triple}-ranlib CACHE FILEPATH "")

# Libraries and headers come from the MinGW tree (and the prefixes the caller adds); the
# programs run during the build are the host's own.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${_kv_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
