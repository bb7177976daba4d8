# Compiles the backend's sources with emscripten's em++, as the web tree
# will: its GL, GLU and WebGL headers differ from the system's.
# -D EMXX=<em++> -D SOURCE_DIR=<repository> -D OUTPUT_DIR=<scratch>
file(GLOB sources ${SOURCE_DIR}/platform/web/gl/*.cpp)
list(FILTER sources EXCLUDE REGEX "es_calls_egl\\.cpp$")
file(MAKE_DIRECTORY ${OUTPUT_DIR})
# Debian's emscripten finds its JavaScript modules through Debian's node path.
set(ENV{NODE_PATH} /usr/share/nodejs)
foreach(source ${sources})
  get_filename_component(name ${source} NAME_WE)
  execute_process(
    COMMAND ${EMXX} -std=c++17 -Wall -Wextra -Werror -I${SOURCE_DIR} -c ${source} -o ${OUTPUT_DIR}/${name}.o
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "em++ cannot compile ${source}")
  endif()
endforeach()
