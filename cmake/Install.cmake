# Install layout and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(TARGETS tesmora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian keeps man pages gzipped; reproducible (-n) so packages compare equal.
find_program(GZIP_EXECUTABLE gzip)
set(MAN_SOURCE ${PROJECT_SOURCE_DIR}/docs/tesmora-cli.1)
if(GZIP_EXECUTABLE)
    set(MAN_PAGE ${PROJECT_BINARY_DIR}/man/tesmora-cli.1.gz)
    add_custom_command(
        OUTPUT ${MAN_PAGE}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND ${GZIP_EXECUTABLE} -9nc ${MAN_SOURCE} > ${MAN_PAGE}
        DEPENDS ${MAN_SOURCE}
        COMMENT "Compressing the tesmora-cli man page")
    add_custom_target(tesmora_man ALL DEPENDS ${MAN_PAGE})
else()
    set(MAN_PAGE ${MAN_SOURCE})
endif()
install(FILES ${MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(TARGET tesmora)
    install(TARGETS tesmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/res/tesmora.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/res/icons/tesmora.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    # The manual is built elsewhere; packaged only when the build made it.
    install(FILES $<TARGET_FILE_DIR:tesmora>/Manual.pdf
            DESTINATION ${CMAKE_INSTALL_DATADIR}/tesmora OPTIONAL)
endif()

set(TESMORA_MAINTAINER
    "Tesmora maintainers <tesmora@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME tesmora)
set(CPACK_PACKAGE_VENDOR Quorvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TESMORA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "record processing for Shift-JIS text files")
set(CPACK_PACKAGE_DESCRIPTION
    "Tesmora processes the records of plain text files in Shift-JIS (code page 932):\n"
    "comma-separated records without quoting rules, and fixed-width text. It shows a\n"
    "file of any size as numbered records; sorts, removes duplicates, deletes records\n"
    "by words, pads or cuts records and fields, converts between comma-separated and\n"
    "fixed-width text, replaces strings and joins a second file. Every change is a\n"
    "whole-file operation with one level of undo. tesmora-cli runs the same\n"
    "operations in batch.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tesmora)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TESMORA_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET tesmora)
    # Loaded at run time, so invisible to dpkg-shlibdeps: the Japanese font,
    # Qt's Japanese translations of its own buttons and file dialogs, and the
    # SVG plugins that draw the icons.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n, libqt6svg6")
endif()
include(CPack)
