# Cross-compiles for Windows with Debian's mingw-w64. Pass KV27_MINGW_ARCH (x86_64 or i686) and
# KV27_MINGW_THREADS (win32, or posix where the standard library's threads are needed, as by Qt).
set(KV27_MINGW_ARCH x86_64 CACHE STRING "Target processor of the mingw-w64 cross compilers")
set(KV27_MINGW_THREADS win32 CACHE STRING "Thread model of the mingw-w64 cross compilers")
# try_compile projects read this file again and need the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KV27_MINGW_ARCH KV27_MINGW_THREADS)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KV27_MINGW_ARCH})

set(triple ${KV27_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-${KV27_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${triple}-g++-${KV27_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages such as Qt found through CMAKE_PREFIX_PATH live outside the mingw root.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
