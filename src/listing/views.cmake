target_sources(qm_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/fastbrowse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folderlisting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/listdatagram.cpp
  ${CMAKE_CURRENT_LIST_DIR}/remotelisting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/remotepath.cpp
  ${CMAKE_CURRENT_LIST_DIR}/remoteresults.cpp
  ${CMAKE_CURRENT_LIST_DIR}/searchresponder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/searchterms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shareentry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sharelisting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sharesendthread.cpp
)
target_sources(qm_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/listingcontroller.cpp
  ${CMAKE_CURRENT_LIST_DIR}/remotesharecommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/remoteshareviews.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sharelistmodel.cpp
)
