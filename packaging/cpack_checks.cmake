# Read by cpack before it packages: only a build made by scripts/package.sh becomes a .deb.
if(NOT CPACK_VARNOTH_BINDIR STREQUAL "games")
  message(FATAL_ERROR "This build is not configured for the Debian package (the game would go to "
                      "/usr/${CPACK_VARNOTH_BINDIR}, built without Debian's hardening flags). "
                      "Build the .deb with: bash scripts/package.sh")
endif()
if(NOT CPACK_DEBIAN_PACKAGE_VERSION MATCHES "~deb[0-9]+$")
  message(FATAL_ERROR "This build does not say which Debian release the package is for "
                      "(VARNOTH_DEBIAN_RELEASE). Build the .deb with: bash scripts/package.sh")
endif()
