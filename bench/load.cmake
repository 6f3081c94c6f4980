# One copy under many peers, browses and searches at once: `ninja bench_load`.
add_custom_target(bench_load
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/load_bench.py --build ${CMAKE_BINARY_DIR}
  DEPENDS quillmere Vellicor lanprobe_load
  USES_TERMINAL)
# A hostile peer's floods against one copy: `ninja bench_floods`.
add_custom_target(bench_floods
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/flood_bench.py --build ${CMAKE_BINARY_DIR}
  DEPENDS quillmere Vellicor
  USES_TERMINAL)
