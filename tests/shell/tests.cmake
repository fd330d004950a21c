tarnwick_add_test(tst_startup ${CMAKE_CURRENT_LIST_DIR}/tst_startup.cpp)
tarnwick_add_test(tst_documentwindows ${CMAKE_CURRENT_LIST_DIR}/tst_documentwindows.cpp)
tarnwick_add_test(tst_shellparts ${CMAKE_CURRENT_LIST_DIR}/tst_shellparts.cpp)
tarnwick_add_test(tst_editmenu ${CMAKE_CURRENT_LIST_DIR}/tst_editmenu.cpp)
