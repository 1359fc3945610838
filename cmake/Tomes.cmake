# Warning flags, sanitizers and test registration shared by every target.

function(tomes_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                         -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual
                         -Wnull-dereference -Wimplicit-fallthrough)
  if(TOMES_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(TOMES_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# tomes_add_test(name SOURCES ... LIBS ... [QT])
function(tomes_add_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  tomes_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TOMES_BIN=${TOMES_PROGRAM_DIR};TOMES_SOURCE=${CMAKE_SOURCE_DIR}"
    TIMEOUT 600)
endfunction()
