find_library(QM_XSS_LIB Xss REQUIRED)
target_link_libraries(test_idle PRIVATE ${QM_XSS_LIB})
target_link_libraries(test_idle PRIVATE qm_platform_dbus)
