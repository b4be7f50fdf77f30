# Checks the direction of the source dependencies:
#  - the core (every source of robustez_core and every project header it
#    includes, directly or not) includes no Qt header;
#  - nothing under src/study, src/calc, src/reports or src/ui includes a
#    header of src/shell: the frame may use every window, no window the frame.
# Usage: cmake -DSOURCE_DIR=<repository> -DCORE_SOURCES=<list> -P check_dependencies.cmake
# CORE_SOURCES holds paths relative to SOURCE_DIR (as robustez_core lists them).

cmake_minimum_required(VERSION 3.25)

set(violations "")

# The quoted project includes of a file, as paths under src/.
function(project_includes file out)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    set(result "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
        if(EXISTS "${SOURCE_DIR}/src/${included}")
            list(APPEND result "src/${included}")
        endif()
    endforeach()
    set(${out} "${result}" PARENT_SCOPE)
endfunction()

# Rule 1: no Qt in the core, followed through the project's own headers.
set(pending ${CORE_SOURCES})
set(seen "")
while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen)
        continue()
    endif()
    list(APPEND seen "${current}")
    set(path "${SOURCE_DIR}/${current}")
    if(NOT EXISTS "${path}")
        continue()
    endif()
    file(STRINGS "${path}" qt_lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q")
    foreach(line IN LISTS qt_lines)
        list(APPEND violations "${current}: a core source includes Qt: ${line}")
    endforeach()
    project_includes("${path}" included)
    list(APPEND pending ${included})
endwhile()

# Rule 2: the windows and the core never include the frame.
foreach(folder study calc reports ui)
    file(GLOB_RECURSE files "${SOURCE_DIR}/src/${folder}/*.h" "${SOURCE_DIR}/src/${folder}/*.cpp")
    foreach(path IN LISTS files)
        file(STRINGS "${path}" shell_lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]shell/")
        foreach(line IN LISTS shell_lines)
            file(RELATIVE_PATH relative "${SOURCE_DIR}" "${path}")
            list(APPEND violations "${relative}: src/${folder} includes src/shell: ${line}")
        endforeach()
    endforeach()
endforeach()

list(LENGTH seen checked)
if(violations)
    list(JOIN violations "\n" text)
    message(FATAL_ERROR "Dependency rules broken:\n${text}")
endif()
message(STATUS "Dependency rules hold (${checked} core files followed).")
