# The configuration program's pages, driven through its own fixture; applying a wallpaper
# runs the suite's decoder library.
target_link_libraries(test_${dir} PRIVATE qm_config)
target_sources(test_${dir} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/config/config_fixture.cpp)
add_dependencies(test_${dir} djpeg32)
