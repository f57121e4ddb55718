# Imports a small source tree with the real executable and checks the result:
#   cmake -DFEATUREHUE=... -DSOURCE=... -DPROJECT=... -P importandcheck.cmake
file(REMOVE_RECURSE "${PROJECT}")
execute_process(COMMAND "${FEATUREHUE}" import "${SOURCE}" "${PROJECT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "featurehue import exited with ${status}")
endif()
execute_process(COMMAND "${FEATUREHUE}" check "${PROJECT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "featurehue check exited with ${status}")
endif()
# A second import must not replace the project files without --force.
execute_process(COMMAND "${FEATUREHUE}" import "${SOURCE}" "${PROJECT}" RESULT_VARIABLE status
                ERROR_QUIET)
if(NOT status EQUAL 1)
    message(FATAL_ERROR "a second import without --force exited with ${status}, not 1")
endif()
