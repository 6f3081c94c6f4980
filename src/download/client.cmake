target_sources(qm_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/downfile.cpp)
