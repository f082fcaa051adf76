# The Windows test program: the share of the suites that proves the Windows
# platform layer, run under Wine (the toolchain file's
# CMAKE_CROSSCOMPILING_EMULATOR) by CTest. Not every Linux test: the
# platform functions, the two logs, zelwrkjob.exe as a real process on a
# small installation, and writers in several processes on one message log.
# Tests that need POSIX facilities (fork, signals, RLIMIT_FSIZE) are compiled
# on Linux only and say so where they stand.
set(ZEL_WINDOWS_TEST_SOURCES
  test_platform.cpp
  test_msglog.cpp
  test_msglog_processes.cpp
  test_joblog.cpp
  test_entry.cpp
  test_update_job.cpp
  test_full_check_job.cpp
  test_single_assignment_job.cpp
  test_db_without_postgres.cpp
  windows/test_zelrun_windows.cpp)
list(TRANSFORM ZEL_WINDOWS_TEST_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
zel_add_test_program(${ZEL_WINDOWS_TEST_SOURCES})
# The Windows-only suites in windows/ use the shared helpers of tests/.
target_include_directories(zel_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
set_target_properties(zel_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# One CTest test per part of the share: each start of Wine costs time, so the
# share runs as a few processes, not one per case. The real-process suites of the
# three jobs contribute only their tests of zelwrkjob.exe; their in-process
# cases exercise no platform code beyond what the log suites cover.
function(zel_windows_test name filter)
  add_test(NAME ${name} COMMAND zel_tests --gtest_filter=${filter} --gtest_brief=1)
  # A filter that no longer matches any test must not pass unnoticed.
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 FAIL_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests")
endfunction()
zel_windows_test(Windows.Platform "PlatformFiles.*:PlatformProcess.*")
zel_windows_test(Windows.MsgLog "MsgLogTest.*:MsgLogProcesses.*")
zel_windows_test(Windows.JobLog "JobLogTest.*")
zel_windows_test(Windows.Entry "Entry.*-Entry.PostgresConnectFailuresAreReported")
# The build has no PostgreSQL engine: a connection string for it is refused by name.
zel_windows_test(Windows.Database "DbSemantics.PostgresConnectStringIsRefusedWithoutTheEngine")
zel_windows_test(Windows.Jobs
  "UpdateJob.ZelwrkjobUWritesTheUpdateSectionThenTheFullCheckSection:FullCheckJob.DemoInstallationTwoRuns:SingleAssignmentJob.DemoInstallation")

# zelrun.exe's event per run and the job that ends with it
# (windows/test_zelrun_windows.cpp). Wine keeps no event log but traces its
# calls to the Unix standard error of the program (not its Windows handle),
# which that of the test program is: sent to a file, whose name the test
# reads from ZEL_TEST_WINE_TRACE as Wine shows it (drive Z: is /), and
# copied to the output afterwards.
set(ZEL_EVENT_TRACE ${CMAKE_BINARY_DIR}/zelrun-events.trace)
add_test(NAME Windows.ZelRun
  COMMAND sh -c "\"$0\" \"$1\" --gtest_filter=ZelRunWindows.* --gtest_brief=1 2>\"$2\"; s=$?; cat \"$2\" >&2; exit $s"
          ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:zel_tests> ${ZEL_EVENT_TRACE})
set_tests_properties(Windows.ZelRun PROPERTIES TIMEOUT 600 FAIL_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests"
  ENVIRONMENT "ZEL_TEST_WINE_TRACE=Z:${ZEL_EVENT_TRACE}")
