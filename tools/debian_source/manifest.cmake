# Writes the manifest of a third-party prefix (cmake -P, run by
# debian_source_manifest): what the libraries are (TITLE), the compiler that
# built them, every pinned Debian source file they were built from (unpack
# checked each against its pin) and the sum of each library, relative to
# PREFIX. Given TITLE, COMPILER, PINS, PREFIX, LIBRARIES, MANIFEST.
execute_process(COMMAND ${COMPILER} --version OUTPUT_VARIABLE compiler_version
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "pelmira15: ${COMPILER} --version failed")
endif()
string(REGEX REPLACE "\n.*" "" compiler_version "${compiler_version}")

file(STRINGS ${PINS} pinned REGEX "^[^#]")
string(REPLACE ";" "\n" pinned "${pinned}")

set(built "")
foreach(library IN LISTS LIBRARIES)
    file(SHA256 ${library} sum)
    file(RELATIVE_PATH name ${PREFIX} ${library})
    string(APPEND built "${name} ${sum}\n")
endforeach()

file(WRITE ${MANIFEST}
"# ${TITLE}, built by
# ${compiler_version}
# from these Debian source packages (package version file sha256):
${pinned}
# giving (file sha256):
${built}")
