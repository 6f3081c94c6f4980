# Many computers answering one search at once: `ninja bench_fanin`; with
# BEFORE=<build folder of an older tree that holds bench_fanin_probe> it runs
# that build too and prints both side by side.
add_executable(bench_fanin_probe ${CMAKE_CURRENT_LIST_DIR}/fanin_probe.cpp)
target_link_libraries(bench_fanin_probe PRIVATE qm_gui Qt6::Test)
target_include_directories(bench_fanin_probe PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
add_custom_target(bench_fanin
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/fanin_bench.py --build ${CMAKE_BINARY_DIR} --before "$$BEFORE"
  DEPENDS bench_fanin_probe
  USES_TERMINAL)
