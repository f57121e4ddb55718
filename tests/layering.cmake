# Checks that the includes of src/ point down only:
#   core/                  core/
#   import/                core/
#   check/                 core/, import/ (the checker judges conditions as the import does)
#   subset/                core/, import/ (its filters, groups and writer)
#   report/                core/
#   replay/                core/
#   ui/                    core/, import/, check/, subset/, report/, replay/, ui/
#   app/                   anything
# Run as: cmake -DSOURCE_DIR=<src> -P layering.cmake
if(NOT SOURCE_DIR)
    message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<src folder> -P layering.cmake")
endif()

set(allowed_core core)
set(allowed_import core import)
set(allowed_check core import check)
set(allowed_subset core import subset)
set(allowed_report core report)
set(allowed_replay core replay)
set(allowed_ui core import check subset report replay ui)

set(faults 0)
set(checked 0)
foreach(room core import check subset report replay ui)
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${room}/*.h" "${SOURCE_DIR}/${room}/*.cpp")
    foreach(source ${sources})
        math(EXPR checked "${checked} + 1")
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
        foreach(line ${includes})
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z]+)/.*" "\\1" target "${line}")
            list(FIND allowed_${room} "${target}" found)
            if(found EQUAL -1)
                file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
                message(SEND_ERROR "src/${shown}: ${room}/ may not include ${target}/: ${line}")
                math(EXPR faults "${faults} + 1")
            endif()
        endforeach()
    endforeach()
endforeach()
if(checked EQUAL 0)
    message(FATAL_ERROR "no sources under ${SOURCE_DIR}")
endif()
if(faults GREATER 0)
    message(FATAL_ERROR "${faults} include(s) point up")
endif()
message(STATUS "${checked} files, every include points down")
