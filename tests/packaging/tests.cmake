# Builds the package from the binaries of this build (no second compile) and checks it.
add_test(NAME package_contents COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_package.sh ${CMAKE_BINARY_DIR})
set_tests_properties(package_contents PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
