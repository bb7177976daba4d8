# Zips the staged folder FOLDER (inside PARENT) into ZIP (cmake -P, run by
# CMakeLists.txt) the same way every time: members in sorted order, no
# extra attributes (zip -X: no owners, no Unix times), and the DOS times,
# which zip writes in local time, taken in UTC.
cmake_minimum_required(VERSION 3.16)

file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${PARENT} ${PARENT}/${FOLDER}/*)
list(APPEND entries ${FOLDER})
list(SORT entries)
string(REPLACE ";" "\n" names "${entries}")
set(names_file ${ZIP}.names)
file(WRITE ${names_file} "${names}\n")
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP_PROGRAM} -X -9 -q ${ZIP} -@
                WORKING_DIRECTORY ${PARENT} INPUT_FILE ${names_file}
                RESULT_VARIABLE status ERROR_VARIABLE error)
file(REMOVE ${names_file})
if(NOT status EQUAL 0)
    file(REMOVE ${ZIP})
    string(STRIP "${error}" error)
    message(FATAL_ERROR "pelmira15: zip of ${PARENT}/${FOLDER} failed (status ${status}): ${error}")
endif()
