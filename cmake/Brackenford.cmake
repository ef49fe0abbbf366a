# brackenford_module(<target> [SHARED|STATIC|INTERFACE] [DEPS targets...] [TEST_DEPS targets...])
#
# A module is a folder with include/ (public headers), src/ (its sources) and
# tests/ (its GoogleTest files). Sources are globbed so that adding a file
# needs no edit here; every tests/*.cpp goes into one test executable
# <target>_tests, registered with CTest.
function(brackenford_module target)
  cmake_parse_arguments(M "SHARED;STATIC;INTERFACE" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  if(M_INTERFACE)
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_link_libraries(${target} INTERFACE ${M_DEPS})
  else()
    if(M_STATIC)
      add_library(${target} STATIC ${srcs})
    else()
      add_library(${target} SHARED ${srcs})
    endif()
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                         PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${M_DEPS})
  endif()
  brackenford_tests(${target} ${M_TEST_DEPS})
endfunction()

# brackenford_tests(<target> extra-deps...): <target>_tests from tests/*.cpp.
function(brackenford_tests target)
  if(NOT BRACKENFORD_TESTS)
    return()
  endif()
  file(GLOB tsrcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT tsrcs)
    return()
  endif()
  add_executable(${target}_tests ${tsrcs})
  target_include_directories(${target}_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src
                                                     ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(${target}_tests PRIVATE ${target} ${ARGN} brackenford_testing
                        GTest::gtest GTest::gtest_main Threads::Threads)
  set_target_properties(${target}_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${target}_tests DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "BRACKENFORD_BUILD=${CMAKE_BINARY_DIR}")
endfunction()

# brackenford_fuzz_target(<name> SOURCES files... [DEPS targets...] [SEEDS dirs...])
#
# A libFuzzer program bin/<name>, built only with BRACKENFORD_FUZZ (clang),
# with AddressSanitizer and UndefinedBehaviorSanitizer; with that option
# every library it links carries the same instrumentation. Each target is
# listed in <build>/fuzz-targets.txt as "name dictionary seed-dir..." for
# scripts/fuzz; a file <name>.dict beside the first source is its dictionary.
function(brackenford_fuzz_target name)
  if(NOT BRACKENFORD_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;DEPS;SEEDS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/include ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${F_DEPS})
  set(flags -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(${name} PRIVATE ${flags})
  target_link_options(${name} PRIVATE ${flags})
  list(GET F_SOURCES 0 first)
  get_filename_component(dir ${first} DIRECTORY)
  set(seeds "")
  foreach(seed IN LISTS F_SEEDS)
    get_filename_component(seed ${seed} ABSOLUTE)
    string(APPEND seeds " ${seed}")
  endforeach()
  set(dict "${dir}/${name}.dict")
  if(NOT EXISTS ${dict})
    set(dict "-")
  endif()
  file(APPEND ${CMAKE_BINARY_DIR}/fuzz-targets.txt "${name} ${dict}${seeds}\n")
endfunction()
