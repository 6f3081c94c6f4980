# The downloading side: the queue window, the transfer client and the choice of files.
target_sources(qm_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/downloadqueue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/downloads.cpp
  ${CMAKE_CURRENT_LIST_DIR}/localtarget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/receiveloop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/targetfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transferclient.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transferconnection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transferfigures.cpp
)
target_sources(qm_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/downconfirm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/downfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/downloadfigures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/downloadchooser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/downloaddelegate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/downloadicons.cpp
)
