# Installation and the Debian package for lab machines:
#   cmake --build --preset default --target package   ->  build/featurehue_<version>_<arch>.deb
# Included from the top-level CMakeLists.txt, so paths are the project's.
include(GNUInstallDirs)

set(featurehue_packaging_dir ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS featurehue RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${featurehue_packaging_dir}/featurehue.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Every Debian package states its copyright and licence here
# (CMAKE_INSTALL_DOCDIR is share/doc/featurehue).
install(FILES ${featurehue_packaging_dir}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
foreach(size 48 256)
    install(FILES ${featurehue_packaging_dir}/icons/featurehue-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME featurehue.png)
endforeach()

# Debian installs manual pages compressed.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(featurehue_manpage ${CMAKE_CURRENT_BINARY_DIR}/featurehue.1.gz)
add_custom_command(OUTPUT ${featurehue_manpage}
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${featurehue_packaging_dir}/featurehue.1
            > ${featurehue_manpage}
    DEPENDS ${featurehue_packaging_dir}/featurehue.1
    COMMENT "Compressing the manual page"
    VERBATIM)
add_custom_target(featurehue_manpage ALL DEPENDS ${featurehue_manpage})
install(FILES ${featurehue_manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The example project, without what a session in this tree may have written
# into it (see examples/chat/.gitignore).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/chat
    DESTINATION ${CMAKE_INSTALL_DATADIR}/featurehue/examples
    PATTERN .gitignore EXCLUDE
    PATTERN *_log.txt EXCLUDE
    PATTERN *_answers.txt EXCLUDE
    PATTERN savedColorAssignments EXCLUDE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME featurehue)
set(CPACK_PACKAGE_VENDOR "featurehue developers")
set(CPACK_PACKAGE_CONTACT "featurehue developers <featurehue@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# A Debian package's long description is wrapped by hand, under 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "A viewer for source code whose features are annotated line by line, made"
    "for controlled experiments on program comprehension: every annotated"
    "fragment carries the colour of its feature, a questionnaire presents the"
    "study's tasks, and an action log records how each task was solved."
    "The sub-commands import, check and report prepare and analyse a study.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's platform plugins
# (xcb, wayland), without which the window cannot open, and the SQLite driver
# that "featurehue report" writes study.sqlite with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
include(CPack)
