# The download queue under 20,000 and 30,000 rows: `ninja bench_queue`; with
# BEFORE=<build folder of an older tree that holds queue_bench> it runs that
# build too and prints both side by side.
add_executable(queue_bench ${CMAKE_CURRENT_LIST_DIR}/queue_bench.cpp)
target_link_libraries(queue_bench PRIVATE qm_gui Qt6::Test)
target_include_directories(queue_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/download ${PROJECT_SOURCE_DIR}/tests/support)
add_custom_target(bench_queue
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/queue_bench.py --build ${CMAKE_BINARY_DIR} --before "$$BEFORE"
  DEPENDS queue_bench
  USES_TERMINAL)
