tarnwick_add_test(tst_textfinder ${CMAKE_CURRENT_LIST_DIR}/tst_textfinder.cpp)
tarnwick_add_test(tst_findbar ${CMAKE_CURRENT_LIST_DIR}/tst_findbar.cpp)
tarnwick_add_test(tst_formatbar ${CMAKE_CURRENT_LIST_DIR}/tst_formatbar.cpp)
tarnwick_add_test(tst_spelling ${CMAKE_CURRENT_LIST_DIR}/tst_spelling.cpp)
tarnwick_add_test(tst_zoom ${CMAKE_CURRENT_LIST_DIR}/tst_zoom.cpp)
# The small dictionary the spelling tests check against lies beside them.
target_compile_definitions(tst_spelling PRIVATE TARNWICK_DICTIONARY_FIXTURE="${CMAKE_CURRENT_LIST_DIR}/data/tiny")
