# Helpers shared by every folder's CMakeLists.txt.

# corvane_library(<target> [DEPS <targets...>])
# A static library of every .cpp/.c file in the calling folder. Headers are included
# by their path from the repository root ("engine/util/qnstring.h").
function(corvane_library target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  if(sources)
    add_library(${target} STATIC ${sources})
    set(scope PUBLIC)
  else()
    # A folder with headers only (or none yet) still gives its users the include path and links.
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${target} ${scope} ${ARG_DEPS})
  endif()
endfunction()

# corvane_tests(<executable> LABEL <unit|integration|e2e> [LIBS <targets...>])
# One GoogleTest executable of every .cpp file in the calling folder, registered with CTest.
# Its main (tests/test_main.cpp) picks headless video and audio drivers unless the environment names others.
function(corvane_tests exe)
  cmake_parse_arguments(ARG "" "LABEL" "LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()  # a test folder waiting for its first suite
  endif()
  add_executable(${exe} ${sources})
  target_link_libraries(${exe} PRIVATE ${ARG_LIBS} corvane_test_main GTest::gtest GTest::gmock)
  target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${exe}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS ${ARG_LABEL})
endfunction()
