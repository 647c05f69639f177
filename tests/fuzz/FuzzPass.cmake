# One short, reproducible pass of a fuzzer, for CTest: a fixed seed and number of runs,
# from the committed seeds. libFuzzer writes what it finds into the first folder it is
# given: a scratch folder of the build, made afresh for every pass.
#   cmake -DFUZZER=PROGRAM -DSEEDS=DIR[;DIR...] -DWORK=DIR -DRUNS=N -DMAX_LEN=N -P FuzzPass.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
execute_process(
    COMMAND ${FUZZER} -seed=1 -runs=${RUNS} -max_len=${MAX_LEN} -timeout=10 -print_final_stats=1
            -artifact_prefix=${WORK}/ ${WORK}/corpus ${SEEDS}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed (${status}); the input that failed is in ${WORK}/")
endif()
