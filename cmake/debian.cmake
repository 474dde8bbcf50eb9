# What a Linux install holds besides the program, and the Debian package made of it
# (scripts/linux-package.sh: cpack -G DEB in a Release build configured for the prefix /usr).

# The manual page and the changelog are kept as plain text and installed gzipped, without a
# time stamp, so two builds of one tree give the same package.
set(velk_gzipped)
foreach(source data/velk.1 data/debian/changelog)
    get_filename_component(name ${source} NAME)
    set(gz ${PROJECT_BINARY_DIR}/gz/${name}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/gz
        COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/${source} > ${gz}
        DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
    list(APPEND velk_gzipped ${gz})
endforeach()
add_custom_target(velkdocs ALL DEPENDS ${velk_gzipped})
install(FILES ${PROJECT_BINARY_DIR}/gz/velk.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/org.orlimbo.velk.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/debian/copyright ${PROJECT_BINARY_DIR}/gz/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velk)
# As in Debian's own packages: no compiler version notes in the installed binaries.
install(CODE "
    foreach(f ${CMAKE_INSTALL_BINDIR}/velk ${CMAKE_INSTALL_LIBDIR}/velk/velkgui.so
              ${CMAKE_INSTALL_LIBEXECDIR}/velk/velk-wake)
        set(f \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${f}\")
        if(EXISTS \"\${f}\")
            execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\${f}\"
                            COMMAND_ERROR_IS_FATAL ANY)
        endif()
    endforeach()
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Orlimbo)
set(CPACK_PACKAGE_CONTACT "Orlimbo (VELK) maintainers <maintainers@users.noreply.c-seed-4c27d8b9.example>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# dpkg-shlibdeps names the libraries the program and its window module link, with the versions
# they need.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "desktop alarms with times written as text
VELK keeps a list of alarms in one small window that hides in the system
tray. Each alarm has a name, a time written in a short text language (such
as mon tue 08:00, or N-11-[15..21] thu morning for the third Thursday of
November) and a few action lines: show a message or a notification, wait,
beep, ask a yes/no question, or open a document, a web address or a program.
.
Alarms missed while the computer was off are offered when VELK starts. The
command line lists the coming moments of a time, explains a time in plain
words, and adds, switches and removes alarms, also while the window runs.")
# The wake helper gets its capability when the package is configured (setcap is libcap2-bin's).
set(velk_wake_helper ${CMAKE_INSTALL_FULL_LIBEXECDIR}/velk/velk-wake)
configure_file(data/debian/postinst.in ${PROJECT_BINARY_DIR}/debian/postinst @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libcap2-bin)
# The description goes into the package as written: no double quotes or semicolons in it.
include(CPack)
