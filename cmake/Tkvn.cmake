# Build conventions shared by every folder.
#
#   tkvn_library(NAME SOURCES... [LIBS ...])       a static library; portable unless the folder
#                                                   only adds it inside if(WIN32)
#   tkvn_add_test(NAME SOURCES ... [LIBS ...] [WIN32_ONLY] [HOST_ONLY] [LABELS ...])
#                                                   a GoogleTest executable registered with CTest
#                                                   as host.NAME (native, sanitizers) or win.NAME
#                                                   (under Wine); one CTest entry per executable;
#                                                   Windows tests hold the lock wine_prefix, which
#                                                   script tests that use the prefix take as well
#   tkvn_add_fuzzer(NAME SOURCE src LIBS ... [CORPUS dir...])
#                                                   a libFuzzer target (host clang build only) and
#                                                   a short CTest run of it over its corpus

if(WIN32)
  set(TKVN_TARGET win)
else()
  set(TKVN_TARGET host)
endif()

set(TKVN_WARNINGS -Wall -Wextra -Wshadow -Wformat=2 -Wno-unused-parameter)
if(TKVN_WERROR)
  list(APPEND TKVN_WARNINGS -Werror)
endif()

add_compile_definitions($<$<BOOL:${TKVN_DEBUG}>:TKVN_DEBUG=1>)

if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
  add_link_options(-static -static-libgcc -static-libstdc++)
elseif(TKVN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

set(TKVN_CAN_FUZZ OFF)
if(NOT WIN32 AND TKVN_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(TKVN_CAN_FUZZ ON)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

set(TKVN_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

function(tkvn_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${TKVN_SOURCE_ROOT})
  target_compile_options(${name} PRIVATE ${TKVN_WARNINGS})
  if(A_LIBS)
    target_link_libraries(${name} PUBLIC ${A_LIBS})
  endif()
endfunction()

function(tkvn_add_test name)
  cmake_parse_arguments(A "WIN32_ONLY;HOST_ONLY" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(A_WIN32_ONLY AND NOT WIN32)
    return()
  endif()
  if(A_HOST_ONLY AND WIN32)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${TKVN_SOURCE_ROOT})
  target_compile_options(${name} PRIVATE ${TKVN_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_LIBS} gtest_main gtest)
  tkvn_register_test(${name} "${A_TIMEOUT}" "${A_LABELS}" ${name})
endfunction()

# Registers TKVN_TARGET.name running the command, with the test environment; Windows tests share
# one Wine prefix (its registry key, its drive C: and its screen), so each holds its lock.
function(tkvn_register_test name timeout labels)
  if(NOT timeout)
    set(timeout 300)
  endif()
  add_test(NAME ${TKVN_TARGET}.${name} COMMAND ${ARGN})
  set_tests_properties(${TKVN_TARGET}.${name} PROPERTIES TIMEOUT ${timeout}
    ENVIRONMENT "TKVN_SOURCE_DIR=${TKVN_SOURCE_ROOT};TKVN_BINARY_DIR=${CMAKE_BINARY_DIR}")
  if(labels)
    set_tests_properties(${TKVN_TARGET}.${name} PROPERTIES LABELS "${labels}")
  endif()
  if(WIN32)
    set_tests_properties(${TKVN_TARGET}.${name} PROPERTIES RESOURCE_LOCK wine_prefix)
  endif()
endfunction()

function(tkvn_add_fuzzer name)
  cmake_parse_arguments(A "" "SOURCE;SECONDS" "LIBS;CORPUS" ${ARGN})
  if(NOT TKVN_CAN_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCE})
  target_include_directories(${name} PRIVATE ${TKVN_SOURCE_ROOT})
  target_compile_options(${name} PRIVATE ${TKVN_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(seconds 10)
  if(A_SECONDS)
    set(seconds ${A_SECONDS})
  endif()
  # A short run in every test run: new inputs go to a scratch folder, the seeds are only read.
  set(scratch ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  add_test(NAME fuzz.${name}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            $<TARGET_FILE:${name}> -max_total_time=${seconds} -timeout=10 -rss_limit_mb=2048
            -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/${name}- ${scratch} ${A_CORPUS})
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
  file(MAKE_DIRECTORY ${scratch})
endfunction()

#   tkvn_add_script_test(NAME COMMAND ... [TIMEOUT s])
#                                                   a test run by a script (Python, shell) that uses
#                                                   the Wine prefix: registered as win.NAME with the
#                                                   lock wine_prefix, like the GoogleTest ones
function(tkvn_add_script_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "COMMAND;LABELS" ${ARGN})
  tkvn_register_test(${name} "${A_TIMEOUT}" "${A_LABELS}" ${A_COMMAND})
endfunction()
