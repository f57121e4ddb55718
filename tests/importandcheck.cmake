# Imports a small source tree with the real executable and checks the result:
#   cmake -DFEATUREHUE=... -DSOURCE=... -DPROJECT=... [-DNO_DISPLAY=ON] -P importandcheck.cmake
# With NO_DISPLAY both run as on a machine without a display: no platform is
# named and there is no X or Wayland display to connect to.
set(run "${FEATUREHUE}")
if(NO_DISPLAY)
    set(run "${CMAKE_COMMAND}" -E env --unset=QT_QPA_PLATFORM --unset=DISPLAY
        --unset=WAYLAND_DISPLAY "${FEATUREHUE}")
endif()
file(REMOVE_RECURSE "${PROJECT}")
execute_process(COMMAND ${run} import "${SOURCE}" "${PROJECT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "featurehue import exited with ${status}")
endif()
execute_process(COMMAND ${run} check "${PROJECT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "featurehue check exited with ${status}")
endif()
# A second import must not replace the project files without --force.
execute_process(COMMAND ${run} import "${SOURCE}" "${PROJECT}" RESULT_VARIABLE status
                ERROR_QUIET)
if(NOT status EQUAL 1)
    message(FATAL_ERROR "a second import without --force exited with ${status}, not 1")
endif()
