# The show's data files, from the list content/data_files.txt, which the
# show and the generators read through content/show_data.h, so that the
# build's output lists cannot drift from the code. Sets, as names inside the
# data folder:
#   SHOW_PICTURE_FILES  every picture and the icon, series counted out
#   SHOW_ICON_FILES     those of them that are the icon, which the show
#                       itself does not read
#   SHOW_MUSIC_FILE     the music track
# and writes the list's C++ names and table into the build tree, as the
# header content/data_files.h. Editing the list configures the build again.
set(data_files_list ${PROJECT_SOURCE_DIR}/content/data_files.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${data_files_list})
file(STRINGS ${data_files_list} data_file_lines REGEX "^[^#]")

set(SHOW_PICTURE_FILES)
set(SHOW_ICON_FILES)
set(SHOW_MUSIC_FILE)
set(data_file_names)
set(data_file_table)
foreach(line IN LISTS data_file_lines)
  string(REGEX MATCHALL "[^ \t]+" fields "${line}")
  list(LENGTH fields field_count)
  if(NOT field_count EQUAL 3 AND NOT field_count EQUAL 5)
    message(FATAL_ERROR "${data_files_list}: '${line}' is not NAME FILE KIND [COUNT_NAME COUNT]")
  endif()
  list(GET fields 0 name)
  list(GET fields 1 file)
  list(GET fields 2 kind)
  if(NOT kind MATCHES "^(picture|icon|music)$")
    message(FATAL_ERROR "${data_files_list}: ${name} is of no known kind (picture, icon, music): ${kind}")
  endif()
  string(TOUPPER ${kind} kind_name)
  string(APPEND data_file_names "constexpr const char* ${name} = \"data/${file}\";\n")
  set(files ${file})
  if(field_count EQUAL 5)
    list(GET fields 3 count_name)
    list(GET fields 4 count)
    if(NOT file MATCHES "%u" OR NOT count MATCHES "^[1-9][0-9]*$")
      message(FATAL_ERROR "${data_files_list}: the series ${name} needs %u in its file name and a count from 1")
    endif()
    string(APPEND data_file_names "constexpr int ${count_name} = ${count};\n")
    set(files)
    foreach(number RANGE 1 ${count})
      string(REPLACE "%u" ${number} numbered ${file})
      list(APPEND files ${numbered})
    endforeach()
  endif()
  foreach(each IN LISTS files)
    string(APPEND data_file_table "    {\"data/${each}\", ShowDataKind::${kind_name}},\n")
  endforeach()
  if(kind STREQUAL "music")
    if(SHOW_MUSIC_FILE)
      message(FATAL_ERROR "${data_files_list}: one music file only, not also ${file}")
    endif()
    set(SHOW_MUSIC_FILE ${file})
  else()
    list(APPEND SHOW_PICTURE_FILES ${files})
  endif()
  if(kind STREQUAL "icon")
    list(APPEND SHOW_ICON_FILES ${files})
  endif()
endforeach()
if(NOT SHOW_MUSIC_FILE)
  message(FATAL_ERROR "${data_files_list}: no music file")
endif()

set(data_files_header ${PROJECT_BINARY_DIR}/generated/content/data_files.h)
file(CONFIGURE OUTPUT ${data_files_header} CONTENT
"// Written by the build from content/data_files.txt: edit that list.
// Included by content/show_data.h, which declares ShowDataFile.
#pragma once

@data_file_names@
// Every data file, series counted out, in the list's order.
constexpr ShowDataFile SHOW_DATA_FILES[] = {
@data_file_table@};
" @ONLY)
include_directories(${PROJECT_BINARY_DIR}/generated)
