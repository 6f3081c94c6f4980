foreach(t tst_downloadqueue tst_transferclient tst_downform)
  qm_test(${t} ${t}.cpp)
  target_include_directories(${t} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
endforeach()
