# The Debian package: made, checked with dpkg-deb, lintian and the desktop's
# validators, and its program run from the unpacked tree (tst_linuxPackage);
# then installed, started and removed for real, only where the system may be
# changed (TKT_THROWAWAY_SYSTEM=1 and root; otherwise skipped, saying so).
# Not from the sanitizer builds: nobody installs those.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT CMAKE_CROSSCOMPILING AND TARGET TavrinKeyboardTest
   AND NOT TKT_TSAN AND NOT TKT_ASAN)
    add_test(NAME tst_linuxPackage COMMAND "${CMAKE_SOURCE_DIR}/scripts/test-package-linux.sh" "${CMAKE_BINARY_DIR}")
    set_tests_properties(tst_linuxPackage PROPERTIES LABELS "package" TIMEOUT 300 COST 30
                         FIXTURES_SETUP linuxPackage)
    add_test(NAME tst_linuxPackageInstall
             COMMAND ${TKT_OWN_DISPLAY} "${CMAKE_SOURCE_DIR}/scripts/test-package-linux-install.sh" "${CMAKE_BINARY_DIR}")
    set_tests_properties(tst_linuxPackageInstall PROPERTIES LABELS "package;x11" TIMEOUT 300 SKIP_RETURN_CODE 77
                         RESOURCE_LOCK programGuard
                         FIXTURES_REQUIRED linuxPackage)
endif()
