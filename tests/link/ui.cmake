# Tests of the communication page (window library).
tavrel_add_test(tst_cinitpage GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cinitpage.cpp ${CMAKE_CURRENT_LIST_DIR}/fakecontext.h
    LIBS tavrel_gui)
tavrel_add_test(tst_filecommands GUI
    SOURCES ${PROJECT_SOURCE_DIR}/tests/app/tst_filecommands.cpp
    LIBS tavrel_gui)
target_include_directories(tst_filecommands PRIVATE ${CMAKE_CURRENT_LIST_DIR})
