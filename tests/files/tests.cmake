# The File menu, printing, the help viewer, the About box and the registry behind System Info.
tarnwick_add_test(tst_filemenu ${CMAKE_CURRENT_LIST_DIR}/tst_filemenu.cpp)
tarnwick_add_test(tst_printing ${CMAKE_CURRENT_LIST_DIR}/tst_printing.cpp)
tarnwick_add_test(tst_helpabout ${CMAKE_CURRENT_LIST_DIR}/tst_helpabout.cpp)
tarnwick_add_test(tst_registry ${CMAKE_CURRENT_LIST_DIR}/tst_registry.cpp LINK tarnwick_platform)

# The viewer is tested over the help collection the build compiles.
tarnwick_add_test(tst_helpviewer ${CMAKE_CURRENT_LIST_DIR}/tst_helpviewer.cpp)
target_link_libraries(tst_helpviewer PRIVATE tarnwick_helpwindow)
add_dependencies(tst_helpviewer tarnwick_help)
target_compile_definitions(tst_helpviewer PRIVATE TARNWICK_BUILT_HELP_FILE="${CMAKE_BINARY_DIR}/Tarnwick.hlp")

# Printing what the file says of its pages: paper, headers, footers and notes.
tarnwick_add_test(tst_printfurniture ${CMAKE_CURRENT_LIST_DIR}/tst_printfurniture.cpp)
target_compile_definitions(tst_printfurniture PRIVATE TARNWICK_RTF_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/rtf/data")
