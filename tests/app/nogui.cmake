# The command-line companion loads no GUI library: each command runs under the dynamic loader's
# trace, which names every library it loads. Run with -DVELK=<the velk executable>.
set(commands "--next|mon tue 08:00|--count|3" "--help" "--version" "--list|${CMAKE_CURRENT_LIST_DIR}/none")
foreach(command IN LISTS commands)
    string(REPLACE "|" ";" args "${command}")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env LD_DEBUG=libs "${VELK}" ${args}
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE trace)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "velk ${args} failed (${status})")
    endif()
    string(REGEX MATCHALL "find library=[^ ]+" loaded "${trace}")
    if(NOT loaded)
        message(FATAL_ERROR "no loader trace from velk ${args}: is this glibc?")
    endif()
    string(REGEX MATCH "find library=lib(Qt|icu|dbus|X|xcb|GL|EGL|glib|pulse)[^ ]*" gui "${trace}")
    if(gui)
        message(FATAL_ERROR "velk ${args} loads a GUI library (${gui}); it loaded: ${loaded}")
    endif()
endforeach()
