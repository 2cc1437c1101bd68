# Cross-build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64):
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake
#   cmake --build build-windows
# gives sectorcut.exe, dirpull.exe and d88info.exe, linked statically so that
# they need no DLL beyond those of Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(D88_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${D88_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${D88_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${D88_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${D88_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
