# Checks that the core library needs no widgets, windows, painting, charts or
# SVG: none of their symbols is among those it leaves for others to define.
#   cmake -DNM=<nm> -DLIBRARY=<libfeaturehue_core.a> -P coresymbols.cmake
if(NOT NM OR NOT LIBRARY)
    message(FATAL_ERROR "usage: cmake -DNM=<nm> -DLIBRARY=<static library> -P coresymbols.cmake")
endif()
execute_process(COMMAND "${NM}" -C --undefined-only "${LIBRARY}"
    OUTPUT_VARIABLE symbols RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${errors}")
endif()
# An empty list would pass on nothing: the library uses QString at least.
if(NOT symbols MATCHES "QString")
    message(FATAL_ERROR "${NM} listed no undefined Qt symbol of ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]*(QWidget|QApplication|QPainter|QChart|QSvg)[^\n]*" found "${symbols}")
if(found)
    list(LENGTH found count)
    list(SUBLIST found 0 10 shown)
    string(REPLACE ";" "\n" shown "${shown}")
    message(FATAL_ERROR "${LIBRARY} needs ${count} symbol(s) of the window's libraries:\n${shown}")
endif()
message(STATUS "${LIBRARY} needs no widget, window, painting, chart or SVG symbol")
