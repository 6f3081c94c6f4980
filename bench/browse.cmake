# Browsing 100,000 shared files between two copies, marked answer beside the paced one: `ninja bench_browse`.
add_custom_target(bench_browse
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/browse_bench.py --build ${CMAKE_BINARY_DIR}
  DEPENDS quillmere Vellicor lanprobe_listing
  USES_TERMINAL)
