#!/usr/bin/env bash
# The Windows release files, varnoth.exe and the installer, built again by reprotest, varied,
# to the same bytes (reproducible_release.sh says how). Runs where they are built (Debian 13).
#
#   tests/package/reproducible_windows.sh DIST_DIR ARTIFACTS_DIR
exec "$(dirname "$0")/reproducible_release.sh" "the Windows files" scripts/package-windows.sh "$1" "$2" '*.exe'
