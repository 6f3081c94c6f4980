# The file server against nginx across the test LAN: `ninja bench_serving`.
add_executable(serving_reader ${CMAKE_CURRENT_LIST_DIR}/serving_reader.cpp)
add_custom_target(bench_serving
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/serving_bench.py --build ${CMAKE_BINARY_DIR}
  DEPENDS quillmere Vellicor serving_reader
  USES_TERMINAL)
