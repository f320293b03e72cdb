# Compresses INPUT into OUTPUT as Debian ships documentation: best
# compression, no name or time stamp inside, so that equal input gives
# equal output.
#   cmake -DINPUT=... -DOUTPUT=... -P gzip.cmake
find_program(GZIP gzip REQUIRED)
execute_process(COMMAND ${GZIP} -9 -n -c ${INPUT} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE ${OUTPUT})
    message(FATAL_ERROR "gzip ${INPUT} failed (${status})")
endif()
