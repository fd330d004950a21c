# Download modes, the download directory, and the main window's toolbar and menus around them.
tarnwick_add_test(tst_volumes ${CMAKE_CURRENT_LIST_DIR}/tst_volumes.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeVolumes.h
    LINK tarnwick_platform)
target_include_directories(tst_volumes PRIVATE ${CMAKE_CURRENT_LIST_DIR})
tarnwick_add_test(tst_dlgdownload ${CMAKE_CURRENT_LIST_DIR}/tst_dlgdownload.cpp)
tarnwick_add_test(tst_frmchangedir ${CMAKE_CURRENT_LIST_DIR}/tst_frmchangedir.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeVolumes.h)
target_include_directories(tst_frmchangedir PRIVATE ${CMAKE_CURRENT_LIST_DIR})
tarnwick_add_test(tst_menusandtoolbar ${CMAKE_CURRENT_LIST_DIR}/tst_menusandtoolbar.cpp)
