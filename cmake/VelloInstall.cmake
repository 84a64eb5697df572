# Where an installed copy keeps its files, the install rules and the Debian package, in one place.
#
# Included twice from the top-level CMakeLists.txt: first (VELLO_INSTALL_STAGE "dirs") before the programs,
# so that they can compile in where their companions lie; then (VELLO_INSTALL_STAGE "rules") after them, to
# install whatever programs the build has. A new program joins by name in one of the two lists below.

if(VELLO_INSTALL_STAGE STREQUAL "dirs")
  include(GNUInstallDirs)

  # Programs users start: bin/.
  set(VELLO_USER_PROGRAMS velloplayer velloplay rmtool)
  # Programs only the player and the editor start: the package's own folder under lib/.
  set(VELLO_HELPER_PROGRAMS vellokit vellowait)

  # The MIME types the player opens by default (RealMedia, RealAudio, MPEG, ASF/WMV): the launcher, the
  # metadata and the media-keys interface name them from this one list.
  set(VELLO_MIME_TYPES application/vnd.rn-realmedia audio/vnd.rn-realaudio video/mpeg application/vnd.ms-asf
      video/x-ms-wmv)
  # Date of the release named in the metadata.
  set(VELLO_RELEASE_DATE 2026-12-08)

  # The application icon's PNG sizes (data/icons/velloplayer-N.png, made by scripts/make-icons.sh).
  set(VELLO_ICON_SIZES 16 24 32 48 64 128 256)

  set(VELLO_PACKAGE_NAME velloplayer)
  set(VELLO_INSTALL_PKGLIBDIR ${CMAKE_INSTALL_LIBDIR}/${VELLO_PACKAGE_NAME})
  set(VELLO_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${VELLO_PACKAGE_NAME})

  # The programs find their companions relative to their own folder, so that any prefix works
  # (cmake --install --prefix P, the package's /usr).
  function(_vello_relative out from to)
    set(root /vello-prefix)
    foreach(v from to)
      if(IS_ABSOLUTE "${${v}}")
        set(${v}_abs "${${v}}")
      else()
        set(${v}_abs "${root}/${${v}}")
      endif()
    endforeach()
    file(RELATIVE_PATH rel "${from_abs}" "${to_abs}")
    set(${out} "${rel}" PARENT_SCOPE)
  endfunction()
  _vello_relative(VELLO_BIN_TO_PKGLIBDIR "${CMAKE_INSTALL_BINDIR}" "${VELLO_INSTALL_PKGLIBDIR}")
  _vello_relative(VELLO_BIN_TO_DOCDIR "${CMAKE_INSTALL_BINDIR}" "${VELLO_INSTALL_DOCDIR}")

  # The build tree's mark: a run whose program lies beside this file is a run from the build tree and
  # keeps its data files in its own folder. The install rules never install it.
  set(VELLO_BUILD_TREE_MARKER vello-build-tree)
  foreach(dir ${CMAKE_BINARY_DIR}/bin ${CMAKE_BINARY_DIR}/tests)
    file(WRITE ${dir}/${VELLO_BUILD_TREE_MARKER}
         "Programs beside this file run from the build tree and keep Config.ini, Fa.dat and VolumeSize.ini "
         "here.\n")
  endforeach()
  # The launcher and the metadata, filled in from the lists above.
  set(VELLO_DESKTOP_MIME_TYPES "${VELLO_MIME_TYPES};")
  string(JOIN "," VELLO_MIME_TYPES_TEXT ${VELLO_MIME_TYPES})
  set(VELLO_METAINFO_MEDIATYPES "")
  foreach(type ${VELLO_MIME_TYPES})
    string(APPEND VELLO_METAINFO_MEDIATYPES "    <mediatype>${type}</mediatype>\n")
  endforeach()
  string(STRIP "${VELLO_METAINFO_MEDIATYPES}" VELLO_METAINFO_MEDIATYPES)
  set(VELLO_METAINFO_MEDIATYPES "    ${VELLO_METAINFO_MEDIATYPES}")
  set(VELLO_DESKTOP_FILE ${CMAKE_BINARY_DIR}/data/velloplayer.desktop)
  set(VELLO_METAINFO_FILE ${CMAKE_BINARY_DIR}/data/org.velloplayer.velloplayer.metainfo.xml)
  configure_file(${CMAKE_SOURCE_DIR}/data/velloplayer.desktop.in ${VELLO_DESKTOP_FILE} @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/data/org.velloplayer.velloplayer.metainfo.xml.in ${VELLO_METAINFO_FILE}
                 @ONLY)
  return()
endif()

# ---------------------------------------------------------------------------------------------------
# Install rules

foreach(program ${VELLO_USER_PROGRAMS})
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
foreach(program ${VELLO_HELPER_PROGRAMS})
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${VELLO_INSTALL_PKGLIBDIR})
  endif()
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/src/player/shell/help/VELLOPLAYER.html
        DESTINATION ${VELLO_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${VELLO_INSTALL_DOCDIR})

set(_data ${CMAKE_SOURCE_DIR}/data)
install(FILES ${VELLO_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${VELLO_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${_data}/icons/velloplayer.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
foreach(size ${VELLO_ICON_SIZES})
  install(FILES ${_data}/icons/velloplayer-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
          RENAME velloplayer.png)
endforeach()

# ---------------------------------------------------------------------------------------------------
# The Debian package: cpack -G DEB in the build folder.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VELLO_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velloplayer")
set(CPACK_PACKAGE_CONTACT "Velloplayer developers <velloplayer@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "folder media player with a RealMedia editor")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Velloplayer plays the media files of a folder one after another without attention,\n"
  "with play modes, a volume remembered for each file, favourites and a folder history.\n"
  "Vellokit, started from its menu, joins and cuts RealMedia files without re-encoding\n"
  "and joins MPEG files. The user interface is Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps; Qt's platform plugins (the X11 and
# Wayland windows) are plugins, not linked, libmpv is loaded when the first clip plays (MpvLibrary) and
# libcurl by the first transfer of the update check (CurlLibrary), so those are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libmpv2 | libmpv1, libcurl4")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk | fonts-ipafont-gothic, xdg-utils")
# Only what the install rules above name goes into the package (no test programs or benchmarks).
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
include(CPack)
