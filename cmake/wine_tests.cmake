# The Windows test programs under CTest. CTest runs them through the emulator
# scripts/wine-run.sh (CMAKE_CROSSCOMPILING_EMULATOR, cmake/mingw-w64.cmake);
# they open windows, so run CTest inside scripts/with-wine.sh, which gives the
# whole run one virtual display and one persistent wineserver:
#   scripts/with-wine.sh ctest --test-dir build/win --output-on-failure -R Update

# The locales every Windows test runs under: Wine takes the ANSI code page from
# LANG (zh_CN.UTF-8: 936, en_US.UTF-8: 1252).
set(TESSALY_TEST_LOCALES zh_CN en_US)

# tessaly_wine_tests(<target> SERVERS <kind>): registers every test of the
# gtest program <target> once per locale, as "<locale>/<Suite>.<Test>" run
# with LANG=<locale>.UTF-8, each in a process of its own and none beside
# another (they share the Wine prefix, the program's single-instance mark and
# loopback ports). The tests are listed by asking the program under Wine when
# CTest first starts after a build, not while building. They run while the
# servers of <kind> run (tessaly_test_servers), whose folder the program gets
# as TESSALY_TEST_SERVERS.
function(tessaly_wine_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "SERVERS" "")
  set(folder ${PROJECT_BINARY_DIR}/${arg_SERVERS}-servers)
  tessaly_test_servers(${arg_SERVERS} ${folder})
  target_compile_definitions(${target} PRIVATE TESSALY_TEST_SERVERS="${folder}")
  # gtest_discover_tests passes each property one value only.
  foreach(locale IN LISTS TESSALY_TEST_LOCALES)
    gtest_discover_tests(${target}
      TEST_PREFIX ${locale}/
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      PROPERTIES
        ENVIRONMENT LANG=${locale}.UTF-8
        FIXTURES_REQUIRED ${arg_SERVERS}-servers
        RUN_SERIAL TRUE
        TIMEOUT 180)
  endforeach()
endfunction()

# tessaly_test_servers(<kind> <folder>): the servers of scripts/test-servers.sh
# <kind> as a CTest fixture: test servers.<kind>.start runs before the first
# test that needs them, servers.<kind>.stop after the last. Every kind listens
# on 127.0.0.1:8001, so a kind starts only once the kinds registered before it
# have stopped.
function(tessaly_test_servers kind folder)
  get_property(kinds GLOBAL PROPERTY TESSALY_TEST_SERVER_KINDS)
  if(kind IN_LIST kinds)
    return()
  endif()
  set(script ${PROJECT_SOURCE_DIR}/scripts/test-servers.sh)
  add_test(NAME servers.${kind}.start COMMAND ${script} start ${kind} ${folder})
  add_test(NAME servers.${kind}.stop COMMAND ${script} stop ${kind} ${folder})
  set(stopped_before "")
  foreach(before IN LISTS kinds)
    list(APPEND stopped_before servers.${before}.stop)
  endforeach()
  set_tests_properties(servers.${kind}.start PROPERTIES
    FIXTURES_SETUP ${kind}-servers RUN_SERIAL TRUE DEPENDS "${stopped_before}")
  set_tests_properties(servers.${kind}.stop PROPERTIES FIXTURES_CLEANUP ${kind}-servers RUN_SERIAL TRUE)
  set_property(GLOBAL APPEND PROPERTY TESSALY_TEST_SERVER_KINDS ${kind})
endfunction()
