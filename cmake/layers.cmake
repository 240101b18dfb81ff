# The layers of the code base as build targets.
#
# lumatrix_layer(NAME [DEPENDS layer...] [LIBS target...] [EXCLUDE file...]) builds every .cpp
# under src/NAME/ into the static library lumatrix_NAME. Headers are included as "NAME/x.h", but
# not from src/: each layer gets an include folder of its own in the build tree that holds only
# src/NAME (a link), and it sees the folders of the layers it links. A header of a layer above is
# therefore not found at all, and an include that points upwards fails to compile.

function(lumatrix_layer name)
  cmake_parse_arguments(LAYER "" "" "DEPENDS;LIBS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  foreach(excluded ${LAYER_EXCLUDE})
    list(REMOVE_ITEM sources ${PROJECT_SOURCE_DIR}/src/${name}/${excluded})
  endforeach()
  add_library(lumatrix_${name} STATIC ${sources})
  set(view ${PROJECT_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${view})
  if(NOT EXISTS ${view}/${name})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${name} ${view}/${name} SYMBOLIC)
  endif()
  target_include_directories(lumatrix_${name} PUBLIC ${view})
  set(deps "")
  foreach(dep ${LAYER_DEPENDS})
    list(APPEND deps lumatrix_${dep})
  endforeach()
  target_link_libraries(lumatrix_${name} PUBLIC ${deps} ${LAYER_LIBS})
endfunction()

# Helpers the tests share, in two layers of their own: the base one (scratch folders, running
# programs, a recording run host) and the imaging one (synthetic rasters, damaged inputs).
function(lumatrix_test_support)
  file(GLOB base_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/base/*.cpp)
  add_library(lumatrix_test_support_base STATIC ${base_sources})
  target_include_directories(lumatrix_test_support_base PUBLIC ${PROJECT_SOURCE_DIR}/tests/support/base)
  target_link_libraries(lumatrix_test_support_base PUBLIC lumatrix_base GTest::gtest GTest::gmock)
  target_compile_definitions(lumatrix_test_support_base PUBLIC
    LUMATRIX_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    LUMATRIX_CLI_PATH="$<TARGET_FILE:lumatrix>")

  file(GLOB imaging_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/imaging/*.cpp)
  add_library(lumatrix_test_support STATIC ${imaging_sources})
  target_include_directories(lumatrix_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests/support/imaging)
  target_link_libraries(lumatrix_test_support PUBLIC lumatrix_imaging lumatrix_test_support_base)
endfunction()

# lumatrix_layer_tests(NAME [EXCLUDE file...]): the GoogleTest program lumatrix_NAME_tests from
# tests/NAME/ (without the files named, relative to it), linking that layer alone (and so, like
# it, blind to the layers above).
function(lumatrix_layer_tests name)
  cmake_parse_arguments(TESTS "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${name}/*.cpp)
  foreach(excluded ${TESTS_EXCLUDE})
    list(REMOVE_ITEM sources ${PROJECT_SOURCE_DIR}/tests/${name}/${excluded})
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_executable(lumatrix_${name}_tests ${sources})
  if(name STREQUAL "base")
    target_link_libraries(lumatrix_${name}_tests PRIVATE lumatrix_test_support_base)
  else()
    target_link_libraries(lumatrix_${name}_tests PRIVATE lumatrix_test_support)
  endif()
  target_link_libraries(lumatrix_${name}_tests PRIVATE lumatrix_${name} GTest::gtest_main)
  # Some tests run the command-line program.
  add_dependencies(lumatrix_${name}_tests lumatrix)
  # A test that hangs fails after five minutes instead of holding up the whole run.
  # The window tests draw off screen, with no display (and list themselves the same way).
  set(environment "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
  if(name STREQUAL "app")
    list(APPEND environment "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(lumatrix_${name}_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 ENVIRONMENT "${environment}")
endfunction()
