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
# A fuzz target: a program bin/<name> around LLVMFuzzerTestOneInput (and
# LLVMFuzzerInitialize where it has one), built in one of two ways.
#
# With BRACKENFORD_FUZZ (clang), a libFuzzer program with AddressSanitizer
# and UndefinedBehaviorSanitizer; with that option every library it links
# carries the same instrumentation. Each target is listed in
# <build>/fuzz-targets.txt as "name dictionary seed-dir..." for
# scripts/fuzz; a file <name>.dict beside the first source is its dictionary.
#
# In a build with tests, a program with our own main
# (testing/fuzz/replay_main.cpp) that runs each seed once, then each file
# named on its command line; the test fuzz_replay.<name> replays the seeds,
# so that every target compiles and keeps its seeds passing on every change.
function(brackenford_fuzz_target name)
  if(NOT BRACKENFORD_FUZZ AND NOT BRACKENFORD_TESTS)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;DEPS;SEEDS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/include ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${F_DEPS})
  set(seeds "")
  foreach(seed IN LISTS F_SEEDS)
    get_filename_component(seed ${seed} ABSOLUTE)
    list(APPEND seeds ${seed})
  endforeach()
  if(BRACKENFORD_FUZZ)
    brackenford_libfuzzer(${name} "${F_SOURCES}" "${seeds}")
  else()
    brackenford_fuzz_replay(${name} "${seeds}")
  endif()
endfunction()

function(brackenford_libfuzzer name sources seeds)
  set(flags -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(${name} PRIVATE ${flags})
  target_link_options(${name} PRIVATE ${flags})
  list(GET sources 0 first)
  get_filename_component(dir ${first} DIRECTORY)
  set(dict "${dir}/${name}.dict")
  if(NOT EXISTS ${dict})
    set(dict "-")
  endif()
  list(JOIN seeds " " seeds)
  file(APPEND ${CMAKE_BINARY_DIR}/fuzz-targets.txt "${name} ${dict} ${seeds}\n")
endfunction()

# The replay main, compiled once; each target adds the list of its seed
# folders (kSeedFolders, ending in a null).
function(brackenford_fuzz_replay name seeds)
  if(NOT TARGET brackenford_fuzz_replay)
    add_library(brackenford_fuzz_replay STATIC ${CMAKE_SOURCE_DIR}/testing/fuzz/replay_main.cpp)
  endif()
  set(entries "")
  foreach(seed IN LISTS seeds)
    string(REPLACE "\\" "\\\\" seed "${seed}")
    string(REPLACE "\"" "\\\"" seed "${seed}")
    string(APPEND entries "\"${seed}\", ")
  endforeach()
  set(list_source ${CMAKE_BINARY_DIR}/fuzz/${name}_seeds.cpp)
  file(CONFIGURE OUTPUT ${list_source} CONTENT
       "namespace fuzz_replay {\nextern const char* const kSeedFolders[] = {@entries@nullptr};\n}\n" @ONLY)
  target_sources(${name} PRIVATE ${list_source})
  target_link_libraries(${name} PRIVATE brackenford_fuzz_replay)
  add_test(NAME fuzz_replay.${name} COMMAND ${name})
  set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS fuzz_replay)
endfunction()
