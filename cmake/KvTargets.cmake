# Helpers that give every library, program, test, benchmark and fuzzer the same shape.

function(kv_add_subdirectory_if_present dir)
  if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
    add_subdirectory(${dir})
  endif()
endfunction()

# kv_add_library(<target>
#   SOURCES ...            sources of the shared library
#   PUBLIC_LIBS ...        libraries whose headers the public headers include
#   PRIVATE_LIBS ...       implementation-only libraries
#   DESCRIPTION "..."      pkg-config description
#   PC_REQUIRES ...        pkg-config modules the public headers need
#   PC_REQUIRES_PRIVATE ...
#   CMAKE_DEPS ...         other suite packages the CMake config must find first)
# The public headers live in <dir>/include/<target>/ and install to include/<target>/.
# The pkg-config module and CMake package are both named <target>.
function(kv_add_library target)
  cmake_parse_arguments(A "" "DESCRIPTION;INCLUDE_DIR"
    "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS;PC_REQUIRES;PC_REQUIRES_PRIVATE;CMAKE_DEPS" ${ARGN})
  add_library(${target} SHARED ${A_SOURCES})
  add_library(KvSuite::${target} ALIAS ${target})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${target}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    CXX_VISIBILITY_PRESET default)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_libraries(${target} PUBLIC ${A_PUBLIC_LIBS} PRIVATE kv_options ${A_PRIVATE_LIBS})

  install(TARGETS ${target} EXPORT ${target}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/include/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(EXPORT ${target}Targets NAMESPACE KvSuite::
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/${target})

  set(KV_NAME ${target})
  string(JOIN " " KV_CMAKE_DEPS ${A_CMAKE_DEPS})
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package-config.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}Config.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/${target})
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${target}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}Config.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/${target}ConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/${target})

  set(PC_NAME ${target})
  set(PC_DESCRIPTION "${A_DESCRIPTION}")
  string(JOIN " " PC_REQUIRES ${A_PC_REQUIRES})
  string(JOIN " " PC_REQUIRES_PRIVATE ${A_PC_REQUIRES_PRIVATE})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/library.pc.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()

# kv_add_program(<target> SOURCES ... LIBS ...): an installed program in build/bin.
function(kv_add_program target)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${A_SOURCES})
  target_link_libraries(${target} PRIVATE kv_options ${A_LIBS})
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# Every test runs headless, and sanitizer runs know which third-party leaks to ignore. The
# tests start through env(1) because gtest_discover_tests cannot carry a list of variables
# in its ENVIRONMENT property.
set(KV_TEST_LAUNCHER env QT_QPA_PLATFORM=offscreen SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
  LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp)

# kv_add_test(<target> SOURCES ... LIBS ...): a GoogleTest suite registered with ctest.
function(kv_add_test target)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${A_SOURCES})
  target_link_libraries(${target} PRIVATE kv_options kv_testsupport ${A_LIBS}
    GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    CROSSCOMPILING_EMULATOR "${KV_TEST_LAUNCHER}")
  # A test that hangs fails in minutes instead of holding the run for ctest's default 25.
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# kv_add_bench(<target> SOURCES ... LIBS ...): a Google Benchmark program in build/bench.
function(kv_add_bench target)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${A_SOURCES})
  target_link_libraries(${target} PRIVATE kv_options kv_testsupport ${A_LIBS} benchmark::benchmark)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/bench/common)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

# kv_add_fuzzer(<target> SOURCES ... LIBS ... [CORPUS dir])
# With KV_FUZZ the target is a libFuzzer binary in build/fuzz/bin. Without it, the same entry point
# is linked with a small driver and ctest replays the seed corpus, so every seed and every
# crash reproducer kept in fuzz/corpus/<target>/ stays a regression test.
function(kv_add_fuzzer target)
  cmake_parse_arguments(A "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT A_CORPUS)
    set(A_CORPUS ${PROJECT_SOURCE_DIR}/fuzz/corpus/${target})
  endif()
  add_executable(${target} ${A_SOURCES})
  target_link_libraries(${target} PRIVATE kv_options ${A_LIBS})
  # build/fuzz/<target>/ is the target's own binary folder, so the programs gather in fuzz/bin.
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz/bin)
  if(KV_FUZZ)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    if(KV_TESTS)
      add_test(NAME fuzz_replay.${target} COMMAND ${target} ${A_CORPUS})
    endif()
  endif()
endfunction()
