# Installation of the program with its desktop integration, the Windows
# version record and the Debian package.
#
# One reverse-DNS application id names the desktop entry, the AppStream
# metadata and the icons; the program sets the same id as its desktop file
# name so that docks and task bars find the entry for its window.
#
#   cmake --install <build> --prefix /usr      # the install tree
#   cpack --config <build>/CPackConfig.cmake   # <build>/quorvane_12.0.0.0_amd64.deb

include(GNUInstallDirs)

set(QUORVANE_APP_ID "cn.lumeno.Quorvane")
set(QUORVANE_RELEASE_DATE "2026-12-11")
set(QUORVANE_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging")
# The application icon, one PNG per size, in assets/.
set(QUORVANE_ICON_SIZES 16 32 48 64 128 256)
set(QUORVANE_ICON_FILE_PATTERN "${PROJECT_SOURCE_DIR}/assets/icon-@SIZE@.png")

function(quorvane_icon_file size out)
  string(REPLACE "@SIZE@" "${size}" file "${QUORVANE_ICON_FILE_PATTERN}")
  set(${out} "${file}" PARENT_SCOPE)
endfunction()

if(WIN32)
  # The version record and the icon of the executable (packaging/windows/
  # quorvane.ico, made by scripts/make-windows-icon.sh from the PNGs). It is
  # configured without the window too, so that the core's cross build can
  # check it (scripts/windows-core-check.sh).
  set(QUORVANE_WINDOWS_ICON "${QUORVANE_PACKAGING_DIR}/windows/quorvane.ico")
  set(QUORVANE_WINDOWS_RC "${PROJECT_BINARY_DIR}/packaging/quorvane.rc")
  configure_file("${QUORVANE_PACKAGING_DIR}/windows/quorvane.rc.in" "${QUORVANE_WINDOWS_RC}" @ONLY)
  if(TARGET quorvane)
    target_sources(quorvane PRIVATE "${QUORVANE_WINDOWS_RC}")
  endif()
endif()

if(NOT TARGET quorvane)
  return()
endif()

install(TARGETS quorvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The rest is for Linux and other freedesktop systems.
if(APPLE OR NOT UNIX)
  return()
endif()

# Freedesktop integration: desktop entry, AppStream metadata, themed icons.
configure_file("${QUORVANE_PACKAGING_DIR}/linux/${QUORVANE_APP_ID}.metainfo.xml.in"
               "${PROJECT_BINARY_DIR}/packaging/${QUORVANE_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${QUORVANE_PACKAGING_DIR}/linux/${QUORVANE_APP_ID}.desktop"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${PROJECT_BINARY_DIR}/packaging/${QUORVANE_APP_ID}.metainfo.xml"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS QUORVANE_ICON_SIZES)
  quorvane_icon_file(${size} icon)
  install(FILES "${icon}"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${QUORVANE_APP_ID}.png)
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvane RENAME copyright)

# The Debian package.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "quorvane")
# All four parts: CPack would otherwise stop at major.minor.patch.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Lumeno")
set(CPACK_PACKAGE_CONTACT "Lumeno <quorvane@lumeno-studio.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "calculator, length converter and clock for pattern making")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.lumeno-studio.example/")
# The long text; the summary above is its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quorvane is a small tool for the pattern-making room of a garment factory.
One fixed window, always on top, holds a four-function calculator worked
with the mouse, a live inches / yards / metres converter, a clock, a month
calendar and the conversion factors. All texts are in Chinese.")
# The libraries come from dpkg-shlibdeps; the Kai and Song faces of the window
# come from the AR PL fonts, which no library pulls in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-ukai, fonts-arphic-uming")
# Wayland-only desktops need the toolkit's Wayland platform.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
