# What `cmake --install` puts in place: the library with the headers a host includes, a
# pkg-config file and a CMake package, the cache plug-ins beside the library, and the programs.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(OVR_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/ovrloader)

install(TARGETS ovrloader EXPORT ovrloaderTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${OVR_INSTALL_INCLUDEDIR})
install(FILES loader/api/IOvr.h parallel/ThreadManager.h DESTINATION ${OVR_INSTALL_INCLUDEDIR})

foreach(plugin f3dbridge vdbbridge)
  if(TARGET ${plugin})
    install(TARGETS ${plugin} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/ovrloader)
  endif()
endforeach()
foreach(program cacheconv ovrinfo ovrsynth)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

configure_file(cmake/install/ovrloader.pc.in ${PROJECT_BINARY_DIR}/ovrloader.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/ovrloader.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(EXPORT ovrloaderTargets NAMESPACE ovrloader:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ovrloader)
configure_package_config_file(cmake/install/ovrloaderConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/ovrloaderConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ovrloader
                              PATH_VARS CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ovrloaderConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ovrloaderConfig.cmake ${PROJECT_BINARY_DIR}/ovrloaderConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ovrloader)

# Windows: what a user runs, gathered in dist/windows: cacheconv.exe, and ovrloader.dll with its
# plug-in for hosts. Everything is linked statically, so no runtime DLL goes with them.
if(WIN32 AND TARGET cacheconv AND TARGET vdbbridge)
  set(OVR_DIST_WINDOWS ${PROJECT_BINARY_DIR}/dist/windows)
  add_custom_target(dist_windows
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${OVR_DIST_WINDOWS}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${OVR_DIST_WINDOWS}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:cacheconv> $<TARGET_FILE:ovrloader> $<TARGET_FILE:vdbbridge>
            ${OVR_DIST_WINDOWS}
    DEPENDS cacheconv ovrloader vdbbridge
    COMMENT "Gathering cacheconv.exe, ovrloader.dll and vdbbridge_x64.dll in ${OVR_DIST_WINDOWS}")
endif()
