target_sources(qm_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/downloadserver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/downloadserverslots.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ftpthread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/servedfiles.cpp)
