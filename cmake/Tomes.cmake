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

# tomes_add_test(name [MODEL] SOURCES ... LIBS ...): MODEL tests need no display
# and carry the label "model" (the sanitizer preset runs them).
function(tomes_add_test name)
  cmake_parse_arguments(T "MODEL" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  tomes_warnings(${name})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TOMES_BIN=${TOMES_PROGRAM_DIR};TOMES_SOURCE=${CMAKE_SOURCE_DIR}"
    TIMEOUT 600)
  if(T_MODEL)
    set_tests_properties(${name} PROPERTIES LABELS model)
  endif()
endfunction()

# tomes_library(target folder deps... [EXCLUDE subfolders...]): every source
# under src/<folder>, but for the subfolders that are libraries of their own.
function(tomes_library target folder)
  cmake_parse_arguments(L "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp
       ${CMAKE_SOURCE_DIR}/src/${folder}/*.h)
  foreach(sub ${L_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "/src/${folder}/${sub}/")
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${L_UNPARSED_ARGUMENTS})
  tomes_warnings(${target})
  add_dependencies(${target} layer_check)
endfunction()
