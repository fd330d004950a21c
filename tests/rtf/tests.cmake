# The rich text file format layer: reader, writer and whole-file loading and saving.
# Only the platform library is linked, so these build while the forms are being written.
foreach(rtf_test tst_rtfreader tst_rtfwriter tst_documentio)
    tarnwick_add_test(${rtf_test} ${CMAKE_CURRENT_LIST_DIR}/${rtf_test}.cpp
        ${CMAKE_CURRENT_LIST_DIR}/RtfTestSupport.h LINK tarnwick_platform)
    target_compile_definitions(${rtf_test} PRIVATE TARNWICK_RTF_TEST_DATA="${CMAKE_CURRENT_LIST_DIR}/data")
endforeach()
