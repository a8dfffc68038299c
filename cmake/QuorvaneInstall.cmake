# SPDX-License-Identifier: GPL-3.0-or-later
# Install rules (make install PREFIX=... DESTDIR=...) and the Debian package
# (make package): the programs, the menu entry, the icon, the man pages, the
# systemd user unit and the help.
include(GNUInstallDirs)
# Folders 0755 whatever the umask of the one who installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(QUORVANE_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(QUORVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quorvane)

install(TARGETS quorvane quorvane-reg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QUORVANE_DATA_DIR}/quorvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${QUORVANE_DATA_DIR}/help/ DESTINATION ${QUORVANE_DOC_DIR}/help)
install(FILES ${QUORVANE_DATA_DIR}/copyright DESTINATION ${QUORVANE_DOC_DIR})

# Man pages and the changelog are shipped compressed, without a time stamp in the
# gzip header, so that two builds give the same bytes.
set(QUORVANE_GZIPPED "")
foreach(source man/quorvane.1 man/quorvane-reg.1 changelog)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/gz/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gz
    COMMAND gzip -9nc ${QUORVANE_DATA_DIR}/${source} > ${output}
    DEPENDS ${QUORVANE_DATA_DIR}/${source}
    VERBATIM)
  list(APPEND QUORVANE_GZIPPED ${output})
endforeach()
add_custom_target(quorvane_gzipped ALL DEPENDS ${QUORVANE_GZIPPED})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/gz/quorvane.1.gz ${CMAKE_CURRENT_BINARY_DIR}/gz/quorvane-reg.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/gz/changelog.gz DESTINATION ${QUORVANE_DOC_DIR})

# The icon: SVG and the PNG sizes of the hicolor theme, drawn by RenderIcon.
set(QUORVANE_ICON_SIZES 16 22 24 32 48 64 128 256)
if(TARGET Qt6::Gui)
  add_executable(RenderIcon ${QUORVANE_DATA_DIR}/icons/RenderIcon.cpp)
  target_link_libraries(RenderIcon PRIVATE quorvane_options Qt6::Gui)
  set(icon_dir ${CMAKE_CURRENT_BINARY_DIR}/icons)
  set(icon_files ${icon_dir}/quorvane.svg)
  foreach(size ${QUORVANE_ICON_SIZES})
    list(APPEND icon_files ${icon_dir}/${size}x${size}.png)
  endforeach()
  add_custom_command(OUTPUT ${icon_files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
    COMMAND RenderIcon ${icon_dir} ${QUORVANE_ICON_SIZES}
    DEPENDS RenderIcon
    VERBATIM)
  add_custom_target(quorvane_icons ALL DEPENDS ${icon_files})
  install(FILES ${icon_dir}/quorvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size ${QUORVANE_ICON_SIZES})
    install(FILES ${icon_dir}/${size}x${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME quorvane.png)
  endforeach()
endif()

# The user unit names the program by its installed path, which is known only
# when installing (make install PREFIX=... and the package choose it then).
install(CODE "
  set(QUORVANE_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${QUORVANE_DATA_DIR}/quorvane.service.in\"
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user/quorvane.service\" @ONLY)
  message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user/quorvane.service\")
")

# The Debian package: dependencies from the libraries the binaries link
# (dpkg-shlibdeps), stripped binaries, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvane developers <dev@quorvane.example>")
set(CPACK_PACKAGE_VENDOR "Quorvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "local privacy HTTP proxy for the desktop")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvane is a local HTTP proxy for the browsers of one user. It replaces the
browser's name and the referring page, blocks cookies, scripts, ActiveX
controls, Flash animations, executable files and listed pages, and can send
requests through a pool of public anonymous proxies that it checks and
rotates. It lives in the notification area, or runs without a window as a
systemd user service.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.quorvane.example/")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
# Only the program's own files: the tests' and benchmarks' targets install nothing.
include(CPack)
