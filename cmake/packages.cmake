# The Debian packages, made by `cpack -G DEB` in a Release build configured
# with -DMOX_PACKAGES=ON -DCMAKE_INSTALL_PREFIX=/usr
# -DORLEM_DATADIR=/usr/share/orlem -DORLEM_PACKAGE_DATA=FOLDER (FOLDER
# holding orlem.dat, timing.dat and orlem.png, which the content build and
# scripts/release.sh make): `orlem`, the demo and its capture tool for
# viewers, and `libmox-dev`, the engine installed for demo makers.
set(ORLEM_PACKAGE_DATA "" CACHE PATH "folder of orlem.dat, timing.dat and orlem.png for the orlem package")
if(NOT ORLEM_DATADIR OR NOT ORLEM_PACKAGE_DATA OR NOT TARGET mox_all)
  message(FATAL_ERROR "MOX_PACKAGES needs ORLEM_DATADIR, ORLEM_PACKAGE_DATA and a build of the engine with its tools")
endif()

# The demo: on the PATH, its data where ORLEM_DATADIR says, found from the
# menu by its desktop entry and icon.
install(TARGETS orlem orlem-capture RUNTIME DESTINATION bin COMPONENT orlem)
install(FILES ${ORLEM_PACKAGE_DATA}/orlem.dat ${ORLEM_PACKAGE_DATA}/timing.dat
        DESTINATION ${ORLEM_DATADIR} COMPONENT orlem)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/orlem.desktop DESTINATION share/applications COMPONENT orlem)
install(FILES ${ORLEM_PACKAGE_DATA}/orlem.png DESTINATION share/icons/hicolor/256x256/apps COMPONENT orlem)

# Each package's copyright and changelog, as Debian keeps them (a native
# package: its version has no Debian revision).
string(TIMESTAMP mox_changedate "%a, %d %b %Y %H:%M:%S +0000" UTC)
foreach(package orlem libmox-dev)
  if(package STREQUAL orlem)
    set(component orlem)
  else()
    set(component dev)
  endif()
  set(doc ${PROJECT_BINARY_DIR}/packaging/${package})
  file(WRITE ${doc}/changelog
       "${package} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * The first release.\n\n"
       " -- VELDRIX - ORLEM team <orlem@example.org>  ${mox_changedate}\n")
  execute_process(COMMAND gzip -9nf ${doc}/changelog)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${doc}/changelog.gz
          DESTINATION share/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL orlem dev)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VELDRIX - ORLEM team <orlem@example.org>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ORLEM_PACKAGE_NAME orlem)
set(CPACK_DEBIAN_ORLEM_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ORLEM_PACKAGE_RECOMMENDS ffmpeg)
set(CPACK_COMPONENT_ORLEM_DESCRIPTION "real-time audiovisual demo VELDRIX - ORLEM
A show of light and particles that moves to its music, drawn with OpenGL
as it plays, full screen or in a window. orlem-capture renders it to a
video file (with ffmpeg) or to still pictures.")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libmox-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libsdl2-dev, libglew-dev, libgl-dev, pkgconf | pkg-config")
set(CPACK_COMPONENT_DEV_DESCRIPTION "MOX demo engine (static libraries, headers and tools)
The engine VELDRIX - ORLEM runs on, for making demos: a window and input,
an OpenGL renderer, 2D imaging, a software mixer, a file layer over data
images and a sync table, found by CMake (find_package(MOX)) and pkg-config
(mox), with the data image packer moxpack, the sync table's timingtool and
obj2vxl.")
include(CPack)
