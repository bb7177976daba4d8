# Imported targets for the web build's third-party libraries, installed
# beside this file by platform/web/third_party:
#   include(${PELMIRA_WEB_DEPS}/deps.cmake)
#   target_link_libraries(show PRIVATE web_deps::png web_deps::mpg123)
include_guard(GLOBAL)

foreach(library IN ITEMS z png16 mpg123)
    if(NOT EXISTS "${CMAKE_CURRENT_LIST_DIR}/lib/lib${library}.a")
        message(FATAL_ERROR "pelmira15: ${CMAKE_CURRENT_LIST_DIR}/lib/lib${library}.a is missing: "
                            "build the web libraries first (cmake --build build/web/deps)")
    endif()
endforeach()

add_library(web_deps::zlib STATIC IMPORTED)
set_target_properties(web_deps::zlib PROPERTIES
    IMPORTED_LOCATION "${CMAKE_CURRENT_LIST_DIR}/lib/libz.a"
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/include")

add_library(web_deps::png STATIC IMPORTED)
set_target_properties(web_deps::png PROPERTIES
    IMPORTED_LOCATION "${CMAKE_CURRENT_LIST_DIR}/lib/libpng16.a"
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/include"
    INTERFACE_LINK_LIBRARIES web_deps::zlib)

add_library(web_deps::mpg123 STATIC IMPORTED)
set_target_properties(web_deps::mpg123 PROPERTIES
    IMPORTED_LOCATION "${CMAKE_CURRENT_LIST_DIR}/lib/libmpg123.a"
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/include")
