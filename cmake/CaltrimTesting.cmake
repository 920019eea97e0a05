# caltrim_group_test(<target> <labels...>)
# The test program <target> joins the build targets caltrim_tests_all and caltrim_tests_<label>
# of each label, so that a build that runs only some tests (a sanitizer's stage in scripts/test)
# makes only those programs and what they run.
function(caltrim_group_test target)
  foreach(group IN ITEMS all ${ARGN})
    if(NOT TARGET caltrim_tests_${group})
      add_custom_target(caltrim_tests_${group})
    endif()
    add_dependencies(caltrim_tests_${group} ${target})
  endforeach()
endfunction()

# The properties every test of a sanitizer build gets: the sanitizer's suppressions, which name
# only what is not ours (each file says why). Tests registered with add_test add them too.
set(CALTRIM_SANITIZER_TEST_PROPERTIES)
if(CALTRIM_SANITIZE STREQUAL "thread")
  set(CALTRIM_SANITIZER_TEST_PROPERTIES ENVIRONMENT
      "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/tsan-qt-handoff.supp")
elseif(CALTRIM_SANITIZE STREQUAL "address")
  set(CALTRIM_SANITIZER_TEST_PROPERTIES ENVIRONMENT
      "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan-system.supp")
endif()

# caltrim_add_gtest(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>]
#                   [WRAPPER <command...>])
# Builds one GoogleTest executable into build/tests and registers each of its cases with CTest.
# WRAPPER runs the executable through a command (the network-namespace rig, for example).
function(caltrim_add_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;WRAPPER" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main Threads::Threads
                                           caltrim_warnings)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
                                             BUILD_RPATH "${CALTRIM_STAGE_DIR}")
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  # Discovery reads the wrapper when it is registered, so the property must be set first.
  if(T_WRAPPER)
    set_property(TARGET ${T_NAME} PROPERTY CROSSCOMPILING_EMULATOR ${T_WRAPPER})
  endif()
  # Discovered tests cannot carry a list of labels (the discovery script flattens it), so the
  # labels join into one: "servolink+rig" is selected by `ctest -L servolink` and `-L rig` alike.
  string(JOIN "+" labels ${T_LABELS})
  caltrim_group_test(${T_NAME} ${T_LABELS})
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" TIMEOUT 300 ${CALTRIM_SANITIZER_TEST_PROPERTIES}
    TEST_PREFIX "${T_NAME}."
    )
endfunction()

find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
include(GoogleTest)
