# A 1 GiB download through the program beside curl from nginx and iperf3: `ninja bench_client`.
add_custom_target(bench_client
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/client_bench.py --build ${CMAKE_BINARY_DIR}
  DEPENDS quillmere quillmere-cli Vellicor lanprobe_download
  USES_TERMINAL)
