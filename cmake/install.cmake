# The engine installed (cmake --install BUILD --prefix P): its public
# headers under P/include/mox/ (included as "core/corefile.h", as inside the
# tree), its static libraries under P/lib, the tools a demo maker runs
# (moxpack, timingtool, obj2vxl) under P/bin, and the ways to find it all:
# P/lib/cmake/MOX (find_package(MOX): MOX::core, MOX::sound, MOX::platform,
# MOX::video, MOX::image, MOX::toolkit, MOX::capture, MOX::mox for them all,
# and the tools as MOX::moxpack, MOX::timingtool, MOX::obj2vxl) and
# P/lib/pkgconfig/mox.pc. Nothing installed names a path of the build tree.
include(CMakePackageConfigHelpers)

# Everything a program on the engine links, as one target.
add_library(mox_all INTERFACE)
target_link_libraries(mox_all INTERFACE mox_demotoolkit mox_image mox_video mox_platform mox_sound mox_core)
set_target_properties(mox_all PROPERTIES EXPORT_NAME mox)
set_target_properties(mox_sdl2 PROPERTIES EXPORT_NAME sdl2)

set(mox_libraries mox_core mox_sound mox_platform mox_video mox_image mox_demotoolkit mox_capture mox_sdl2 mox_all)
set(mox_tools moxpack timingtool obj2vxl)
install(TARGETS ${mox_libraries} EXPORT MOXTargets ARCHIVE DESTINATION lib COMPONENT dev)
install(TARGETS ${mox_tools} EXPORT MOXTargets RUNTIME DESTINATION bin COMPONENT dev)

# The public headers: what a program includes. The parts between the
# engine's own modules (a backend's contract, the sound outputs', the core's
# system services) stay in the tree.
set(mox_headers
  core/corefile.h core/coremem.h core/corerand.h core/coredebug.h
  sound/coresound.h sound/audiodriver.h
  engine/platform/driver.h engine/platform/coreinput.h engine/platform/moxgl.h engine/platform/gl_web.h
  engine/video/mox.h
  engine/image/corebitmap.h engine/image/corefont.h engine/image/coresprite.h
  demo/demotiming.h demo/timingtext.h demo/helpers.h demo/c_mesh.h
  tools/capture/capture.h)
foreach(header ${mox_headers})
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION include/mox/${dir} COMPONENT dev)
endforeach()

install(EXPORT MOXTargets NAMESPACE MOX:: DESTINATION lib/cmake/MOX COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/MOXConfig.cmake.in ${PROJECT_BINARY_DIR}/MOXConfig.cmake
                              INSTALL_DESTINATION lib/cmake/MOX)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/MOXConfigVersion.cmake VERSION ${PROJECT_VERSION}
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/MOXConfig.cmake ${PROJECT_BINARY_DIR}/MOXConfigVersion.cmake
        DESTINATION lib/cmake/MOX COMPONENT dev)
configure_file(${PROJECT_SOURCE_DIR}/cmake/mox.pc.in ${PROJECT_BINARY_DIR}/mox.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/mox.pc DESTINATION lib/pkgconfig COMPONENT dev)
