# Change notices between copies of the program: named mailslots carried as
# UDP datagrams.
add_library(quillar_mailslot STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ALMailSlot.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MailSlotTransport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NoticeQueue.cpp
)
target_include_directories(quillar_mailslot PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quillar_mailslot PUBLIC quillar_core Qt6::Network)
quillar_target(quillar_mailslot)
