# The library is linked, not dlopen'ed, so the test runs it exactly as built; JPEG
# files for the tests are made with libjpeg.
target_link_libraries(test_${dir} PRIVATE djpeg32 JPEG::JPEG)
