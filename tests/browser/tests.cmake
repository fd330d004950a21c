tarnwick_add_test(tst_frmbrowser ${CMAKE_CURRENT_LIST_DIR}/tst_frmbrowser.cpp TIMEOUT 60)
tarnwick_add_test(tst_dlgchangehomepage ${CMAKE_CURRENT_LIST_DIR}/tst_dlgchangehomepage.cpp TIMEOUT 60)

# On the real engine: only where the engine module is built. Chromium runs without a GPU, without
# background traffic, and (the test runner being root) without its sandbox.
if(TARGET tarnwick_webengine)
    tarnwick_add_test(tst_browserengine ${CMAKE_CURRENT_LIST_DIR}/tst_browserengine.cpp TIMEOUT 180)
    add_dependencies(tst_browserengine tarnwick_webengine)
    target_compile_definitions(tst_browserengine PRIVATE
        TARNWICK_ENGINE_MODULE_DIR="$<TARGET_FILE_DIR:tarnwick_webengine>")
    set_property(TEST tst_browserengine APPEND PROPERTY ENVIRONMENT
        "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-sandbox --disable-background-networking --disable-component-update")
endif()

# The main flow with the real program under Xvfb: a link dragged from a browser window onto a
# document window is downloaded. xdotool moves the real pointer, so the engine starts a real drag.
if(TARGET tarnwick_webengine)
    add_executable(serve_link_page ${CMAKE_CURRENT_LIST_DIR}/serve_link_page.cpp)
    target_link_libraries(serve_link_page PRIVATE tarnwick_test_support)
    add_test(NAME browser_drag_link_to_document
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/drag_link_to_document.sh $<TARGET_FILE:tarnwick>
                     $<TARGET_FILE:serve_link_page>)
    set_tests_properties(browser_drag_link_to_document PROPERTIES TIMEOUT 150 SKIP_RETURN_CODE 77
        ENVIRONMENT "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --disable-background-networking --disable-component-update")
endif()
