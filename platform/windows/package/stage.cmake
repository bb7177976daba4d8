# Lays out the Windows packages' folder (cmake -P, run by CMakeLists.txt):
# the programs stripped, the DLLs, data/, the documents and licences/, every
# file and folder dated SOURCE_DATE_EPOCH (else the last commit's time) and
# given fixed permissions, so that the zip and the installer made from it are
# the same bytes from the same sources. Writes the installer's file lists,
# install_files.nsh and uninstall_files.nsh, into LISTS.
# Given STAGE (the folder, made afresh), PROGRAMS, LIBRARIES, DATA_DIR,
# DATA_FILES (names inside it), DOCUMENTS, LICENCES (a folder of folders),
# STRIP, SOURCE (the project, for its last commit) and LISTS.
cmake_minimum_required(VERSION 3.16)

function(fail message)
    message(FATAL_ERROR "pelmira15: ${message}")
endfunction()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        string(STRIP "${error}" error)
        list(JOIN ARGN " " command)
        fail("${command} failed: ${error}")
    endif()
endfunction()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
    find_program(GIT git)
    if(GIT)
        execute_process(COMMAND ${GIT} -C ${SOURCE} log -1 --format=%ct
                        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE status ERROR_QUIET)
    endif()
    if(NOT GIT OR NOT status EQUAL 0)
        fail("${SOURCE} is not a git checkout: set SOURCE_DATE_EPOCH to date the packages' files")
    endif()
endif()
# Zip dates start in 1980.
if(NOT epoch MATCHES "^[0-9]+$" OR epoch LESS 315532800)
    fail("SOURCE_DATE_EPOCH=${epoch} is not a time from 1980 on, in seconds since 1970")
endif()

# strip stamps the programs with the time it runs, unless given this one.
set(ENV{SOURCE_DATE_EPOCH} ${epoch})

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/data ${STAGE}/licences)
foreach(program IN LISTS PROGRAMS)
    get_filename_component(name ${program} NAME)
    run(${STRIP} --strip-all -o ${STAGE}/${name} ${program})
endforeach()
foreach(library IN LISTS LIBRARIES)
    get_filename_component(name ${library} NAME)
    run(${STRIP} --strip-unneeded -o ${STAGE}/${name} ${library})
endforeach()
foreach(file IN LISTS DATA_FILES)
    if(NOT EXISTS ${DATA_DIR}/${file})
        fail("${DATA_DIR}/${file} is missing: the Windows tree copies the native tree's data")
    endif()
    file(COPY ${DATA_DIR}/${file} DESTINATION ${STAGE}/data)
endforeach()
file(COPY ${DOCUMENTS} DESTINATION ${STAGE})
file(GLOB licence_folders LIST_DIRECTORIES true ${LICENCES}/*)
if(NOT licence_folders)
    fail("${LICENCES} holds no licences: build the Windows libraries first (make windows-deps)")
endif()
file(COPY ${licence_folders} DESTINATION ${STAGE}/licences)

# Every entry, parents before children, in one order whatever the file
# system's.
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${STAGE} ${STAGE}/*)
list(SORT entries)
set(folders "")
set(files "")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY ${STAGE}/${entry})
        list(APPEND folders ${entry})
    else()
        list(APPEND files ${entry})
    endif()
endforeach()
list(TRANSFORM folders PREPEND ${STAGE}/ OUTPUT_VARIABLE folder_paths)
list(TRANSFORM files PREPEND ${STAGE}/ OUTPUT_VARIABLE file_paths)
run(chmod 755 ${STAGE} ${folder_paths})
run(chmod 644 ${file_paths})
run(touch -h -d @${epoch} ${STAGE} ${folder_paths} ${file_paths})

# The installer installs exactly these files, and its uninstaller removes
# exactly them and their folders (deepest first), never a file it did not
# put there.
set(install "")
set(current_folder "-")
foreach(file IN LISTS files)
    get_filename_component(folder ${file} DIRECTORY)
    if(NOT folder STREQUAL current_folder)
        string(REPLACE "/" "\\" windows_folder "\\${folder}")
        if(folder STREQUAL "")
            set(windows_folder "")
        endif()
        string(APPEND install "SetOutPath \"$INSTDIR${windows_folder}\"\n")
        set(current_folder ${folder})
    endif()
    string(APPEND install "File \"${STAGE}/${file}\"\n")
endforeach()
set(uninstall "")
foreach(file IN LISTS files)
    string(REPLACE "/" "\\" file "${file}")
    string(APPEND uninstall "Delete \"$INSTDIR\\${file}\"\n")
endforeach()
list(REVERSE folders)
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" folder "${folder}")
    string(APPEND uninstall "RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()
file(WRITE ${LISTS}/install_files.nsh "${install}")
file(WRITE ${LISTS}/uninstall_files.nsh "${uninstall}")
