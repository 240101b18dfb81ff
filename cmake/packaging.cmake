# What `cmake --install` puts in place, and the Debian package CPack makes of it. The manual page
# and the bash completion are made from the built program (its --help texts, its command and
# settings tables), so they never describe another build.
include(GNUInstallDirs)

install(TARGETS lumatrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(generated ${PROJECT_BINARY_DIR}/generated)
# Run with a per-user folder of its own: the build must not read or write the builder's.
set(run_lumatrix ${CMAKE_COMMAND} -E env LUMATRIX_HOME=${generated}/home)
add_custom_command(
  OUTPUT ${generated}/lumatrix.1
  COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/home
  COMMAND ${run_lumatrix} ${CMAKE_COMMAND} -DLUMATRIX=$<TARGET_FILE:lumatrix>
          -DVERSION=${PROJECT_VERSION} -DOUT=${generated}/lumatrix.1
          -P ${PROJECT_SOURCE_DIR}/cmake/make_man_page.cmake
  DEPENDS lumatrix ${PROJECT_SOURCE_DIR}/cmake/make_man_page.cmake
  COMMENT "Manual page lumatrix.1 from --help")
add_custom_command(
  OUTPUT ${generated}/lumatrix.bash
  COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/home
  COMMAND ${run_lumatrix} $<TARGET_FILE:lumatrix> completion > ${generated}/lumatrix.bash
  DEPENDS lumatrix
  COMMENT "Bash completion from the command and settings tables")
add_custom_target(lumatrix_docs ALL DEPENDS ${generated}/lumatrix.1 ${generated}/lumatrix.bash)

install(FILES ${generated}/lumatrix.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${generated}/lumatrix.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME lumatrix)

# The package holds whatever the install rules above and elsewhere (the desktop program's)
# install; its dependencies come from the libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumatrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Lumatrix developers <lumatrix@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch image processor")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Batch image processing: one record of settings (resizing, colour, frames, captions,\n"
       "watermarks, naming, thumbnails, galleries) applied to a list of images, from the\n"
       "command line with profiles that can be saved and reused.")
# Captions need a font; fontconfig finds any, DejaVu is the one the tests know.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
