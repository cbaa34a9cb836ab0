# One static library per layer, from every source file under src/<layer>.
function(gwr_layer name)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${name}/*.cpp)
  list(FILTER _sources EXCLUDE REGEX "/src/app/run/main\\.cpp$")
  if(NOT _sources)
    # A layer whose first sources have not landed yet.
    add_library(gwr_${name} INTERFACE)
    target_include_directories(gwr_${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(gwr_${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(gwr_${name} STATIC ${_sources})
  target_include_directories(gwr_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(gwr_${name} PUBLIC ${ARGN})
endfunction()

# One test program per layer, from its folder and the sub-folders that mirror
# the layer's parts. Files named *_concurrency_test.cpp form a second program
# labelled "concurrency", which the ThreadSanitizer build runs alone. The real
# window's tests under platform/window are a program of their own.
function(gwr_layer_tests layer)
  file(GLOB_RECURSE _all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*_test.cpp)
  list(FILTER _all EXCLUDE REGEX "/tests/platform/window/")
  set(_plain ${_all})
  list(FILTER _plain EXCLUDE REGEX "_concurrency_test\\.cpp$")
  set(_conc ${_all})
  list(FILTER _conc INCLUDE REGEX "_concurrency_test\\.cpp$")
  # Shared test helpers with sources of their own, compiled once.
  if(NOT TARGET gwr_test_support)
    file(GLOB _support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
    add_library(gwr_test_support STATIC ${_support})
    target_include_directories(gwr_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(gwr_test_support PUBLIC fmt::fmt)
  endif()

  if(_plain AND NOT GWR_ONLY_CONCURRENCY_TESTS)
    add_executable(gwr_${layer}_tests ${_plain})
    target_link_libraries(gwr_${layer}_tests PRIVATE gwr_${layer} gwr_test_support ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(gwr_${layer}_tests PROPERTIES LABELS ${layer} DISCOVERY_TIMEOUT 60)
  endif()
  if(_conc)
    add_executable(gwr_${layer}_concurrency_tests ${_conc})
    target_link_libraries(gwr_${layer}_concurrency_tests PRIVATE gwr_${layer} gwr_test_support ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(gwr_${layer}_concurrency_tests PROPERTIES LABELS concurrency DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
