# Runs one fuzz target for a bounded time on a fresh copy of its seed corpus
# (CTest's fuzz.<target>). Any finding (crash, sanitizer report, leak,
# time-out, out of memory) ends libFuzzer with a nonzero status and the
# input that caused it in WORK/, which fails the test.
#
#   cmake -DFUZZER=... -DSEEDS=... -DWORK=... -DSECONDS=60 -DMAX_LEN=... -P RunFuzzer.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
file(GLOB seeds ${SEEDS}/*)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

execute_process(
    COMMAND ${FUZZER}
        -max_total_time=${SECONDS}
        -max_len=${MAX_LEN}
        -timeout=30
        -rss_limit_mb=2048
        -print_final_stats=1
        -artifact_prefix=${WORK}/
        ${WORK}/corpus
    RESULT_VARIABLE status)

if(NOT status EQUAL 0)
    file(GLOB findings ${WORK}/crash-* ${WORK}/leak-* ${WORK}/timeout-* ${WORK}/oom-*)
    message(FATAL_ERROR "${FUZZER} ended with status ${status}; reproducer: ${findings}")
endif()
