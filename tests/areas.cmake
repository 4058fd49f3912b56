# The unit and scenario tests by area: one binary each, in the Linux build
# and (less what needs POSIX) in the Windows build.
set(QUORVEL_TEST_AREAS console store commands shell session cli)
if(NOT WIN32)
  # The terminal front end needs a pseudo-terminal, termios and terminfo.
  list(APPEND QUORVEL_TEST_AREAS terminal)
endif()

set(QUORVEL_TESTS_console
  console/buffer_test.cpp
  console/gbk_test.cpp
  console/output_test.cpp
  console/reads_test.cpp
  console/view_test.cpp
  console/wide_records_test.cpp)

set(QUORVEL_TESTS_terminal
  terminal/dbcs_test.cpp
  terminal/every_term_test.cpp
  terminal/frontend_test.cpp
  terminal/history_test.cpp
  terminal/keydecoder_test.cpp
  terminal/renderer_test.cpp)

set(QUORVEL_TESTS_store
  store/samples_test.cpp
  store/recovery_test.cpp
  store/store_ask_test.cpp
  store/store_backup_test.cpp
  store/store_files_test.cpp
  store/store_format_test.cpp
  store/store_fuzz_seed_test.cpp
  store/store_load_test.cpp
  store/store_lookup_test.cpp
  store/store_result_test.cpp
  store/store_save_test.cpp)
if(WIN32)
  list(APPEND QUORVEL_TESTS_store store/store_readonly_windows_test.cpp)
else()
  # Other copies of the program in child processes (fork), and signals.
  list(APPEND QUORVEL_TESTS_store store/store_safety_test.cpp)
endif()

set(QUORVEL_TESTS_cli
  cli/check_test.cpp
  cli/csv_test.cpp
  cli/export_test.cpp)

set(QUORVEL_TESTS_commands
  commands/cancel_test.cpp
  commands/departments_test.cpp
  commands/help_test.cpp
  commands/numbers_test.cpp
  commands/patient_queries_test.cpp
  commands/patients_test.cpp
  commands/records_add_test.cpp
  commands/records_edit_test.cpp
  commands/records_query_test.cpp)

set(QUORVEL_TESTS_shell
  shell/dialogs_test.cpp
  shell/hotareas_test.cpp
  shell/layers_test.cpp
  shell/mainloop_test.cpp
  shell/menubar_test.cpp
  shell/mouse_test.cpp
  shell/submenu_test.cpp)

set(QUORVEL_TESTS_session
  session/full_session_test.cpp
  session/renumber_test.cpp
  session/session_fuzz_seed_test.cpp)
if(NOT WIN32)
  # Read-only folders, another user, FIFOs.
  list(APPEND QUORVEL_TESTS_session session/save_faults_test.cpp)
endif()
