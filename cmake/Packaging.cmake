# What cmake --install puts where, and the Debian package CPack makes of it.
set(QUELTO_DATADIR ${CMAKE_INSTALL_DATADIR}/quelto-eval)
set(QUELTO_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/quelto-eval)
set(QUELTO_APP_ID org.quelto.eval)
set(QUELTO_UDEV_RULES_DIR lib/udev/rules.d CACHE STRING "Where the udev rule goes, under the prefix")

install(TARGETS queltoeval-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(QUELTO_GUI)
    install(TARGETS queltoeval RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The library: its API headers, the static core, and a package other projects find with
# find_package(quelto) and link as quelto::quelto.
install(TARGETS queltocore quelto EXPORT queltoTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/quelto DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/quelto)
install(EXPORT queltoTargets NAMESPACE quelto:: DESTINATION ${config_dir})
include(CMakePackageConfigHelpers)
configure_package_config_file(cmake/queltoConfig.cmake.in ${PROJECT_BINARY_DIR}/queltoConfig.cmake
                              INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/queltoConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/queltoConfig.cmake ${PROJECT_BINARY_DIR}/queltoConfigVersion.cmake
        DESTINATION ${config_dir})

install(DIRECTORY docs/help/ DESTINATION ${QUELTO_DATADIR}/help)
install(FILES docs/60-quelto-spi-adapter.rules DESTINATION ${QUELTO_UDEV_RULES_DIR})
install(FILES data/queltoeval-cli.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME queltoeval-cli)
install(FILES README.md LICENSE packaging/copyright DESTINATION ${QUELTO_DOCDIR})

# The desktop entry, its icon in the sizes menus ask for, and the AppStream description.
if(NOT QUELTO_RELEASE_DATE)
    string(TIMESTAMP QUELTO_RELEASE_DATE "%Y-%m-%d" UTC)
endif()
configure_file(data/${QUELTO_APP_ID}.metainfo.xml.in ${PROJECT_BINARY_DIR}/${QUELTO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${QUELTO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
if(QUELTO_GUI)
    install(FILES data/${QUELTO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES data/${QUELTO_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    find_program(RSVG_CONVERT rsvg-convert)
    if(RSVG_CONVERT)
        set(icons)
        foreach(size 16 32 48 64 128 256)
            set(png ${PROJECT_BINARY_DIR}/icons/${size}x${size}/apps/${QUELTO_APP_ID}.png)
            add_custom_command(OUTPUT ${png} DEPENDS data/${QUELTO_APP_ID}.svg
                COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}/apps
                COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                        ${PROJECT_SOURCE_DIR}/data/${QUELTO_APP_ID}.svg)
            list(APPEND icons ${png})
        endforeach()
        add_custom_target(queltoicons ALL DEPENDS ${icons})
        install(DIRECTORY ${PROJECT_BINARY_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor
                FILES_MATCHING PATTERN "*.png")
    else()
        message(STATUS "The icon's PNG sizes are not made: they need rsvg-convert (librsvg2-bin)")
    endif()
endif()

# Man pages from the programs' own --help, compressed as Debian keeps them.
find_program(HELP2MAN help2man)
find_program(GZIP gzip REQUIRED)
if(HELP2MAN)
    set(programs queltoeval-cli)
    if(QUELTO_GUI)
        list(APPEND programs queltoeval)
    endif()
    set(pages)
    foreach(program IN LISTS programs)
        set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
        add_custom_command(OUTPUT ${page}.gz
            DEPENDS ${program} data/${program}.h2m
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
            COMMAND ${HELP2MAN} --no-info --section=1 --source=QueltoEval
                    --include=${PROJECT_SOURCE_DIR}/data/${program}.h2m --output=${page}
                    $<TARGET_FILE:${program}>
            COMMAND ${GZIP} -9nf ${page})
        list(APPEND pages ${page}.gz)
    endforeach()
    add_custom_target(queltoman ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(STATUS "The man pages are not made: they need help2man")
endif()

# The Debian package: everything above in /usr, the Python module in Debian's dist-packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelto-eval)
set(CPACK_PACKAGE_VENDOR "The QueltoEval authors")
set(QUELTO_DEB_MAINTAINER "QueltoEval maintainers <quelto-eval@users.noreply.invalid>" CACHE STRING
    "The Debian package's maintainer: a name and an address that reaches the team")
set(CPACK_PACKAGE_CONTACT ${QUELTO_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(QUELTO_DEB_VERSION ${QUELTO_VERSION_FULL}-1)
set(CPACK_DEBIAN_PACKAGE_VERSION ${QUELTO_VERSION_FULL})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluation program for SPI inertial sensors")
# CPack puts the summary first and indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Takes sweeps, spectra, self-tests, temperatures and noise figures
(noise density, Allan deviation) from gyroscopes and accelerometers on an
evaluation board, through the parallel port or a USB SPI adapter, or from a
simulated board.

The package holds the program with windows, the command line, the library
with its headers and CMake package, the Python module, and the udev rule
that gives the plugdev group the USB adapter.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(deb_depends "")
if(TARGET quelto_python)
    # The module is built for one interpreter's ABI.
    string(REPLACE "." ";" python ${QUELTO_PYTHON_VERSION})
    list(GET python 0 major)
    list(GET python 1 minor)
    math(EXPR next "${minor} + 1")
    set(deb_depends "python3 (>= ${major}.${minor}~), python3 (<< ${major}.${next}), python3-numpy")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS ${deb_depends})
# The rule needs udev, the programs do not: a container or chroot goes without.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, bash-completion")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst
                                       ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
if(TARGET quelto_python)
    list(APPEND CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian-python;/")
endif()

# Debian's changelog, which every package carries.
if(NOT QUELTO_CHANGELOG_DATE)
    string(TIMESTAMP QUELTO_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
    DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
    COMMAND ${GZIP} -9nkf ${PROJECT_BINARY_DIR}/packaging/changelog.Debian)
add_custom_target(queltochangelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION ${QUELTO_DOCDIR})

include(CPack)

if(QUELTO_TESTS AND QUELTO_GUI AND TARGET quelto_python)
    add_test(NAME package COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check-package
             ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR})
    set_tests_properties(package PROPERTIES TIMEOUT 300)
endif()
