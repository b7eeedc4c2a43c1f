# add_gui_test(NAME SOURCE LIBS lib...): one Qt Test program run headless by CTest.
function(add_gui_test name source)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    string(REPLACE "." "_" target "tst_${name}")
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} test_support Qt6::Test)
    add_test(NAME ${name} COMMAND ${target})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TEST_DATA_DIR=${PROJECT_SOURCE_DIR}/tests/data;SAMPLES_DIR=${PROJECT_SOURCE_DIR}/../shared/rtf-samples;ASAN_OPTIONS=detect_leaks=0"
        TIMEOUT 300)
endfunction()
