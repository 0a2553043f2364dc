# osver_cases(SCRIPT PREFIX [LABELS ...] [TIMEOUT SECONDS] [LOCK NAME]
#             [FIXTURE NAME [SETUP CASE] [CLEANUP CASE]] [REQUIRES FIXTURE...]
#             [ENVIRONMENT ...] ARGS ...)
#
# Each case of a case script (tests/lib.sh) becomes a CTest test, PREFIX.CASE,
# found when the tests run, as gtest_discover_tests(DISCOVERY_MODE PRE_TEST)
# finds a GoogleTest program's: CTest asks SCRIPT --list ARGS before it runs
# any test, so a case that needs what is installed later is there, and each
# decides then whether it can run (exit 77: skipped, with its reason). Every
# case runs the Python the build found. A FIXTURE's cases require it, but its
# SETUP case sets it up and its CLEANUP case ends it; the other cases also
# require the fixtures REQUIRES names. LOCK runs the cases one at a time.
function(osver_cases script prefix)
  cmake_parse_arguments(PARSE_ARGV 2 case "" "TIMEOUT;LOCK;FIXTURE;SETUP;CLEANUP"
                        "LABELS;REQUIRES;ENVIRONMENT;ARGS")
  set(properties SKIP_RETURN_CODE 77 TIMEOUT ${case_TIMEOUT})
  if(case_LOCK)
    list(APPEND properties RESOURCE_LOCK ${case_LOCK})
  endif()
  set(discovery ${CMAKE_CURRENT_BINARY_DIR}/${prefix}-cases.cmake)
  string(JOIN "]==] [==[" arguments ${case_ARGS})
  string(JOIN ";" environment OSVER_PYTHON=${OSVER_PYTHON} ${case_ENVIRONMENT})
  string(JOIN ";" requires ${case_FIXTURE} ${case_REQUIRES})
  file(GENERATE OUTPUT ${discovery} CONTENT "set(case_script [==[${script}]==])
set(case_cmake [==[${CMAKE_COMMAND}]==])
set(case_prefix ${prefix})
set(case_arguments [==[${arguments}]==])
set(case_labels [==[${case_LABELS}]==])
set(case_environment [==[${environment}]==])
set(case_properties ${properties})
set(case_fixture [==[${case_FIXTURE}]==])
set(case_requires [==[${requires}]==])
set(case_setup [==[${case_SETUP}]==])
set(case_cleanup [==[${case_CLEANUP}]==])
include([==[${CMAKE_CURRENT_FUNCTION_LIST_DIR}/discover-cases.cmake]==])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${discovery})
endfunction()
