# The Windows tree's programs as a user gets them: each linked with the
# static runtime and its resources (icon, version, manifest), the DLLs and
# the data folder beside them in the tree's root, as the native tree has
# build/pelmira15 and data/. The native tree makes the data and the icon:
# run `make build` first.
set(PELMIRA_NATIVE_DATA ${PROJECT_SOURCE_DIR}/data CACHE PATH "The data folder the native tree made")
set(PELMIRA_NATIVE_ICON ${PROJECT_SOURCE_DIR}/build/tools/windows_icon/pelmira15.ico CACHE FILEPATH
    "The Windows icon the native tree made (tools/windows_icon)")
set(PELMIRA_WINDOWS_OUTPUT_DIR ${PROJECT_SOURCE_DIR}/build-windows CACHE PATH
    "Where the Windows packages are written")

set(native_data_files ${SHOW_PICTURE_FILES} ${SHOW_MUSIC_FILE})
list(TRANSFORM native_data_files PREPEND ${PELMIRA_NATIVE_DATA}/ OUTPUT_VARIABLE native_data_paths)
foreach(file IN LISTS native_data_paths PELMIRA_NATIVE_ICON)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "The Windows tree takes ${file} from the native tree, which has not made it: run make build")
  endif()
endforeach()

set(windows_data_dir ${PROJECT_BINARY_DIR}/data)
list(TRANSFORM native_data_files PREPEND ${windows_data_dir}/ OUTPUT_VARIABLE windows_data_paths)
add_custom_command(
  OUTPUT ${windows_data_paths}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${windows_data_dir}
  COMMAND ${CMAKE_COMMAND} -E copy ${native_data_paths} ${windows_data_dir}
  DEPENDS ${native_data_paths}
  COMMENT "Copying the native tree's data into ${windows_data_dir}"
  VERBATIM
)
add_custom_target(windows_show_data ALL DEPENDS ${windows_data_paths})

# The libraries that stay DLLs (libmpg123, which a user may replace) go
# beside the programs.
set(windows_dll_copies)
foreach(dll IN LISTS WINDOWS_DEPS_DLLS)
  get_filename_component(name ${dll} NAME)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${dll} ${PROJECT_BINARY_DIR}/${name}
    DEPENDS ${dll}
    VERBATIM
  )
  list(APPEND windows_dll_copies ${PROJECT_BINARY_DIR}/${name})
endforeach()
add_custom_target(windows_dlls ALL DEPENDS ${windows_dll_copies})

set(PELMIRA_PRODUCT_NAME "Pelmira 15 Advert")
set(PELMIRA_COMPANY_NAME "the pelmira15 developers")
set(windows_manifest ${CMAKE_CURRENT_LIST_DIR}/resources/program.manifest)

# pelmira_windows_program(TARGET GUI|CONSOLE DESCRIPTION): the program's
# subsystem, runtime and resources.
function(pelmira_windows_program target subsystem description)
  set(rc ${PROJECT_BINARY_DIR}/resources/${target}.rc)
  set(PROGRAM_NAME ${target})
  set(PROGRAM_DESCRIPTION ${description})
  set(PROGRAM_ICON ${PELMIRA_NATIVE_ICON})
  set(PROGRAM_MANIFEST ${windows_manifest})
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/resources/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${PELMIRA_NATIVE_ICON} ${windows_manifest})
  target_link_libraries(${target} PRIVATE windows_deps::runtime)
  if(subsystem STREQUAL "GUI")
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
  add_dependencies(${target} windows_dlls windows_show_data)
endfunction()

pelmira_windows_program(pelmira15 GUI "${PELMIRA_PRODUCT_NAME}")
pelmira_windows_program(pelmira15-capture CONSOLE "${PELMIRA_PRODUCT_NAME} recorder")
