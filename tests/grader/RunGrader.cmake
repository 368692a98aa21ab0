# Runs kaldorium-check and compares its exit status and output with what a case expects.
#   cmake -DGRADER=<exe> -DARGS=<a;b> -DSTATUS=<n> -DOUTPUT=<regex> -P RunGrader.cmake
execute_process(COMMAND ${GRADER} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
message("${out}${err}")
if(NOT status STREQUAL STATUS)
    message(FATAL_ERROR "kaldorium-check ended with ${status}, expected ${STATUS}")
endif()
if(DEFINED OUTPUT AND NOT "${out}${err}" MATCHES "${OUTPUT}")
    message(FATAL_ERROR "the output does not match: ${OUTPUT}")
endif()
