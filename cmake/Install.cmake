# What `cmake --install` puts where, and the Debian packages CPack makes of it. Components:
# core (library, command, man page, registry, default component configuration), dev
# (headers, CMake package, pkg-config), python (the module) and gui (the window module).
include(CMakePackageConfigHelpers)

set(KVR_CMAKE_INSTALL_DIR ${KVR_LIB_INSTALL_DIR}/cmake/KVRUpload)

install(TARGETS KVRUpload EXPORT KVRUploadTargets
        LIBRARY DESTINATION ${KVR_LIB_INSTALL_DIR} COMPONENT core NAMELINK_COMPONENT dev)
if(TARGET kvrupload)
  install(TARGETS kvrupload RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT core)
  # The command's windowed runs: beside the window module, found from the library's folder.
  install(TARGETS kvrupload_windowed RUNTIME DESTINATION ${KVR_LIB_INSTALL_DIR}/kvrupload
          COMPONENT core)
endif()
if(TARGET KVRUploadGui)
  install(TARGETS KVRUploadGui LIBRARY DESTINATION ${KVR_LIB_INSTALL_DIR}/kvrupload COMPONENT gui)
endif()
if(TARGET kvrupload_py)
  install(TARGETS kvrupload_py LIBRARY DESTINATION ${KVR_PYTHON_INSTALL_DIR} COMPONENT python)
  install(FILES ${PROJECT_BINARY_DIR}/python/kvrupload.pyi DESTINATION ${KVR_PYTHON_INSTALL_DIR}
          COMPONENT python OPTIONAL)
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kvrupload ${PROJECT_BINARY_DIR}/generated/kvrupload
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

install(EXPORT KVRUploadTargets NAMESPACE KVRUpload:: DESTINATION ${KVR_CMAKE_INSTALL_DIR}
        COMPONENT dev)
file(WRITE ${PROJECT_BINARY_DIR}/KVRUploadConfig.cmake
     "include(\"\${CMAKE_CURRENT_LIST_DIR}/KVRUploadTargets.cmake\")\n")
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KVRUploadConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KVRUploadConfig.cmake
        ${PROJECT_BINARY_DIR}/KVRUploadConfigVersion.cmake
        DESTINATION ${KVR_CMAKE_INSTALL_DIR} COMPONENT dev)

# The .pc file finds the prefix from its own place, so a staged or moved install still works.
file(RELATIVE_PATH kvr_pc_up /p/${KVR_LIB_INSTALL_DIR}/pkgconfig /p)
string(REGEX REPLACE "/$" "" kvr_pc_up "${kvr_pc_up}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/kvrupload.pc.in ${PROJECT_BINARY_DIR}/kvrupload.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kvrupload.pc DESTINATION ${KVR_LIB_INSTALL_DIR}/pkgconfig
        COMPONENT dev)

configure_file(${PROJECT_SOURCE_DIR}/docs/kvrupload.1.in ${PROJECT_BINARY_DIR}/man/kvrupload.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/man/kvrupload.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT core)

# The default configuration of the web-folder component, read when KVRWEBDIR_CONFIG is unset.
# Under /usr it goes to /etc (where the library looks); otherwise under the prefix.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(kvr_conf_dir ${CMAKE_INSTALL_FULL_SYSCONFDIR}/kvrupload)
else()
  set(kvr_conf_dir ${CMAKE_INSTALL_SYSCONFDIR}/kvrupload)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/docs/KVRWebDir.conf DESTINATION ${kvr_conf_dir} COMPONENT core)

# The registration record of the library's classes (ProgID and class identifier), made by
# the library's own DllRegisterServer at build time.
if(NOT KVR_SANITIZE AND NOT CMAKE_CROSSCOMPILING)
  set(kvr_registry ${PROJECT_BINARY_DIR}/share/registry)
  add_custom_command(
    OUTPUT ${kvr_registry}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${kvr_registry}
    COMMAND ${CMAKE_COMMAND} -E env KVRUPLOAD_REGISTRY=${kvr_registry} /usr/bin/python3 -c
            "import ctypes, sys; sys.exit(ctypes.CDLL(sys.argv[1]).DllRegisterServer())"
            $<TARGET_FILE:KVRUpload>
    DEPENDS KVRUpload VERBATIM)
  add_custom_target(kvr_registry ALL DEPENDS ${kvr_registry})
  install(FILES ${kvr_registry} DESTINATION ${CMAKE_INSTALL_DATADIR}/kvrupload COMPONENT core)
endif()

# Debian packages: ./make.sh package. dpkg-shlibdeps declares the library dependencies, so
# the core package names no X, FLTK or font library; only kvrupload-gui does.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvrupload)
set(CPACK_PACKAGE_VENDOR "KVRUpload")
set(CPACK_PACKAGE_CONTACT "KVRUpload maintainers <kvrupload@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Moves single files between this machine and web or FTP servers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL core dev python gui)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_CORE_PACKAGE_NAME kvrupload)
# Opened at run time, so not found by the shared-library scan.
set(CPACK_DEBIAN_CORE_PACKAGE_DEPENDS "${KVR_CURL_PACKAGE} (>= ${CURL_VERSION_STRING})")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME kvrupload-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kvrupload)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}.99)")
set(CPACK_DEBIAN_GUI_PACKAGE_NAME kvrupload-gui)
set(CPACK_COMPONENT_CORE_DESCRIPTION "The KVRUpload library and the kvrupload command")
set(CPACK_COMPONENT_DEV_DESCRIPTION "Headers, CMake package and pkg-config file for KVRUpload")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "The kvrupload Python module")
set(CPACK_COMPONENT_GUI_DESCRIPTION "Real windows (FLTK, X11) for KVRUpload when a display is present")
set(CPACK_COMPONENT_DEV_DEPENDS core)
set(CPACK_COMPONENT_PYTHON_DEPENDS core)
set(CPACK_COMPONENT_GUI_DEPENDS core)
include(CPack)
