# The rich text file format layer: reader, writer and whole-file loading and saving.
# Only the platform library is linked, so these build while the forms are being written.
foreach(rtf_test tst_rtfreader tst_rtfwriter tst_documentio tst_rtfunits tst_rtfkept)
    tarnwick_add_test(${rtf_test} ${CMAKE_CURRENT_LIST_DIR}/${rtf_test}.cpp
        ${CMAKE_CURRENT_LIST_DIR}/RtfTestSupport.h LINK tarnwick_platform)
    target_compile_definitions(${rtf_test} PRIVATE TARNWICK_RTF_TEST_DATA="${CMAKE_CURRENT_LIST_DIR}/data")
endforeach()

# LibreOffice's reading of each test document against its reading of our re-save. LibreOffice
# converts the whole batch in one run; without soffice the test reports itself skipped.
tarnwick_add_test(tst_libreoffice ${CMAKE_CURRENT_LIST_DIR}/tst_libreoffice.cpp ${CMAKE_CURRENT_LIST_DIR}/LibreOfficeReading.h
    ${CMAKE_CURRENT_LIST_DIR}/RtfTestSupport.h LINK tarnwick_platform TIMEOUT 600)
target_compile_definitions(tst_libreoffice PRIVATE TARNWICK_RTF_TEST_DATA="${CMAKE_CURRENT_LIST_DIR}/data")

# The same for the parts the editor keeps without showing them (headers, notes, comments...).
tarnwick_add_test(tst_libreoffice_kept ${CMAKE_CURRENT_LIST_DIR}/tst_libreoffice_kept.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LibreOfficeKept.h ${CMAKE_CURRENT_LIST_DIR}/LibreOfficeReading.h
    ${CMAKE_CURRENT_LIST_DIR}/RtfTestSupport.h LINK tarnwick_platform TIMEOUT 600)
target_compile_definitions(tst_libreoffice_kept PRIVATE TARNWICK_RTF_TEST_DATA="${CMAKE_CURRENT_LIST_DIR}/data")
