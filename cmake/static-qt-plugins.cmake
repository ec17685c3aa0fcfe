# The Windows builds and the web page link a static Qt, whose platform plugin comes in with the plugins'
# CMake packages. Debian's Qt source from 6.8 on leaves those out by default (its patch
# enable_skip_plugins), which is right for its shared Qt and leaves a static one with no
# platform at all ("no Qt platform plugin could be initialized"). Include before
# find_package(Qt6).
if(WIN32 OR EMSCRIPTEN)
  set(QT_SKIP_AUTO_PLUGIN_INCLUSION OFF)
endif()
