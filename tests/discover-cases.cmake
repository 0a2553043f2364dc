# Run by CTest before any test (TEST_INCLUDE_FILES, written by osver_cases in
# cases.cmake): one test for each case the script lists. Where it cannot
# list them, one failing test says why.
execute_process(COMMAND ${case_cmake} -E env ${case_environment} ${case_script} --list
                        ${case_arguments} OUTPUT_VARIABLE cases
                ERROR_VARIABLE error RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  add_test(${case_prefix}.cases sh -c "echo \"$1\"; exit 1" sh
           "${case_script} --list failed (${status}): ${error}${cases}")
  return()
endif()
string(REGEX REPLACE "\n$" "" cases "${cases}")
string(REPLACE "\n" ";" cases "${cases}")
foreach(case IN LISTS cases)
  set(name ${case_prefix}.${case})
  add_test(${name} ${case_script} ${case} ${case_arguments})
  set_tests_properties(${name} PROPERTIES LABELS "${case_labels}" ENVIRONMENT "${case_environment}"
                                          ${case_properties})
  if(case STREQUAL case_setup)
    set_tests_properties(${name} PROPERTIES FIXTURES_SETUP ${case_fixture})
  elseif(case STREQUAL case_cleanup)
    set_tests_properties(${name} PROPERTIES FIXTURES_CLEANUP ${case_fixture})
  elseif(NOT case_requires STREQUAL "")
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${case_requires}")
  endif()
endforeach()
