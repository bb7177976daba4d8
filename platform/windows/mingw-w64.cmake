# Cross-builds for 64-bit Windows with Debian's mingw-w64, posix thread model
# (the win32 one has no std::mutex or std::condition_variable):
#   cmake -DCMAKE_TOOLCHAIN_FILE=platform/windows/mingw-w64.cmake
#         [-DPELMIRA_WINDOWS_DEPS=<prefix of platform/windows/third_party>] ...
# Libraries and headers are found only under mingw's own root and that
# prefix; programs built here run through Wine (tests, gtest discovery).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
# The plain names may point at the win32 thread model's compilers.
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_AR /usr/bin/${MINGW_TRIPLET}-ar CACHE FILEPATH "mingw-w64's ar")
set(CMAKE_RANLIB /usr/bin/${MINGW_TRIPLET}-ranlib CACHE FILEPATH "mingw-w64's ranlib")

# try_compile projects read this file again: hand them the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PELMIRA_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${PELMIRA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env;WINEDEBUG=-all;/usr/bin/wine)
