foreach(t tst_downloadqueue tst_transferclient tst_downform tst_downloadchooser)
  qm_test(${t} ${t}.cpp)
endforeach()

qm_program(lanprobe_download lanprobe_download.cpp)
qm_lan_test(lan_download lan_download.py)

qm_program(screenshot_download screenshot_download.cpp)
