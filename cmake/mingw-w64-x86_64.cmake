# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix,
# binutils-mingw-w64-x86-64 for windres):
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Programs built here run under Wine, so CTest and test discovery start them through it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(M5_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${M5_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${M5_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${M5_MINGW_TRIPLET}-windres)

# Libraries and packages come from the MinGW tree only; the header-only libraries the build
# shares with Linux are added one by one (cmake/HeaderOnlyForWindows.cmake), never the whole
# of /usr/include, whose C headers are glibc's.
set(CMAKE_FIND_ROOT_PATH /usr/${M5_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs of this build run under Wine (cmake/run-under-wine.in, set up by CMakeLists.txt).
find_program(M5_WINE wine)
