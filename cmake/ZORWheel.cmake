# zorscale's wheel: the package folder holds the extension, the host platform library, the color
# scale module where the host looks for it (beside its library, under zorhost/modules) and zorhost
# (bin/), each finding the others by a path relative to itself. scikit-build builds the target
# install-wheel, which installs the component "wheel" alone.
set(wheel zorscale)
set_target_properties(_zorscale ZORHost PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(ZORCarColorScale PROPERTIES INSTALL_RPATH "$ORIGIN/../..")
set_target_properties(zorhost PROPERTIES INSTALL_RPATH "$ORIGIN/..")
install(TARGETS _zorscale LIBRARY DESTINATION ${wheel} COMPONENT wheel)
install(TARGETS ZORHost LIBRARY DESTINATION ${wheel} COMPONENT wheel NAMELINK_SKIP)
install(TARGETS ZORCarColorScale LIBRARY DESTINATION ${wheel}/${ZOR_MODULES_SUBDIR} COMPONENT wheel)
install(TARGETS zorhost RUNTIME DESTINATION ${wheel}/bin COMPONENT wheel)
add_custom_target(install-wheel
  COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --component wheel
  # scikit-build reads what was installed from the manifest of a whole install.
  COMMAND ${CMAKE_COMMAND} -E copy install_manifest_wheel.txt install_manifest.txt
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
  COMMENT "Installing zorscale's wheel")
add_dependencies(install-wheel _zorscale ZORHost ZORCarColorScale zorhost)
