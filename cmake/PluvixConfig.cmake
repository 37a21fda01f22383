# One interface target carries the compile settings of every target.
add_library(pluvix_options INTERFACE)
target_compile_features(pluvix_options INTERFACE cxx_std_20)
target_compile_options(pluvix_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor)
target_compile_definitions(pluvix_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER)
if(PLUVIX_WERROR)
  target_compile_options(pluvix_options INTERFACE -Werror)
endif()
if(PLUVIX_SANITIZE)
  target_compile_options(pluvix_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(pluvix_options INTERFACE -fsanitize=address,undefined)
endif()

# pluvix_add_test(<name> SOURCES ... [LIBS ...] [ENV ...] [LABELS ...] [TIMEOUT s])
# One QtTest executable per behaviour; locale pinned, offscreen platform unless ENV says otherwise.
function(pluvix_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE pluvix_options pluvix_testsupport Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set(env "LANG=C.UTF-8" "LC_ALL=C.UTF-8" "QT_QPA_PLATFORM=offscreen"
          "PLUVIX_RADAR_SERVER=$<TARGET_FILE:pluvix-radar-server>"
          "ASAN_OPTIONS=detect_leaks=0")
  list(APPEND env ${T_ENV})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# pluvix_add_fuzz(<name> SOURCES ... [LIBS ...])
# A libFuzzer target (-DPLUVIX_FUZZ=ON with clang): only the listed sources are instrumented, so
# the search follows our own code; scripts/fuzz.sh runs it on tests/fuzz/corpus/<name>.
function(pluvix_add_fuzz name)
  if(NOT PLUVIX_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_include_directories(${name} PRIVATE
    ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src/generated)
  target_link_libraries(${name} PRIVATE pluvix_options ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined
    -fno-sanitize-recover=undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
endfunction()
