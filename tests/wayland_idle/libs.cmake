# The compositor's side of the idle protocols, for a small compositor inside the test.
pkg_check_modules(QM_WAYLAND_SERVER REQUIRED IMPORTED_TARGET wayland-server)
set(gen ${CMAKE_CURRENT_BINARY_DIR}/wayland_idle_gen)
foreach(pair ${QM_WAYLAND_IDLE_XML})
  string(REGEX REPLACE "=.*" "" name "${pair}")
  string(REGEX REPLACE "^[^=]*=" "" xml "${pair}")
  add_custom_command(OUTPUT ${gen}/${name}-server-protocol.h
    COMMAND ${CMAKE_COMMAND} -E make_directory ${gen}
    COMMAND ${QM_WAYLAND_SCANNER} server-header ${xml} ${gen}/${name}-server-protocol.h
    DEPENDS ${xml} VERBATIM)
  target_sources(test_wayland_idle PRIVATE ${gen}/${name}-server-protocol.h)
endforeach()
target_include_directories(test_wayland_idle PRIVATE ${gen})
target_link_libraries(test_wayland_idle PRIVATE qm_platform_wayland PkgConfig::QM_WAYLAND_SERVER)
