# Checks that the includes of the tree run one way:
#  - src/core includes only src/core and the standard library: no Qt, no
#    header of another folder, and no operating-system header outside its
#    platform file (core/platform/);
#  - src/tool includes only src/core and src/tool, and no Qt, except its
#    drawing helper (informe_qt_main.cpp), which may also use src/paint;
#  - src/paint includes only src/core, src/paint and Qt;
#  - nothing includes an operating-system header but the core's platform file;
#  - no Qt code converts text with the local 8-bit encoding (toLocal8Bit,
#    fromLocal8Bit, QFile::encodeName or decodeName): the core takes and gives
#    paths and messages as UTF-8 on every system, and that encoding is the
#    ANSI code page on Windows, which holds only some names;
#  - robustez-informe links only the tool's own library and the core.
# Usage: cmake -DSOURCE_DIR=<repository> -DTOOL_LINKS=<libraries> -P check_dependencies.cmake

cmake_minimum_required(VERSION 3.25)

set(violations "")
set(checked 0)
# Headers of POSIX and Windows: their calls belong in the platform file.
set(os_headers_regex
    "^(unistd|fcntl|spawn|dirent|pwd|grp|dlfcn|poll|signal|termios|windows|winbase|io|direct|process|shlobj|shellapi|sys/.*)\\.h$")

# Every include of every source file under src/<folder>, checked against the
# folder's rule.
function(check_folder folder)
    file(GLOB_RECURSE files "${SOURCE_DIR}/src/${folder}/*.h" "${SOURCE_DIR}/src/${folder}/*.cpp")
    foreach(path IN LISTS files)
        file(RELATIVE_PATH relative "${SOURCE_DIR}/src" "${path}")
        math(EXPR count "${checked} + 1")
        set(checked ${count} PARENT_SCOPE)
        file(STRINGS "${path}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
            set(problem "")
            if(header MATCHES "${os_headers_regex}" AND NOT relative MATCHES "^core/platform/")
                set(problem "an operating-system header outside core/platform/")
            elseif(header MATCHES "^Q" OR header MATCHES "^qt")
                if(folder STREQUAL "core")
                    set(problem "Qt in the core")
                elseif(folder STREQUAL "tool" AND NOT relative STREQUAL "tool/informe_qt_main.cpp")
                    set(problem "Qt in the report tool")
                endif()
            elseif(line MATCHES "\"" AND header MATCHES "^(core|tool|paint|app)/")
                string(REGEX MATCH "^[a-z]+" target_folder "${header}")
                if(folder STREQUAL "core" AND NOT target_folder STREQUAL "core")
                    set(problem "the core includes ${target_folder}/")
                elseif(folder STREQUAL "tool" AND target_folder STREQUAL "app")
                    set(problem "the report tool includes app/")
                elseif(folder STREQUAL "tool" AND target_folder STREQUAL "paint"
                       AND NOT relative STREQUAL "tool/informe_qt_main.cpp")
                    set(problem "the report tool's Qt-free part includes paint/")
                elseif(folder STREQUAL "paint" AND target_folder MATCHES "^(app|tool)$")
                    set(problem "the painters include ${target_folder}/")
                endif()
            endif()
            if(problem)
                list(APPEND violations "src/${relative}: ${problem}: ${line}")
            endif()
        endforeach()
        file(STRINGS "${path}" local_lines REGEX "(toLocal8Bit|fromLocal8Bit|encodeName|decodeName)")
        foreach(line IN LISTS local_lines)
            list(APPEND violations "src/${relative}: text in the local 8-bit encoding, not UTF-8: ${line}")
        endforeach()
    endforeach()
    set(violations "${violations}" PARENT_SCOPE)
endfunction()

foreach(folder core tool paint app)
    check_folder(${folder})
endforeach()

foreach(library IN LISTS TOOL_LINKS)
    if(NOT library MATCHES "^(robustez_tool|robustez_core|Threads::Threads)$")
        list(APPEND violations
             "robustez-informe links ${library}: it links only the core and the system's threads")
    endif()
endforeach()

if(violations)
    list(JOIN violations "\n" text)
    message(FATAL_ERROR "Dependency rules broken:\n${text}")
endif()
message(STATUS "Dependency rules hold (${checked} files checked).")
