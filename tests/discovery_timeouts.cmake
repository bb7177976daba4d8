# Fails unless every test listing the build files run carries a timeout of at
# least LEAST seconds. Run with -D BUILD_DIR=... -D LEAST=...
# The search follows no symbolic link: a Wine prefix under the tree
# (build/windows) links its drive Z: to the root of the file system.
cmake_policy(SET CMP0009 NEW)
file(GLOB_RECURSE build_files "${BUILD_DIR}/build.ninja" "${BUILD_DIR}/build.make")
set(listings 0)
foreach(build_file IN LISTS build_files)
  file(STRINGS ${build_file} lines REGEX "TEST_DISCOVERY_TIMEOUT=")
  foreach(line IN LISTS lines)
    string(REGEX MATCHALL "TEST_DISCOVERY_TIMEOUT=[0-9]+" timeouts "${line}")
    foreach(timeout IN LISTS timeouts)
      string(REGEX REPLACE ".*=" "" seconds ${timeout})
      math(EXPR listings "${listings} + 1")
      if(seconds LESS LEAST)
        message(FATAL_ERROR "${build_file}: a test listing times out after ${seconds} s, not ${LEAST}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(listings EQUAL 0)
  message(FATAL_ERROR "no test listing found under ${BUILD_DIR}")
endif()
message(STATUS "${listings} test listings, each with a timeout of at least ${LEAST} s")
