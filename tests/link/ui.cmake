# Tests of the communication page (window library).
tavrel_add_test(tst_cinitpage GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cinitpage.cpp ${CMAKE_CURRENT_LIST_DIR}/fakecontext.h
    LIBS tavrel_gui)
