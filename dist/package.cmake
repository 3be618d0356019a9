# The Debian package, made by CPack (scripts/package.sh): hxf_VERSION_ARCH.deb, installing under
# /usr. Its dependencies are those dpkg-shlibdeps finds in the programs, never a hand-kept list.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hxf)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "Seed b810000f maintainers <maintainers@users.noreply.c-seed-b810000f.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)  # loads the completion
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "hxf unpacks the firmware packages (.hxf files) of portable media players into a
folder and packs a folder back into a package, byte for byte. It comes as a
window (hxf-gui) and as a command line (hxf) for scripts.")
include(CPack)
