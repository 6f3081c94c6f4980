target_sources(qm_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/waitform.cpp)
