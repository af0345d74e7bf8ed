# The library is linked, not dlopen'ed, so the test runs it exactly as built.
target_link_libraries(test_${dir} PRIVATE djpeg32)
# The resampler's own source, for what it does apart from a decode.
target_sources(test_${dir} PRIVATE ${CMAKE_SOURCE_DIR}/decoder/resample.cpp)
# The lower part's stream is checked against libjpeg's decode of the whole picture.
target_sources(test_${dir} PRIVATE ${CMAKE_SOURCE_DIR}/decoder/lower_part.cpp)
