tarnwick_add_test(tst_urlreader ${CMAKE_CURRENT_LIST_DIR}/tst_urlreader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/LoopbackHttpServer.cpp LINK tarnwick_platform tarnwick_netaccess)
target_include_directories(tst_urlreader PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
tarnwick_add_test(tst_resume ${CMAKE_CURRENT_LIST_DIR}/tst_resume.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/LoopbackHttpServer.cpp LINK tarnwick_platform tarnwick_netaccess)
target_include_directories(tst_resume PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
