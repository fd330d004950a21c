tarnwick_add_test(tst_downloads ${CMAKE_CURRENT_LIST_DIR}/tst_downloads.cpp TIMEOUT 180)
tarnwick_add_test(tst_filesaveoptions ${CMAKE_CURRENT_LIST_DIR}/tst_filesaveoptions.cpp)
tarnwick_add_test(tst_downloadprogress ${CMAKE_CURRENT_LIST_DIR}/tst_downloadprogress.cpp TIMEOUT 180)
