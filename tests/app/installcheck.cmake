# Installs the build into a fresh prefix and checks that every file is in place.
# Run with -DBUILD_DIR=<build tree> -DPREFIX=<empty folder to install into>, and
# -DGUI_MODULE=<its path below the prefix> when the window is a module of its own.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${status}): ${errors}")
endif()

set(expected
    bin/velk
    libexec/velk/velk-wake
    share/applications/velk.desktop
    share/icons/hicolor/scalable/apps/velk.svg
    share/icons/hicolor/16x16/apps/velk.png
    share/icons/hicolor/32x32/apps/velk.png
    share/icons/hicolor/48x48/apps/velk.png
    share/icons/hicolor/256x256/apps/velk.png
    ${GUI_MODULE})
foreach(f IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${f}")
        message(FATAL_ERROR "missing after install: ${f}")
    endif()
endforeach()

file(READ "${PREFIX}/share/applications/velk.desktop" entry)
foreach(line "Exec=velk" "Icon=velk" "Type=Application")
    string(FIND "${entry}" "\n${line}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the desktop entry lacks the line ${line}")
    endif()
endforeach()

# Each PNG is what its folder says.
foreach(size 16 32 48 256)
    file(READ "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/velk.png" head LIMIT 24 HEX)
    string(SUBSTRING "${head}" 0 16 magic)
    string(SUBSTRING "${head}" 32 16 dims)
    math(EXPR hex "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(REPLACE "0x" "" hex "${hex}")
    string(LENGTH "${hex}" len)
    while(len LESS 8)
        string(PREPEND hex "0")
        string(LENGTH "${hex}" len)
    endwhile()
    if(NOT magic STREQUAL "89504e470d0a1a0a" OR NOT dims STREQUAL "${hex}${hex}")
        message(FATAL_ERROR "${size}x${size}/apps/velk.png is not a ${size} by ${size} PNG")
    endif()
endforeach()

# The installed program runs and names the alarm file it would use.
execute_process(COMMAND "${PREFIX}/bin/velk" --help RESULT_VARIABLE status OUTPUT_VARIABLE help)
file(REAL_PATH "${PREFIX}" realprefix)
string(FIND "${help}" "Alarm file: ${realprefix}/bin/Alarms.data" at)
if(NOT status EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "the installed velk --help gave ${status}:\n${help}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
