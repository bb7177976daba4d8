# Imported targets for the Windows build's third-party libraries, installed
# beside this file by platform/windows/third_party:
#   include(${PELMIRA_WINDOWS_DEPS}/deps.cmake)
#   target_link_libraries(show PRIVATE windows_deps::runtime windows_deps::sdl2main
#                         windows_deps::png windows_deps::mpg123)
# WINDOWS_DEPS_DLLS lists the DLLs to place beside a program that links them.
include_guard(GLOBAL)

set(WINDOWS_DEPS_DIR ${CMAKE_CURRENT_LIST_DIR})
set(WINDOWS_DEPS_DLLS ${WINDOWS_DEPS_DIR}/bin/libmpg123.dll)
foreach(file IN ITEMS lib/libSDL2.a lib/libSDL2main.a lib/libz.a lib/libpng16.a lib/libmpg123.dll.a
                      lib/libgtest.a lib/libgtest_main.a lib/libgmock.a lib/libgmock_main.a
                      bin/libmpg123.dll)
    if(NOT EXISTS "${WINDOWS_DEPS_DIR}/${file}")
        message(FATAL_ERROR "pelmira15: ${WINDOWS_DEPS_DIR}/${file} is missing: "
                            "build the Windows libraries first (make windows-deps)")
    endif()
endforeach()

# What every program needs: the C++ and thread runtimes inside the .exe, so
# that only our own DLLs travel beside it, and no link time stamp in it.
add_library(windows_deps::runtime INTERFACE IMPORTED)
set_target_properties(windows_deps::runtime PROPERTIES
    INTERFACE_LINK_OPTIONS "-static;-Wl,--no-insert-timestamp")

# Windows' own libraries that SDL2's static build calls.
add_library(windows_deps::sdl2 STATIC IMPORTED)
set_target_properties(windows_deps::sdl2 PROPERTIES
    IMPORTED_LOCATION "${WINDOWS_DEPS_DIR}/lib/libSDL2.a"
    INTERFACE_INCLUDE_DIRECTORIES "${WINDOWS_DEPS_DIR}/include;${WINDOWS_DEPS_DIR}/include/SDL2"
    INTERFACE_LINK_LIBRARIES
        "user32;gdi32;winmm;imm32;ole32;oleaut32;version;uuid;advapi32;setupapi;shell32")

# SDL's WinMain, which calls the program's SDL_main (main, renamed by
# SDL_main.h); mingw's startup code must come before it on the line.
add_library(windows_deps::sdl2main INTERFACE IMPORTED)
set_target_properties(windows_deps::sdl2main PROPERTIES
    INTERFACE_LINK_LIBRARIES "mingw32;${WINDOWS_DEPS_DIR}/lib/libSDL2main.a;windows_deps::sdl2")

add_library(windows_deps::zlib STATIC IMPORTED)
set_target_properties(windows_deps::zlib PROPERTIES
    IMPORTED_LOCATION "${WINDOWS_DEPS_DIR}/lib/libz.a"
    INTERFACE_INCLUDE_DIRECTORIES "${WINDOWS_DEPS_DIR}/include")

add_library(windows_deps::png STATIC IMPORTED)
set_target_properties(windows_deps::png PROPERTIES
    IMPORTED_LOCATION "${WINDOWS_DEPS_DIR}/lib/libpng16.a"
    INTERFACE_INCLUDE_DIRECTORIES "${WINDOWS_DEPS_DIR}/include"
    INTERFACE_LINK_LIBRARIES windows_deps::zlib)

# The DLL exports only the 64-bit off_t names (mpg123_seek_64 ...); the
# header picks them when _FILE_OFFSET_BITS is 64.
add_library(windows_deps::mpg123 SHARED IMPORTED)
set_target_properties(windows_deps::mpg123 PROPERTIES
    IMPORTED_LOCATION "${WINDOWS_DEPS_DIR}/bin/libmpg123.dll"
    IMPORTED_IMPLIB "${WINDOWS_DEPS_DIR}/lib/libmpg123.dll.a"
    INTERFACE_INCLUDE_DIRECTORIES "${WINDOWS_DEPS_DIR}/include"
    INTERFACE_COMPILE_DEFINITIONS _FILE_OFFSET_BITS=64)

# GoogleTest for the tests built for Windows (never shipped).
foreach(library IN ITEMS gtest gtest_main gmock gmock_main)
    add_library(windows_deps::${library} STATIC IMPORTED)
    set_target_properties(windows_deps::${library} PROPERTIES
        IMPORTED_LOCATION "${WINDOWS_DEPS_DIR}/lib/lib${library}.a"
        INTERFACE_INCLUDE_DIRECTORIES "${WINDOWS_DEPS_DIR}/include")
endforeach()
set_target_properties(windows_deps::gtest_main PROPERTIES INTERFACE_LINK_LIBRARIES windows_deps::gtest)
set_target_properties(windows_deps::gmock PROPERTIES INTERFACE_LINK_LIBRARIES windows_deps::gtest)
set_target_properties(windows_deps::gmock_main PROPERTIES INTERFACE_LINK_LIBRARIES windows_deps::gmock)
