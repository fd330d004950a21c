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
