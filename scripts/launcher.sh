# Sourced by the build scripts. use_compiler_launcher sets launcher_options: the CMake
# option that sends a test build's compiles through ccache when VARNOTH_CCACHE names its
# cache folder (scripts/test.sh does), or takes ccache away again from a build folder when
# it does not: release files, built twice and compared byte for byte, are always compiled
# afresh. The cache is shared by every clone: paths inside the clone are hashed relative to
# it, and the folder a compile ran in is not hashed.
use_compiler_launcher() {
    launcher_options=(-DCMAKE_CXX_COMPILER_LAUNCHER=)
    if [ -n "${VARNOTH_CCACHE:-}" ] && command -v ccache >/dev/null; then
        export CCACHE_DIR=$VARNOTH_CCACHE CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
        launcher_options=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
}
