# Runs the talvenc binary on every .tvs under SOURCE_ROOT: compile, list,
# compile the listing, and demand the same file (the header is derived from
# the lines, so equal lines give equal files). Sources that do not compile
# must fail with "file:line:column:" and leave no output behind.

file(GLOB_RECURSE sources ${SOURCE_ROOT}/*.tvs)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(checked 0)
set(index 0)
foreach(source IN LISTS sources)
    math(EXPR index "${index} + 1")
    set(first ${WORK}/${index}.TVC)
    execute_process(COMMAND ${TALVENC} ${source} -o ${first}
        RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        if(NOT errors MATCHES "${source}:[0-9]+:[0-9]+: " OR EXISTS ${first})
            message(FATAL_ERROR "talvenc failed on ${source} without a located error:\n${errors}")
        endif()
        continue()
    endif()
    execute_process(COMMAND ${TALVENC} --list ${first} -o ${WORK}/${index}.tvs RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "talvenc --list failed on ${first} (from ${source})")
    endif()
    execute_process(COMMAND ${TALVENC} ${WORK}/${index}.tvs RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "the listing of ${source} does not compile:\n${errors}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${first} ${WORK}/${index}.TVC RESULT_VARIABLE differ)
    if(differ)
        message(FATAL_ERROR "the listing of ${source} compiles to different lines (${WORK}/${index}.tvs)")
    endif()
    math(EXPR checked "${checked} + 1")
endforeach()

# A broken source: located error, exit status 1, no output file.
file(WRITE ${WORK}/broken.tvs "PRINT 1\nPRINT \"open\n")
execute_process(COMMAND ${TALVENC} ${WORK}/broken.tvs RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 1 OR NOT errors MATCHES "broken.tvs:2:7: unterminated string" OR EXISTS ${WORK}/broken.TVC)
    message(FATAL_ERROR "a broken source gave status ${status}, stderr: ${errors}")
endif()
# A damaged program is refused by the lister with a reason.
file(WRITE ${WORK}/short.TVC " ZUK-TALVEN5")
execute_process(COMMAND ${TALVENC} --list ${WORK}/short.TVC RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_VARIABLE listing)
if(NOT status EQUAL 1 OR NOT errors MATCHES "header" OR NOT listing STREQUAL "")
    message(FATAL_ERROR "a damaged program gave status ${status}, stderr: ${errors}")
endif()

# Binding through the command line: the result runs and finds its program;
# binding the result again is refused.
file(WRITE ${WORK}/sample.tvs "PRINT \"x\"\n")
execute_process(COMMAND ${TALVENC} ${WORK}/sample.tvs RESULT_VARIABLE status)
execute_process(COMMAND ${TALVENC} --bind ${WORK}/sample.TVC -o ${WORK}/bound --runtime ${PROBE} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "--bind failed: ${errors}")
endif()
execute_process(COMMAND ${WORK}/bound OUTPUT_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT output MATCHES "magic=ZUK-TALVEN")
    message(FATAL_ERROR "the bound program does not find its program: ${output}")
endif()
execute_process(COMMAND ${TALVENC} --bind ${WORK}/sample.TVC -o ${WORK}/twice --runtime ${WORK}/bound RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 1 OR NOT errors MATCHES "already bound" OR EXISTS ${WORK}/twice)
    message(FATAL_ERROR "binding a bound runtime gave status ${status}, stderr: ${errors}")
endif()

message(STATUS "talvenc round trip: ${checked} programs")
