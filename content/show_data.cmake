# The names of the show's data files, read out of content/show_data.h, where
# the show and the generators take them from, so that the build's output
# lists cannot drift from them. Sets, as names inside the data folder:
#   SHOW_PICTURE_FILES  every picture, the text slides counted out
#   SHOW_MUSIC_FILE     the music track
# Editing the header configures the build again.
set(show_data_header ${PROJECT_SOURCE_DIR}/content/show_data.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${show_data_header})
file(STRINGS ${show_data_header} show_data_lines REGEX "^constexpr .*(\"data/|TEXT_SLIDE_COUNT = )")

set(SHOW_PICTURE_FILES)
set(SHOW_MUSIC_FILE)
set(text_slide_count)
set(text_slide_pattern)
foreach(line IN LISTS show_data_lines)
  if(line MATCHES "TEXT_SLIDE_COUNT = ([0-9]+);")
    set(text_slide_count ${CMAKE_MATCH_1})
  elseif(line MATCHES "\"data/([^\"]*%u[^\"]*)\"")
    set(text_slide_pattern ${CMAKE_MATCH_1})
  elseif(line MATCHES "\"data/([^\"]+\\.png)\"")
    list(APPEND SHOW_PICTURE_FILES ${CMAKE_MATCH_1})
  elseif(line MATCHES "\"data/([^\"]+\\.mp3)\"")
    set(SHOW_MUSIC_FILE ${CMAKE_MATCH_1})
  endif()
endforeach()
if(NOT text_slide_count OR NOT text_slide_pattern OR NOT SHOW_MUSIC_FILE)
  message(FATAL_ERROR "${show_data_header}: the text slides' count or name pattern, or the music file, is missing")
endif()
foreach(number RANGE 1 ${text_slide_count})
  string(REPLACE "%u" ${number} slide ${text_slide_pattern})
  list(APPEND SHOW_PICTURE_FILES ${slide})
endforeach()
