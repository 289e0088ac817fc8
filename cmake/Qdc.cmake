# Helpers shared by every folder, so each folder's CMakeLists stays a few lines.

# qdc_library(NAME DIR [DEPS ...]): a static library of every source below DIR.
function(qdc_library name)
  cmake_parse_arguments(A "" "EXCLUDE" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$|/programs/")
  if(A_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${A_EXCLUDE}")
  endif()
  list(FILTER srcs INCLUDE REGEX "\\.cpp$|\\.h$")
  set(cpps ${srcs})
  list(FILTER cpps INCLUDE REGEX "\\.cpp$")
  if(NOT cpps)
    # A folder whose code has not landed yet still links.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${A_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  target_compile_options(${name} PRIVATE -Wall -Wextra)
endfunction()

# qdc_test(NAME LABEL SOURCES ... LIBS ...): one GoogleTest binary registered with
# ctest under the label of its folder, headless, in its own temporary world.
function(qdc_test name label)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE qdc_testsupport ${A_LIBS} GTest::gtest Qt6::Test)
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}" "${CMAKE_SOURCE_DIR}/tests")
  add_dependencies(${name} qdc_bundles)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT ${A_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QDC_ROOT=;QDC_TESTING=1")
endfunction()
