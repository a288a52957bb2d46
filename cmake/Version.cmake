# The version every part reports: the project's, or the nearest v* tag's with the commits since
# it and the commit, when built from git. Read once at configure time; a tarball has no git and
# keeps the project's version.
find_package(Git QUIET)
set(QUELTO_VERSION_FULL ${PROJECT_VERSION})
if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --match "v[0-9]*" --dirty
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} RESULT_VARIABLE tagless
                    OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT tagless)
        # v3.1.0-4-gabc1234-dirty: Debian's order wants 3.1.0+4.gabc1234.dirty
        string(REGEX REPLACE "^v" "" described "${described}")
        string(REGEX REPLACE "-([0-9]+)-g" "+\\1.g" described "${described}")
        string(REPLACE "-dirty" ".dirty" QUELTO_VERSION_FULL "${described}")
    else()
        execute_process(COMMAND ${GIT_EXECUTABLE} describe --always --abbrev=7 --dirty
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} RESULT_VARIABLE nogit
                        OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(NOT nogit AND commit)
            string(REPLACE "-dirty" ".dirty" commit "${commit}")
            set(QUELTO_VERSION_FULL "${PROJECT_VERSION}+g${commit}")
        endif()
    endif()
    # The commit's date, not the build's, for the AppStream release and the Debian changelog.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${GIT_EXECUTABLE} log -1
                            "--date=format:%a, %d %b %Y %H:%M:%S %z" --format=%cs%n%cd
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE dates
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(dates MATCHES "^([0-9-]+)\n(.+)$")
        set(QUELTO_RELEASE_DATE ${CMAKE_MATCH_1})
        set(QUELTO_CHANGELOG_DATE ${CMAKE_MATCH_2})
    endif()
    # A commit, a checkout or a tag changes the version: configure again then.
    foreach(file HEAD index)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path ${file}
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE path
                        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(path AND EXISTS ${path})
            set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
        endif()
    endforeach()
endif()
message(STATUS "QueltoEval version ${QUELTO_VERSION_FULL}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/QueltoVersion.h.in
               ${PROJECT_BINARY_DIR}/generated/QueltoVersion.h @ONLY)
