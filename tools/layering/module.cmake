# The layering check: run by ctest (the test Layering.Includes), or by hand with
#   cmake --build build --target check-layering
# Its table is written at configure time from the salvix_module/salvix_layer calls (build/layering/modules.txt).
add_executable(salvix_layering_check ${CMAKE_SOURCE_DIR}/tools/layering/LayeringCheck.cpp)
set_target_properties(salvix_layering_check PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(_layering_args --root ${CMAKE_SOURCE_DIR} --table ${CMAKE_BINARY_DIR}/layering/modules.txt)
add_test(NAME Layering.Includes COMMAND salvix_layering_check ${_layering_args})
add_test(NAME Layering.Readme COMMAND salvix_layering_check ${_layering_args} --readme ${CMAKE_SOURCE_DIR}/README.md)
add_custom_target(check-layering COMMAND salvix_layering_check ${_layering_args} USES_TERMINAL VERBATIM)

# The check itself, on a small tree with one include across a line the table does not allow and one cycle.
set(_layering_bad ${CMAKE_SOURCE_DIR}/tools/layering/tests/badtree)
add_test(NAME Layering.CatchesBadIncludes
         COMMAND salvix_layering_check --root ${_layering_bad} --table ${_layering_bad}/modules.txt)
set_tests_properties(Layering.CatchesBadIncludes PROPERTIES WILL_FAIL TRUE)
add_test(NAME Layering.ReportsEachFault
         COMMAND salvix_layering_check --root ${_layering_bad} --table ${_layering_bad}/modules.txt)
set_tests_properties(Layering.ReportsEachFault PROPERTIES PASS_REGULAR_EXPRESSION
  "table cycle between: left right.*low/Low.cpp:2: includes high/High.h of high, which low does not list.*low/Low.cpp:3: includes the Qt header <QString>.*include cycle between: left right.*layering: 4 fault")
