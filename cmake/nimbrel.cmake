# nimbrel_subsystem(NAME DEPENDS lib...): the static library of one folder
# under src/, from every .cpp in it.  Headers are included as "NAME/file.h".
function(nimbrel_subsystem name)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(nimbrel_${name} STATIC ${sources})
    target_include_directories(nimbrel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(nimbrel_${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# nimbrel_test_suite(NAME LABEL l SOURCES f... LIBS lib...): one GoogleTest
# program; every test in it becomes a CTest test labelled l (one label: the
# discovery script cannot carry a list).  scripts/test picks suites by label.
function(nimbrel_test_suite name)
    cmake_parse_arguments(ARG "" "TIMEOUT;LABEL" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} nimbrel_test_support GTest::gtest GTest::gmock)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT} ${ARG_PROPERTIES})
endfunction()
