# Writes the manifest of the web libraries (cmake -P, run by CMakeLists.txt):
# the emscripten that built them, every pinned Debian source file they were
# built from (unpack checked each against its pin) and the sum of each
# library, relative to PREFIX. Given PINS, EMCC, PREFIX, LIBRARIES, MANIFEST.
execute_process(COMMAND ${EMCC} --version OUTPUT_VARIABLE emcc_version
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "pelmira15: ${EMCC} --version failed")
endif()
string(REGEX REPLACE "\n.*" "" emcc_version "${emcc_version}")

file(STRINGS ${PINS} pinned REGEX "^[^#]")
string(REPLACE ";" "\n" pinned "${pinned}")

set(built "")
foreach(library IN LISTS LIBRARIES)
    file(SHA256 ${library} sum)
    file(RELATIVE_PATH name ${PREFIX} ${library})
    string(APPEND built "${name} ${sum}\n")
endforeach()

file(WRITE ${MANIFEST}
"# zlib, libpng and libmpg123 for WebAssembly, built by
# ${emcc_version}
# from these Debian source packages (package version file sha256):
${pinned}
# giving (file sha256):
${built}")
