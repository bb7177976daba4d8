# The Windows tree's tests: the core's suites that need no display, built
# with the Windows programs and run under Wine through ctest (the toolchain's
# CMAKE_CROSSCOMPILING_EMULATOR). Run them inside one Wine session:
#   tests/windows/wine_session.py --template build/windows/wine-template -- ctest --test-dir build/windows/show
# Their cases are listed when ctest runs (PRE_TEST), inside that session,
# rather than at build time, where Wine would start on the user's own prefix.
set(windows_test_dir ${PROJECT_BINARY_DIR}/tests/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${windows_test_dir})

# The DLLs the suites link, beside them.
set(windows_test_dlls)
foreach(dll IN LISTS WINDOWS_DEPS_DLLS)
  get_filename_component(name ${dll} NAME)
  add_custom_command(OUTPUT ${windows_test_dir}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${dll} ${windows_test_dir}/${name}
    DEPENDS ${dll} VERBATIM)
  list(APPEND windows_test_dlls ${windows_test_dir}/${name})
endforeach()
add_custom_target(windows_test_dlls ALL DEPENDS ${windows_test_dlls})

function(pelmira_windows_suite target)
  target_link_libraries(${target} PRIVATE windows_deps::gtest_main windows_deps::runtime)
  add_dependencies(${target} windows_test_dlls)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT ${PELMIRA_TEST_DISCOVERY_TIMEOUT}
    PROPERTIES LABELS windows-unit)
endfunction()

add_executable(timeline_test ${CMAKE_CURRENT_SOURCE_DIR}/timeline/timeline_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/timeline/main_loop_test.cpp)
target_link_libraries(timeline_test PRIVATE pelmira_timeline)
pelmira_windows_suite(timeline_test)

# The recorder's child processes, with the helper they start.
add_executable(child_pipe_helper ${CMAKE_CURRENT_SOURCE_DIR}/capture/child_pipe_helper.cpp)
target_link_libraries(child_pipe_helper PRIVATE windows_deps::runtime)
add_executable(child_pipe_test ${CMAKE_CURRENT_SOURCE_DIR}/capture/child_pipe_test.cpp)
target_link_libraries(child_pipe_test PRIVATE pelmira_capture)
add_dependencies(child_pipe_test child_pipe_helper)
target_compile_definitions(child_pipe_test PRIVATE CHILD_PIPE_HELPER="$<TARGET_FILE:child_pipe_helper>")
pelmira_windows_suite(child_pipe_test)

# The shared maths give the native tree's table to the last bit: the native
# tree writes it (desktop_maths_table --write), this one checks it.
set(PELMIRA_NATIVE_MATHS_TABLE ${PROJECT_SOURCE_DIR}/build/tests/maths/desktop_maths.table CACHE FILEPATH
    "The table of the desktop maths the native tree wrote")
add_library(maths_arguments STATIC ${CMAKE_CURRENT_SOURCE_DIR}/maths/maths_arguments.cpp)
add_executable(desktop_maths_table ${CMAKE_CURRENT_SOURCE_DIR}/maths/desktop_maths_table.cpp)
target_link_libraries(desktop_maths_table PRIVATE maths_arguments pelmira_desktop_maths windows_deps::runtime)
add_test(NAME desktop_maths_table_check COMMAND desktop_maths_table --check ${PELMIRA_NATIVE_MATHS_TABLE})
set_tests_properties(desktop_maths_table_check PROPERTIES LABELS windows-unit)
