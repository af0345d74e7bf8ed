# The library is linked, not dlopen'ed, so the test runs it exactly as built.
target_link_libraries(test_${dir} PRIVATE djpeg32)
