# nimbrel_subsystem(NAME DEPENDS lib...): the static library of one folder
# under src/, from every .cpp in it and its wings but a program's main.cpp
# and its first screens.  Headers are included as "NAME/file.h" or
# "NAME/wing/file.h".
function(nimbrel_subsystem name)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$|/first_screens/")
    add_library(nimbrel_${name} STATIC ${sources})
    target_include_directories(nimbrel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(nimbrel_${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# nimbrel_test_suite(NAME LABEL l SOURCES f... LIBS lib...): one GoogleTest
# program carrying the built-in resources; every test in it becomes a CTest
# test labelled l (one label: the discovery script cannot carry a list).
# scripts/test picks suites by label.
function(nimbrel_test_suite name)
    cmake_parse_arguments(ARG "" "TIMEOUT;LABEL" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} nimbrel_test_support GTest::gtest GTest::gmock)
    nimbrel_embed_resources(${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    # CTest lists a suite's tests as it starts, every suite in turn: on a
    # busy machine, a program under a sanitizer may take longer to list them
    # than the module's five seconds.
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT} ${ARG_PROPERTIES})
endfunction()

# nimbrel_test_properties(SUITE MATCHING regex PROPERTIES name value...):
# properties of those of the suite's tests whose names match (a fixture they
# need, a cost that starts them early), in place of any the suite gave them
# under the same names.  Called where the suite is made: CTest knows a
# suite's tests only once it has listed them, so they are set then, by a
# script it reads after the listing.
function(nimbrel_test_properties suite)
    cmake_parse_arguments(ARG "" "MATCHING" "PROPERTIES" ${ARGN})
    set(properties "")
    foreach(word IN LISTS ARG_PROPERTIES)
        string(APPEND properties " [==[${word}]==]")
    endforeach()
    get_property(count DIRECTORY PROPERTY NIMBREL_TEST_PROPERTY_SCRIPTS)
    if(NOT count)
        set(count 0)
    endif()
    math(EXPR count "${count} + 1")
    set_property(DIRECTORY PROPERTY NIMBREL_TEST_PROPERTY_SCRIPTS ${count})
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${suite}_properties_${count}.cmake)
    file(WRITE ${script}
        "foreach(test IN LISTS ${suite}_TESTS)\n"
        "    if(test MATCHES [==[${ARG_MATCHING}]==])\n"
        "        set_tests_properties(\"\${test}\" PROPERTIES${properties})\n"
        "    endif()\n"
        "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# nimbrel_fuzz_target(NAME SOURCES f... LIBS lib... [SEEDS dir] [DICT file]): a
# libFuzzer program (LLVMFuzzerTestOneInput), built only in the fuzz build
# (-DNIMBREL_FUZZ=ON with clang), where everything is compiled with ASan and
# UBSan.  CTest runs it for NIMBREL_FUZZ_SECONDS over SEEDS (if given), with
# the dictionary DICT (if given), under the label "fuzz"; run the program by
# hand for longer.
set(NIMBREL_FUZZ_SECONDS 5 CACHE STRING "How long CTest runs each fuzz target")
if(NIMBREL_FUZZ AND NOT TARGET fuzzers)
    add_custom_target(fuzzers)
endif()
function(nimbrel_fuzz_target name)
    if(NOT NIMBREL_FUZZ)
        return()
    endif()
    cmake_parse_arguments(ARG "" "SEEDS;DICT" "SOURCES;LIBS" ${ARGN})
    add_executable(fuzz_${name} ${ARG_SOURCES})
    target_link_libraries(fuzz_${name} PRIVATE ${ARG_LIBS})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzzers fuzz_${name})
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/corpus_${name})
    set(dict "")
    if(ARG_DICT)
        set(dict "'-dict=${ARG_DICT}'")
    endif()
    add_test(NAME fuzz_${name}
        COMMAND sh -c "mkdir -p '${corpus}' && exec '$<TARGET_FILE:fuzz_${name}>' -max_total_time=${NIMBREL_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 ${dict} '${corpus}' ${ARG_SEEDS}")
    set_tests_properties(fuzz_${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()
