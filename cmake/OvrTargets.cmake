# Helpers that keep each folder's CMakeLists.txt to one line.

# ovr_layer(<target> [DEPS <libs>...] [OPTIONS <compile options>...])
# A static library from every .cpp file of the calling folder, except the implementations of the
# platform services for the other operating system: *_win32.cpp off Windows, *_posix.cpp on it.
function(ovr_layer target)
  cmake_parse_arguments(L "" "" "DEPS;OPTIONS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  if(srcs)
    add_library(${target} STATIC ${srcs})
    target_link_libraries(${target} PUBLIC ${L_DEPS})
    target_compile_options(${target} PRIVATE ${L_OPTIONS})
  else()
    # Header-only so far: still a target that dependants can link.
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${L_DEPS})
  endif()
endfunction()

# ovr_test_suite(<name> [DEPS <libs>...])
# A GoogleTest executable test_<name> from every .cpp file of the calling folder, registered with ctest.
function(ovr_test_suite name)
  cmake_parse_arguments(T "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${name} ${srcs})
  target_link_libraries(test_${name} PRIVATE ${T_DEPS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()

# ovr_add_subfolders(): add every direct subfolder of the calling folder that has a CMakeLists.txt.
function(ovr_add_subfolders)
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(entry ${entries})
    if(IS_DIRECTORY ${entry} AND EXISTS ${entry}/CMakeLists.txt)
      add_subdirectory(${entry})
    endif()
  endforeach()
endfunction()

# ovr_bench(<name> [DEPS <libs>...]): a Google Benchmark program bench_<name> from the calling folder's .cpp files.
function(ovr_bench name)
  cmake_parse_arguments(B "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(bench_${name} ${srcs})
  target_link_libraries(bench_${name} PRIVATE ${B_DEPS} benchmark::benchmark)
endfunction()
