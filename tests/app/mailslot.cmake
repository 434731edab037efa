quillar_add_test(test_mailslot SOURCES ${CMAKE_CURRENT_LIST_DIR}/MailSlotTest.cpp LIBS quillar_mailslot)
