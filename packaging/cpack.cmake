# Installation extras and the Debian package: the control registered for
# every user, and CPack's .deb with dependencies computed from the binaries.

# The shared class registry, written at install time by the module's own
# register entry point (through xkivctl) for the installed module, with the
# staging folder taken out of the recorded path.
install(CODE "
    set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(staging \"${CMAKE_BINARY_DIR}/registration-staging\")
    file(REMOVE_RECURSE \"\${staging}\")
    execute_process(
        COMMAND \${CMAKE_COMMAND} -E env XDG_DATA_HOME=\${staging} XDG_DATA_DIRS=\${staging}/none
                \"$<TARGET_FILE:xkivctl>\" register \"\${root}/${CMAKE_INSTALL_LIBDIR}/libXKivRZ150LX.so\"
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
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME xkiv-rz150lx)
set(CPACK_PACKAGE_VENDOR KIV)
set(CPACK_PACKAGE_CONTACT "KIV camera tools <support@kiv.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Control tool for RZ colour line-scan cameras (Tarnview, xkivctl, control module, simulator)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Staged through DESTDIR, so that what the install records names /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
