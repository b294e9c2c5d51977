# What `cmake --install` lays out, and the Debian package CPack makes of it
# (`cmake --build BUILD --target package`). The package is meant to be built
# with -DCMAKE_INSTALL_PREFIX=/usr (tools/test_package.sh does so), since the
# program compares the folder it runs from with the prefix it was built for.
include(GNUInstallDirs)

set(RL_PACKAGE_MAINTAINER "Relantomador maintainers <maintainers@relantomador.example>"
    CACHE STRING "Maintainer field of the Debian package and its changelog")
# AppStream wants a web address for the screenshot; the site that publishes the
# package puts a picture made by tools/screenshot_viewer.sh there.
set(RL_SCREENSHOT_URL "https://example.org/relantomador/screenshots/ledger-132.png"
    CACHE STRING "Address of the screenshot named in the AppStream metainfo")

# The installed program reads its program-folder settings file from its own
# configuration folder, as the bin folder belongs to the package. Only
# folders.cpp sees the prefix, so changing it rebuilds one file.
set(RL_INSTALL_SETTINGSDIR "${CMAKE_INSTALL_FULL_SYSCONFDIR}/relantomador")
set_property(SOURCE src/platform/folders.cpp DIRECTORY src APPEND PROPERTY COMPILE_DEFINITIONS
             RL_INSTALL_BINDIR="${CMAKE_INSTALL_FULL_BINDIR}" RL_INSTALL_SETTINGSDIR="${RL_INSTALL_SETTINGSDIR}")

set(rl_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(rl_generated ${CMAKE_BINARY_DIR}/packaging)
set(rl_docdir ${CMAKE_INSTALL_DATADIR}/doc/relantomador)
# A packager's umask must not reach the package's folders.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)

install(TARGETS relantomador RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${rl_packaging}/relantomador.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${rl_packaging}/icons/relantomador.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${rl_packaging}/icons/relantomador-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME relantomador.png)
endforeach()

configure_file(${rl_packaging}/relantomador.metainfo.xml.in ${rl_generated}/org.example.relantomador.metainfo.xml
               @ONLY)
install(FILES ${rl_generated}/org.example.relantomador.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants manual pages and changelogs compressed, reproducibly (gzip -n).
configure_file(${rl_packaging}/changelog ${rl_generated}/changelog @ONLY)
find_program(RL_GZIP gzip REQUIRED)
set(rl_compressed)
foreach(pair "relantomador.1:${rl_packaging}/relantomador.1" "changelog:${rl_generated}/changelog")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  add_custom_command(OUTPUT ${rl_generated}/${name}.gz
                     COMMAND ${RL_GZIP} -9n -c ${source} > ${rl_generated}/${name}.gz
                     DEPENDS ${source} VERBATIM)
  list(APPEND rl_compressed ${rl_generated}/${name}.gz)
endforeach()
add_custom_target(rl_compressed_docs ALL DEPENDS ${rl_compressed})
install(FILES ${rl_generated}/relantomador.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${rl_generated}/changelog.gz DESTINATION ${rl_docdir})

# The copyright file: the program's notice, then the embedded font's terms
# without the full GPL text, which Debian keeps in /usr/share/common-licenses.
file(READ ${CMAKE_SOURCE_DIR}/resources/fonts/LICENSE.txt rl_font_licence)
string(FIND "${rl_font_licence}" "==== GNU General Public License" rl_gpl_at)
string(SUBSTRING "${rl_font_licence}" 0 ${rl_gpl_at} rl_font_licence)
file(READ ${rl_packaging}/copyright.head rl_copyright_head)
file(WRITE ${rl_generated}/copyright "${rl_copyright_head}\n${rl_font_licence}")
install(FILES ${rl_generated}/copyright DESTINATION ${rl_docdir})
install(FILES ${rl_packaging}/preview.ini.example DESTINATION ${rl_docdir}/examples RENAME preview.ini)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME relantomador)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for plain-text reports")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# "Exportar para..." hands files to LibreOffice and the desktop's programs;
# the window prints through CUPS.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-writer, libreoffice-calc, cups-client, xdg-utils")
# The long description; CPack puts the summary above it and indents each line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Relantomador lays out reports that business programs write as fixed-pitch
text (80, 132 or 255 columns, a form feed before each page) as printed
pages, and shows them in a zoomable preview. It prints them on page
printers or, in text mode, on dot-matrix printers, saves them as PDF, RTF,
HTML or XLS, and sends them by e-mail.

Its batch mode converts, prints and mails reports from the command line
without a display.")
include(CPack)
