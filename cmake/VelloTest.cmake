# vello_add_gtest(NAME <target> LABEL <label> [WIDGETS] SOURCES <files...> LIBS <libs...>
#                 [PROPERTIES <name value...>] [WRAPPER <command...>])
# Builds one GoogleTest executable with the common test entry (tests/common/TestMain.cpp: a private home
# folder, then a QCoreApplication, or a QApplication on the offscreen platform with WIDGETS) and registers
# its tests with CTest under the label; PROPERTIES are further CTest properties of every test
# (FIXTURES_REQUIRED ...); WRAPPER runs each test (and the listing) through a command, e.g.
# dbus-run-session --.
include(GoogleTest)
function(vello_add_gtest)
  cmake_parse_arguments(ARG "WIDGETS" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS;PROPERTIES;WRAPPER" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/common/TestMain.cpp)
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} vello_testcommon GTest::gtest Threads::Threads)
  if(ARG_WIDGETS)
    target_compile_definitions(${ARG_NAME} PRIVATE VELLO_TEST_WIDGETS)
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Widgets)
  endif()
  set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  # gtest_discover_tests flattens a list-valued ENVIRONMENT property, so the environment is set by running
  # each test (and the discovery) through env(1) instead.
  set(runner ${ARG_WRAPPER} /usr/bin/env QT_QPA_PLATFORM=offscreen VELLO_BIN_DIR=${CMAKE_BINARY_DIR}/bin
      VELLO_SOURCE_DIR=${CMAKE_SOURCE_DIR})
  set_target_properties(${ARG_NAME} PROPERTIES CROSSCOMPILING_EMULATOR "${runner}")
  gtest_discover_tests(${ARG_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT} ${ARG_PROPERTIES})
endfunction()
