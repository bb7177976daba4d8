# Debian source packages for a third-party superbuild (the web's, Windows'):
#
#   include(<project>/tools/debian_source/debian_source.cmake)
#   debian_source_setup(PINS <pins file> TOOLS "tool|package" ...)
#   ExternalProject_Add(zlib DEPENDS debian_indexes
#       DOWNLOAD_COMMAND ${DEBIAN_SOURCE} unpack ${DEBIAN_PINS} zlib <SOURCE_DIR> ...)
#   debian_source_manifest(TITLE ... COMPILER ... PREFIX ... LIBRARIES ... DEPENDS ...)
#
# The sources are the versions the pins file names, fetched by apt from
# Debian's bookworm suites (updates and security included) with a private
# configuration under <build tree>/apt, each file checked against its pin
# (debian_source.sh). The tree gets the targets debian_indexes (the signed
# source indexes, fetched once), newest_debian_sources (the pin lines of the
# newest versions served, for moving on) and manifest (third-party.txt).
include_guard(GLOBAL)

set(DEBIAN_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(DEBIAN_ARCHIVE http://deb.debian.org/debian)
set(DEBIAN_SECURITY_ARCHIVE http://deb.debian.org/debian-security)
set(DEBIAN_RELEASE bookworm)
set(DEBIAN_KEYRING /usr/share/keyrings/debian-archive-keyring.gpg)
set(DEBIAN_TIMEOUT_S 20)

# Stops the configure, naming the Debian package to install, when a tool of
# TOOLS ("tool|package" each) is missing.
function(debian_source_require_tools)
    foreach(tool_and_package IN LISTS ARGN)
        string(REPLACE "|" ";" tool_and_package "${tool_and_package}")
        list(GET tool_and_package 0 tool)
        list(GET tool_and_package 1 package)
        find_program(TOOL_${tool} ${tool} NO_CMAKE_FIND_ROOT_PATH)
        if(NOT TOOL_${tool})
            message(FATAL_ERROR "pelmira15: ${tool} not found: install the Debian package ${package}")
        endif()
    endforeach()
endfunction()

# Sets DEBIAN_PINS and DEBIAN_SOURCE (the command line of debian_source.sh
# under the tree's apt configuration) and adds debian_indexes and
# newest_debian_sources. TOOLS are what the superbuild's own builds need
# beyond the fetch.
function(debian_source_setup)
    cmake_parse_arguments(PARSE_ARGV 0 ARG "" "PINS" "TOOLS")
    debian_source_require_tools(
        "apt-get|apt" "apt-cache|apt" "dpkg|dpkg" "dpkg-source|dpkg-dev" "bash|bash"
        "make|make" "xz|xz-utils" "bzip2|bzip2" "sha256sum|coreutils" ${ARG_TOOLS})
    foreach(file_and_package IN ITEMS "${DEBIAN_KEYRING}|debian-archive-keyring"
                                      "/usr/lib/apt/apt-helper|apt")
        string(REPLACE "|" ";" file_and_package "${file_and_package}")
        list(GET file_and_package 0 file)
        list(GET file_and_package 1 package)
        if(NOT EXISTS "${file}")
            message(FATAL_ERROR "pelmira15: ${file} is missing: install the Debian package ${package}")
        endif()
    endforeach()

    set(APT_DIR ${CMAKE_BINARY_DIR}/apt)
    file(MAKE_DIRECTORY ${APT_DIR}/empty ${APT_DIR}/state/lists/partial ${APT_DIR}/cache/archives/partial)
    file(TOUCH ${APT_DIR}/state/status)
    configure_file(${DEBIAN_SOURCE_DIR}/apt.conf.in ${APT_DIR}/apt.conf @ONLY)
    configure_file(${DEBIAN_SOURCE_DIR}/sources.list.in ${APT_DIR}/sources.list @ONLY)

    set(command ${CMAKE_COMMAND} -E env APT_CONFIG=${APT_DIR}/apt.conf
        bash ${DEBIAN_SOURCE_DIR}/debian_source.sh)
    set(DEBIAN_PINS ${ARG_PINS} PARENT_SCOPE)
    set(DEBIAN_SOURCE ${command} PARENT_SCOPE)

    # The source indexes, fetched once for all the packages.
    add_custom_command(OUTPUT ${APT_DIR}/indexes.stamp
        COMMAND ${command} update ${DEBIAN_RELEASE} ${DEBIAN_RELEASE}-updates ${DEBIAN_RELEASE}-security
        COMMAND ${CMAKE_COMMAND} -E touch ${APT_DIR}/indexes.stamp
        COMMENT "Fetching Debian's ${DEBIAN_RELEASE} source indexes")
    add_custom_target(debian_indexes DEPENDS ${APT_DIR}/indexes.stamp)

    # What to pin instead, for moving to newer sources: the lines for the
    # newest versions the archive serves, written beside the build tree's
    # pins to compare.
    file(STRINGS ${ARG_PINS} pinned REGEX "^[^#]")
    set(packages "")
    foreach(line IN LISTS pinned)
        string(REGEX REPLACE " .*" "" package "${line}")
        list(APPEND packages ${package})
    endforeach()
    list(REMOVE_DUPLICATES packages)
    set(newest ${CMAKE_BINARY_DIR}/newest_debian_sources.txt)
    add_custom_target(newest_debian_sources
        COMMAND ${command} newest ${packages} > ${newest}
        COMMAND ${CMAKE_COMMAND} -E echo "Written ${newest}: compare with ${ARG_PINS}"
        DEPENDS debian_indexes
        VERBATIM)
endfunction()

# Adds the target manifest (built by default), which writes PREFIX/third-party.txt
# once the DEPENDS targets are built: TITLE, the first line of COMPILER
# --version, the pinned source files and the sums of LIBRARIES (paths under
# PREFIX).
function(debian_source_manifest)
    cmake_parse_arguments(PARSE_ARGV 0 ARG "" "TITLE;COMPILER;PREFIX" "LIBRARIES;DEPENDS")
    set(manifest ${ARG_PREFIX}/third-party.txt)
    add_custom_command(OUTPUT ${manifest}
        COMMAND ${CMAKE_COMMAND} -DPINS=${DEBIAN_PINS} -DTITLE=${ARG_TITLE}
                -DCOMPILER=${ARG_COMPILER} -DPREFIX=${ARG_PREFIX}
                "-DLIBRARIES=${ARG_LIBRARIES}" -DMANIFEST=${manifest}
                -P ${DEBIAN_SOURCE_DIR}/manifest.cmake
        DEPENDS ${ARG_DEPENDS} ${ARG_LIBRARIES} ${DEBIAN_PINS} ${DEBIAN_SOURCE_DIR}/manifest.cmake
        COMMENT "Writing the third-party manifest"
        VERBATIM)
    add_custom_target(manifest ALL DEPENDS ${manifest})
endfunction()
