include(CMakePackageConfigHelpers)

install(TARGETS velmora EXPORT velmoraTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/velmora DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT velmoraTargets NAMESPACE velmora:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/velmora)

configure_package_config_file(cmake/velmoraConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/velmoraConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/velmora)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/velmoraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/velmoraConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/velmoraConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/velmora)

# pkg-config gets the prefix the files are installed under, which `cmake --install --prefix DIR`
# may change after configuring: the file is written in two steps, the prefix at install time.
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(VELMORA_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(VELMORA_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
set(VELMORA_PC_PREFIX "@CMAKE_INSTALL_PREFIX@")
configure_file(cmake/velmora.pc.in ${CMAKE_CURRENT_BINARY_DIR}/velmora.pc.in @ONLY)
install(CODE "configure_file(\"${CMAKE_CURRENT_BINARY_DIR}/velmora.pc.in\"
  \"${CMAKE_CURRENT_BINARY_DIR}/velmora.pc\" @ONLY)")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/velmora.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
