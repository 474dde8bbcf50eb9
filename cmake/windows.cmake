# The Windows program's folder and its installer. velk.exe runs on a Windows machine that has
# nothing else when its folder holds the Qt DLLs it links, the windows platform plugin, the
# windowsvista style and the compiler's runtime, which the Qt DLLs link too (so the program
# links the same runtime instead of a second, static copy).

# The compiler's runtime DLLs, where the compiler finds its own libraries.
set(velk_runtime)
foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${dll}" OR NOT EXISTS "${dll}")
        message(FATAL_ERROR "The compiler's runtime DLL ${name} was not found")
    endif()
    file(REAL_PATH ${dll} dll)
    list(APPEND velk_runtime ${dll})
endforeach()

install(FILES ${velk_runtime}
              $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
              $<TARGET_FILE:Qt6::Network>
        DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
# Stripped where they land, for cmake --install and the installer alike.
install(CODE "
    file(GLOB_RECURSE dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \${dlls} COMMAND_ERROR_IS_FATAL ANY)
")

# The installer: 64-bit (a 32-bit one does not start under a 64-bit-only Wine), into Program
# Files, a Start menu entry, registered with Windows for uninstalling, /S for silent runs.
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME VELK)
set(CPACK_PACKAGE_VENDOR Orlimbo)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VELK desktop alarms")
set(CPACK_PACKAGE_FILE_NAME VELK-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY VELK)
set(CPACK_PACKAGE_EXECUTABLES velk VELK)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME velk.exe)
set(CPACK_NSIS_DISPLAY_NAME VELK)
set(CPACK_NSIS_PACKAGE_NAME VELK)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/data/icons/velk.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/data/icons/velk.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_DEFINES "  Unicode true\n  Target amd64-unicode")
# An old installation is replaced without a question.
set(CPACK_NSIS_MODIFY_PATH OFF)
include(CPack)
