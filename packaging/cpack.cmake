# The control registered for every user, and the Debian packages CPack builds
# from this build's install, one per install component:
#   main    xkiv-rz150lx      Tarnview, xkivctl, the control module and its
#                             registration, desktop entry, icons, manual pages,
#                             completion, documentation
#   sim     xkiv-rz150lx-sim  rzcam-sim and the test Camera Link libraries
#   python  python3-xkiv      the Python module and its typing stub
# each with a -dbgsym package that holds the debug symbols of its binaries.

# The shared class registry, written at install time by the module's own
# register entry point (through xkivctl) for the installed module, with the
# staging folder taken out of the recorded path.
install(CODE "
    set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(staging \"${CMAKE_BINARY_DIR}/registration-staging\")
    file(REMOVE_RECURSE \"\${staging}\")
    execute_process(
        COMMAND \${CMAKE_COMMAND} -E env XDG_DATA_HOME=\${staging} XDG_DATA_DIRS=\${staging}/none
                \"$<TARGET_FILE:xkivctl>\" register \"\${root}/${XKIV_INSTALL_MODULEDIR}/libXKivRZ150LX.so\"
        RESULT_VARIABLE status OUTPUT_QUIET)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR \"registering the installed control failed\")
    endif()
    file(READ \"\${staging}/KIV/classes.ini\" classes)
    if(NOT \"\$ENV{DESTDIR}\" STREQUAL \"\")
        file(REAL_PATH \"\$ENV{DESTDIR}\" destdir)
        string(REPLACE \"\${destdir}\" \"\" classes \"\${classes}\")
    endif()
    file(WRITE \"\${root}/${CMAKE_INSTALL_DATADIR}/KIV/classes.ini\" \"\${classes}\")
    message(STATUS \"Registered the control for every user: \${root}/${CMAKE_INSTALL_DATADIR}/KIV/classes.ini\")
" COMPONENT main)

# The Debian revision is the one of the changelog's latest entry, whose
# upstream version must be this project's.
file(STRINGS debian/changelog latest LIMIT_COUNT 1)
if(NOT latest MATCHES "^${XKIV_PACKAGE_NAME} \\(([^)-]+)-([^)]+)\\)")
    message(FATAL_ERROR "packaging/debian/changelog: the latest entry is not one of "
                        "${XKIV_PACKAGE_NAME} with a Debian revision")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/debian/changelog: the latest entry is for ${CMAKE_MATCH_1}, "
                        "the project is ${PROJECT_VERSION}: add an entry")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${XKIV_COMPONENTS})
set(CPACK_PACKAGE_NAME ${XKIV_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR KIV)
set(CPACK_PACKAGE_CONTACT "KIV camera tools <support@kiv.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Staged through DESTDIR, so that what the install records names /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# gzip, not xz: the debug packages compress some 70 MB, and xz makes that
# minutes of the test command for a third less size.
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
set(CPACK_DEBIAN_PACKAGE_SOURCE ${XKIV_PACKAGE_NAME})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Binaries are stripped; their debug symbols go to <package>-dbgsym, found
# by build ID under /usr/lib/debug/.build-id/.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/debug_packages.cmake)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_MAIN_PACKAGE_NAME ${XKIV_PACKAGE_NAME})
# The programs load libserialport when they list ports, not through the
# linker, so the dependency that dpkg-shlibdeps cannot see is named here.
set(CPACK_DEBIAN_MAIN_PACKAGE_DEPENDS "libserialport0")
set(CPACK_DEBIAN_MAIN_PACKAGE_SUGGESTS "python3-xkiv, xkiv-rz150lx-sim")
set(CPACK_DEBIAN_MAIN_DESCRIPTION "control tool for RZ colour line-scan cameras
Tarnview and xkivctl set up the RZ family of colour line-scan cameras
(RZ-130LX, RZ-150LX, RZ-130LX-FS, RZ-150LX-HR) over their serial channel, on a
serial port or through the serial libraries of a Camera Link frame grabber.
They read and change the camera's 80 settings within the bounds of its model
and firmware, move settings to and from files, and run its one-push
calibrations.

The package holds the control module, registered for every user; Tarnview,
the program that shows the control's panels in a window of its own; and
xkivctl, the command line for scripts, with its bash completion.")

set(CPACK_DEBIAN_SIM_PACKAGE_NAME ${XKIV_PACKAGE_NAME}-sim)
set(CPACK_DEBIAN_SIM_DESCRIPTION "camera simulator for the RZ line-scan camera control tool
rzcam-sim emulates one RZ colour line-scan camera of any model and firmware
version on a pseudo-terminal. It answers the camera's serial protocol by the
camera's rules, with optional 9600-baud timing and fault injection, so that
Tarnview, xkivctl and the Python module can be used without a camera.

The package also holds two test Camera Link serial libraries whose ports lead
to simulators, in a folder off the library search path.")

if(TARGET xkiv)
    # Built for one interpreter version: the module loads in that one only.
    math(EXPR next_minor "${Python3_VERSION_MINOR} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-xkiv)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    set(CPACK_COMPONENT_PYTHON_DEPENDS main)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}~), python3 (<< ${Python3_VERSION_MAJOR}.${next_minor})")
    set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python 3 module for the RZ line-scan camera control tool
The module xkiv gives a Python 3 script the camera control itself, in
process: every property, method and event of its automation interface, with
the control's clamping, errors and settings files, and a typing stub for
editors.")
endif()

# The packages name /usr in what they hold (the registration, the About
# panel's link to the documentation), so they are made only from a build
# configured for that prefix.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/cpack-project.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "
if(NOT \"${CMAKE_INSTALL_PREFIX}\" STREQUAL \"/usr\")
    message(FATAL_ERROR \"The Debian packages need a build configured with \"
                        \"-DCMAKE_INSTALL_PREFIX=/usr (this one installs to ${CMAKE_INSTALL_PREFIX})\")
endif()
")
include(CPack)
