foreach(t tst_downloadqueue tst_transferclient tst_downform tst_downloadchooser)
  qm_test(${t} ${t}.cpp)
  target_include_directories(${t} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
endforeach()

add_executable(lanprobe_download lanprobe_download.cpp)
target_link_libraries(lanprobe_download PRIVATE qm_gui Qt6::Test)
set_target_properties(lanprobe_download PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
qm_lan_test(lan_download lan_download.py)
