# Installation of Robustez under the prefix, and its Debian package:
#   bin/robustez, bin/robustez-informe
#   lib/robustez/robustez-informe-qt             (draws the report tool's PDF pages and
#                                                 SVG figures; found by robustez-informe
#                                                 as ../lib/robustez/ from bin/)
#   share/robustez/AYUDA11TC.rcc                 (help file, found by the program
#                                                 as ../share/robustez/ from bin/)
#   share/applications/robustez.desktop          (desktop entry, opens *.w1o)
#   share/icons/hicolor/scalable/apps/robustez.svg
#   share/mime/packages/robustez.xml             (MIME type of *.w1o)
include(GNUInstallDirs)

# Installing (and packaging) takes what the build made: build first with
# `cmake --build`, so that the package never rebuilds the test programs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

install(FILES ${ROBUSTEZ_HELP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/robustez)
install(FILES packaging/robustez.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/robustez.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/robustez.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# The program, the report tool and its drawing program are defined elsewhere,
# possibly after this file: their rules are added once the top-level directory
# has been read. Each entry: target, then its directory under the prefix (the
# drawing program's is fixed, as the tool looks for it there).
set(ROBUSTEZ_INSTALLED_PROGRAMS
    robustez ${CMAKE_INSTALL_BINDIR}
    robustez-informe ${CMAKE_INSTALL_BINDIR}
    robustez-informe-qt lib/robustez)
function(robustez_install_programs)
    set(entries ${ROBUSTEZ_INSTALLED_PROGRAMS})
    while(entries)
        list(POP_FRONT entries program destination)
        if(TARGET ${program})
            install(TARGETS ${program} RUNTIME DESTINATION ${destination})
        else()
            message(WARNING "Target ${program} not defined: not installed")
        endif()
    endwhile()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL robustez_install_programs)

# Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME robustez)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Control de Calidad")
set(CPACK_PACKAGE_CONTACT "Control de Calidad <calidad@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Robustez del Método: tolerancia a condiciones de operación (t de Dunnett)")
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop tool for quality-control laboratories that judges the robustness of an analytical\n\
method with Dunnett's t: studies are typed, computed, reported, printed and kept in w1o files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6, libqt6gui6, libqt6printsupport6, libqt6svg6, qt6-translations-l10n, fonts-liberation2")
find_program(ROBUSTEZ_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ROBUSTEZ_DPKG_SHLIBDEPS)
    # Adds the exact shared-library dependencies (libc, libstdc++, Qt) found in the binaries.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)

# The file list of the Debian package, built from this tree into a scratch directory.
find_program(ROBUSTEZ_DPKG_DEB dpkg-deb)
if(ROBUSTEZ_DPKG_DEB)
    add_test(NAME debian_package_contents
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/packaging/check_deb.sh
                     ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/package-check)
    set_tests_properties(debian_package_contents PROPERTIES
        LABELS packaging TIMEOUT 600 SKIP_RETURN_CODE 77)
endif()
