# One static library per subsystem folder; every .cpp/.h of the folder (and its
# subfolders) belongs to it, so adding a class never touches a CMakeLists.
function(fenwar_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  file(GLOB_RECURSE resources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${name} STATIC ${sources} ${resources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  set_target_properties(${name} PROPERTIES AUTORCC ON)
  # The moc step of an existing build folder only knows the headers it saw the
  # last time, so a header that the glob adds would never be moc'ed. When the
  # file list changes, forget the moc step's stamp so that it runs again.
  set(listing_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_sources.txt)
  string(REPLACE ";" "\n" listing "${sources}")
  set(previous "")
  if(EXISTS ${listing_file})
    file(READ ${listing_file} previous)
  endif()
  if(NOT previous STREQUAL listing)
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/timestamp)
  endif()
  file(WRITE ${listing_file} "${listing}")
endfunction()

# The shared test helpers of tests/support, compiled once for all tests.
function(fenwar_test_support)
  file(GLOB support CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/*.cpp)
  add_library(testsupport STATIC ${support})
  target_include_directories(testsupport PUBLIC ${PROJECT_SOURCE_DIR}/tests)
  # SQLite itself (the platform library links it): the tests put a file layer of their own under it.
  target_link_libraries(testsupport PUBLIC platform Qt6::Test)
endfunction()

# Every tests/<subsystem>/tst_*.cpp becomes one Qt Test executable and one CTest test.
# A test of the sanitizer build may take minutes on a small or busy machine (two cores,
# other builds beside it); a hang still ends here. Qt Test's own limit of five minutes a test
# function is raised to the same bound: a long seeded run under load is no hang.
set(FENWAR_TEST_TIMEOUT 1200)

function(fenwar_tests lib)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(src ${tests})
    get_filename_component(test ${src} NAME_WE)
    add_executable(${test} ${src})
    target_link_libraries(${test} PRIVATE ${lib} testsupport)
    target_compile_definitions(${test} PRIVATE
      FENWAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}" FENWAR_BINARY_DIR="${PROJECT_BINARY_DIR}")
    # Database tests copy the template database that the tools folder builds.
    if(TARGET moto_template)
      add_dependencies(${test} moto_template)
    endif()
    add_test(NAME ${test} COMMAND ${test})
    set_tests_properties(${test} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1;LANG=C.UTF-8;QTEST_FUNCTION_TIMEOUT=${FENWAR_TEST_TIMEOUT}000"
      TIMEOUT ${FENWAR_TEST_TIMEOUT})
  endforeach()
endfunction()

# Every <prefix>*.cpp of the calling folder is one program built on the whole application.
function(fenwar_programs prefix)
  file(GLOB programs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${prefix}*.cpp)
  foreach(src ${programs})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE mainwin)
    target_compile_definitions(${name} PRIVATE FENWAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  endforeach()
endfunction()

# Runs the named test programs of the calling folder a second time, against a
# document database on the throwaway PostgreSQL server that the pg_start test
# starts and pg_stop ends (tests/CMakeLists.txt).
function(fenwar_server_tests)
  foreach(test ${ARGN})
    add_test(NAME ${test}_pg COMMAND ${test})
    get_test_property(${test} ENVIRONMENT env)
    set_tests_properties(${test}_pg PROPERTIES
      ENVIRONMENT "${env};FENWAR_TEST_PG_DIR=${FENWAR_PG_DIR}" FIXTURES_REQUIRED pgserver TIMEOUT ${FENWAR_TEST_TIMEOUT})
  endforeach()
endfunction()
